// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BoardModel.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// A virtual GAZ4 board: the last line large in a segment face on a dark panel, the lines before it with their
// arrival times below. Shows the model's bytes as they are (BoardModel::shown).
class BoardWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BoardWindow(const BoardModel& model, QWidget* parent = nullptr);

    // Shows the model's present state.
    void refresh();
    // The texts on screen: the big panel and the history, newest last.
    QString panelText() const;
    QStringList historyTexts() const;
    // The family of the panel's font: a fourteen-segment face where installed, else a monospace one.
    QString panelFontFamily() const;

private:
    const BoardModel& m_model;
    QLabel* m_panel;
    QPlainTextEdit* m_history;
};
