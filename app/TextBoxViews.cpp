// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TextBoxViews.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <tuple>

namespace {

// Text boxes break lines at LF; the texts keep CR LF (and the output text CR CR LF).
QString forDisplay(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// Where the text of a box that grows on top (log, monitors, output text) continues what it showed before:
// the smallest k with text = text.left(k) + shown.left(text.size() - k), that is new lines on top and the
// tail cut at a limit. text.size() when nothing of the shown text is left.
qsizetype newHeadLength(QStringView shown, QStringView text)
{
    constexpr qsizetype ProbeLength = 32;
    constexpr int MostCandidates = 16;
    const QStringView probe = shown.first(std::min(ProbeLength, shown.size()));
    if (probe.isEmpty())
        return text.size();
    qsizetype from = std::max<qsizetype>(0, text.size() - shown.size());
    for (int candidates = 0; candidates < MostCandidates; ++candidates) {
        const qsizetype k = text.indexOf(probe, from);
        if (k < 0 || text.size() - k < probe.size())
            break;
        if (text.sliced(k) == shown.first(text.size() - k))
            return k;
        from = k + 1;
    }
    return text.size();
}

// Brings a text box from showing `shown` to showing `text`. New lines on top and a cut tail are applied as
// two edits, so that a refresh costs what changed and not the whole text; anything else sets the text.
void showText(QPlainTextEdit* box, const QString& shown, const QString& text)
{
    QTextDocument* document = box->document();
    const qsizetype k = newHeadLength(shown, text);
    const QStringView kept = QStringView(text).sliced(k);
    const QStringView head = QStringView(text).first(k);
    // The box shows CR LF as one line break: the lengths on screen, and a head that must not end in a CR
    // whose LF is the kept part's first character. A box that does not hold the shown text is set anew.
    const auto shownLength = [](QStringView t) { return t.size() - t.count(QStringLiteral("\r\n")); };
    const qsizetype keptShown = shownLength(kept);
    const bool joinsLineEnd = head.endsWith(u'\r') && kept.startsWith(u'\n');
    if (kept.isEmpty() || joinsLineEnd || document->characterCount() - 1 != shownLength(shown)) {
        box->setPlainText(forDisplay(text));
        return;
    }
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.setPosition(int(keptShown));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setPosition(0);
    cursor.insertText(forDisplay(head.toString()));
    cursor.endEditBlock();
    // Like setting the text, a change shows the top, where the newest line is.
    box->verticalScrollBar()->setValue(0);
}

} // namespace

TextBoxViews::TextBoxViews(QPlainTextEdit* Text1, QPlainTextEdit* Text3, QPlainTextEdit* Text5,
                           QPlainTextEdit* MessIn, QPlainTextEdit* MessOut)
    : m_Text1(Text1), m_Text3(Text3), m_Text5(Text5), m_MessIn(MessIn), m_MessOut(MessOut)
{
    // The window edits these boxes itself; an undo history would only grow with every refresh.
    for (QPlainTextEdit* box : {Text1, Text3, Text5, MessIn, MessOut})
        box->document()->setUndoRedoEnabled(false);
}

bool TextBoxViews::behind(const TextBoxes& texts) const
{
    return texts.Text1 != m_shown.Text1 || texts.Text3 != m_shown.Text3 || texts.Text5 != m_shown.Text5 ||
           texts.MessIn != m_shown.MessIn || texts.MessOut != m_shown.MessOut;
}

void TextBoxViews::show(const TextBoxes& texts)
{
    const std::tuple<QPlainTextEdit*, const QString&, QString&> boxes[] = {
        {m_Text1, texts.Text1, m_shown.Text1},
        {m_Text3, texts.Text3, m_shown.Text3},
        {m_Text5, texts.Text5, m_shown.Text5},
        {m_MessIn, texts.MessIn, m_shown.MessIn},
        {m_MessOut, texts.MessOut, m_shown.MessOut}};
    for (const auto& [box, text, shown] : boxes) {
        if (text != shown || text.isEmpty() != box->document()->isEmpty()) {
            showText(box, shown, text);
            shown = text;
        }
    }
}

QString TextBoxViews::operatorEdit(QPlainTextEdit* monitor, const QString& model)
{
    QString& shown = monitor == m_MessIn ? m_shown.MessIn : m_shown.MessOut;
    const QString arrived = model.left(newHeadLength(shown, model));
    shown = monitor->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return arrived + shown;
}
