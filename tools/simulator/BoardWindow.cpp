// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardWindow.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

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

} // namespace

BoardWindow::BoardWindow(const BoardModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_panel(new QLabel(this)), m_history(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("GAZ4-Anzeigetafel (simuliert)"));
    setObjectName(QStringLiteral("BoardWindow"));
    setStyleSheet(QStringLiteral("#BoardWindow { background: #202020; }"));

    m_panel->setObjectName(QStringLiteral("Panel"));
    m_panel->setFont(panelFont());
    m_panel->setTextFormat(Qt::PlainText);
    m_panel->setStyleSheet(QStringLiteral(
        "QLabel { background: #101010; color: #ffb000; border: 6px solid #303030; padding: 12px; }"));
    const QFontMetrics metrics(m_panel->font());
    m_panel->setMinimumWidth(metrics.horizontalAdvance(QString(BoardModel::Columns, QLatin1Char('8'))) + 40);

    m_history->setObjectName(QStringLiteral("History"));
    m_history->setReadOnly(true);
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
    for (const BoardModel::Line& line : m_model.lines())
        entries << BoardModel::historyEntry(line);
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
