// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BoardModel.h"

#include <QWidget>

class QPlainTextEdit;

// The board's face: the 22 characters of a line, each drawn centred in its own cell of one fixed width (the
// widest printable character of the font), so that narrow characters such as "." and ":" keep their column
// whatever the font. Amber on a dark panel.
class BoardFace : public QWidget
{
    Q_OBJECT
public:
    explicit BoardFace(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
};

// A virtual GAZ4 board: the last line large on the board's face, the lines before it with their arrival
// times below, newest on top, all kept lines visible at the window's default size. Shows the model's bytes as
// they are (BoardModel::shown).
class BoardWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BoardWindow(const BoardModel& model, QWidget* parent = nullptr);

    // Shows the model's present state.
    void refresh();
    // The texts on screen: the face and the history, newest first.
    QString panelText() const;
    QStringList historyTexts() const;
    // The family of the face's font: a fourteen-segment face where installed, else a monospace one.
    QString panelFontFamily() const;

private:
    const BoardModel& m_model;
    BoardFace* m_panel;
    QPlainTextEdit* m_history;
};
