// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/FormModel.h"

class QPlainTextEdit;

// The five long text boxes of the window (log, input buffer, output text, both monitors) and what each of
// them shows. A refresh brings them up to their texts by editing only what changed: new lines on top, a cut
// tail at the bottom; the exact texts stay in the model.
class TextBoxViews
{
public:
    TextBoxViews(QPlainTextEdit* Text1, QPlainTextEdit* Text3, QPlainTextEdit* Text5, QPlainTextEdit* MessIn,
                 QPlainTextEdit* MessOut);

    // Whether some box shows another text than the model holds.
    bool behind(const TextBoxes& texts) const;
    // Brings every box up to its text.
    void show(const TextBoxes& texts);
    // The operator typed in a monitor, which held `model`: the monitor's new text, with the lines that
    // arrived since it was last drawn kept on top of the operator's edit.
    QString operatorEdit(QPlainTextEdit* monitor, const QString& model);

private:
    QPlainTextEdit* m_Text1;
    QPlainTextEdit* m_Text3;
    QPlainTextEdit* m_Text5;
    QPlainTextEdit* m_MessIn;
    QPlainTextEdit* m_MessOut;
    TextBoxes m_shown; // the texts the boxes show
};
