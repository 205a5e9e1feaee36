// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardWindow.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int Border = 6;
constexpr int Padding = 12;

QFont panelFont()
{
    for (const char* family : {"DSEG14 Classic", "DSEG14 Modern"}) {
        if (QFontDatabase::hasFamily(QLatin1String(family))) {
            QFont font(QLatin1String(family), 36);
            font.setBold(true);
            return font;
        }
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(36);
    font.setBold(true);
    font.setStyleHint(QFont::Monospace);
    return font;
}

// The history: tall enough for every kept line in whatever font it has, and half a line to spare for the
// layout's rounding.
class HistoryView : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;
    QSize minimumSizeHint() const override
    {
        const QFontMetrics metrics(font());
        const int frame = 2 * (frameWidth() + int(document()->documentMargin()));
        return {metrics.averageCharWidth() * 40 + frame,
                metrics.lineSpacing() * BoardModel::Kept + metrics.lineSpacing() / 2 + frame};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }
};

} // namespace

BoardFace::BoardFace(QWidget* parent) : QWidget(parent)
{
    setContentsMargins(Border + Padding, Border + Padding, Border + Padding, Border + Padding);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void BoardFace::setText(const QString& text)
{
    m_text = text;
    update();
}

QSize BoardFace::sizeHint() const
{
    const QFontMetrics metrics(font());
    int cell = metrics.horizontalAdvance(QChar(0x00B7));
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        cell = qMax(cell, metrics.horizontalAdvance(QChar(c)));
    const QMargins margins = contentsMargins();
    return {cell * BoardModel::Columns + margins.left() + margins.right(),
            metrics.height() + margins.top() + margins.bottom()};
}

void BoardFace::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x30, 0x30, 0x30));
    painter.fillRect(rect().marginsRemoved({Border, Border, Border, Border}), QColor(0x10, 0x10, 0x10));
    painter.setPen(QColor(0xff, 0xb0, 0x00));
    painter.setFont(font());
    const QRect face = contentsRect();
    for (int cell = 0; cell < BoardModel::Columns && cell < m_text.size(); ++cell) {
        const int left = face.left() + face.width() * cell / BoardModel::Columns;
        const int right = face.left() + face.width() * (cell + 1) / BoardModel::Columns;
        painter.drawText(QRect(left, face.top(), right - left, face.height()), Qt::AlignCenter,
                         m_text.mid(cell, 1));
    }
}

void BoardFace::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

BoardWindow::BoardWindow(const BoardModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_panel(new BoardFace(this)), m_history(new HistoryView(this))
{
    setWindowTitle(QStringLiteral("GAZ4-Anzeigetafel (simuliert)"));
    setObjectName(QStringLiteral("BoardWindow"));
    setStyleSheet(QStringLiteral("#BoardWindow { background: #202020; }"));
    m_panel->setObjectName(QStringLiteral("Panel"));
    m_panel->setFont(panelFont());

    m_history->setObjectName(QStringLiteral("History"));
    m_history->setReadOnly(true);
    m_history->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_history->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_history->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #202020; color: #d0d0d0; }"));
    m_history->setMaximumBlockCount(BoardModel::Kept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panel);
    layout->addWidget(m_history, 1);
    refresh();
}

void BoardWindow::refresh()
{
    // A line shorter than the board is shown in the board's full width; the bytes themselves stay as they
    // are.
    QString text = BoardModel::shown(m_model.lastLine());
    if (text.size() < BoardModel::Columns)
        text += QString(BoardModel::Columns - text.size(), QLatin1Char(' '));
    m_panel->setText(text);
    QStringList entries;
    for (auto line = m_model.lines().crbegin(); line != m_model.lines().crend(); ++line)
        entries << BoardModel::historyEntry(*line);
    m_history->setPlainText(entries.join(QLatin1Char('\n')));
}

QString BoardWindow::panelText() const
{
    return m_panel->text();
}

QStringList BoardWindow::historyTexts() const
{
    const QString text = m_history->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QString BoardWindow::panelFontFamily() const
{
    return m_panel->font().family();
}
