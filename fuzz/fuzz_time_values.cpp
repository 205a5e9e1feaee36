// SPDX-License-Identifier: GPL-3.0-or-later
// Time values and board lines: the display form of any seconds value, the reading of any time text, and
// the GAZ4 line of any time text in every state of the stopwatch.

#include "FuzzChecks.h"
#include "RecordingPresenter.h"

#include "convert/Gaz4Line.h"
#include "convert/TimeValues.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A piece of a time text as a number: blanks around digits with at most one point, nothing else.
std::optional<double> numberOf(const QString& piece)
{
    static const QRegularExpression number(QStringLiteral("^ *((?=\\.?[0-9])[0-9]*\\.?[0-9]*) *\\z"));
    const QRegularExpressionMatch match = number.match(piece);
    return match.hasMatch() ? std::optional(match.captured(1).toDouble()) : std::nullopt;
}

// The value a display-form text shows: blank fields count as zero.
double shownValue(const QString& text)
{
    const QStringList fields = text.split(u':');
    check(fields.size() == 3, "display form has three fields", text);
    const auto field = [](const QString& f) { return f.trimmed().isEmpty() ? 0.0 : f.trimmed().toDouble(); };
    return field(fields[0]) * 3600 + field(fields[1]) * 60 + field(fields[2]);
}

void checkDisplayForm(double value, RecordingPresenter& boxes)
{
    const QString text = TimeValues::SetTimeFormat(value);
    if (!std::isfinite(value) || value < 0 || value >= 1e15) {
        check(text == TimeValues::invalidText(), "unwritable values give 00:00:00.00", text);
        return;
    }
    check(text.size() >= 11 && text[text.size() - 3] == u'.' && isDigit(text[text.size() - 2]) &&
              isDigit(text.back()),
          "two digits of hundredths", text);
    check(text[0] != u'0', "no leading zero field", text);
    const double tolerance = 0.00501 + value * 5e-16;
    check(std::abs(shownValue(text) - value) <= tolerance, "shows the value to the hundredth",
          QString::number(value, 'g', 17) + QStringLiteral(" -> ") + text);

    // Below an hour the blanked fields cannot be read back; from an hour on they can.
    const TimeValues time(boxes);
    const qsizetype before = boxes.shown.size();
    const double back = time.Get_Sec(text);
    if (value < 3599.99) {
        check(back == 0 && boxes.shown.size() == before + 1, "display form below an hour is not read back");
    } else if (value >= 3600 && value < 359999.99) {
        check(boxes.shown.size() == before, "display form from an hour on is read back");
        check(std::abs(back - value) <= tolerance, "read back to the hundredth", text);
    }
}

void checkReading(const QString& text, RecordingPresenter& boxes)
{
    const TimeValues time(boxes);
    const qsizetype before = boxes.shown.size();
    const double seconds = time.Get_Sec(text);
    const auto h = numberOf(text.mid(0, 2));
    const auto m = numberOf(text.mid(3, 2));
    const auto s = numberOf(text.mid(6, 5));
    if (h && m && s) {
        check(boxes.shown.size() == before, "a readable text shows no box", text);
        check(seconds == *h * 3600 + (*m * 60 + *s), "hours, minutes and seconds add up", text);
    } else {
        check(boxes.shown.size() == before + 1, "an unreadable text shows one box", text);
        const ModalMessage& box = boxes.shown.back();
        check(box.title == u"Format kontrollieren" && box.icon == ModalMessage::Icon::Stop, "the format box");
        check(seconds == 0, "an unreadable text gives 0", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    RecordingPresenter boxes;

    const double value = input.ConsumeBool() ? input.ConsumeFloatingPoint<double>()
                                             : input.ConsumeIntegralInRange<int>(0, 40000000) / 100.0;
    checkDisplayForm(value, boxes);

    // The board line of any time text in any state of the stopwatch: only the sanitizers watch it (its exact
    // columns are the stopwatch table of test_line_processor).
    const uint8_t flags = input.ConsumeIntegral<uint8_t>();
    const QString text = latin1(input.ConsumeRandomLengthString(40));
    checkReading(text, boxes);
    Time2GAZ_Format(text, Gaz4Context{bool(flags & 1), bool(flags & 2), bool(flags & 4)});
    return 0;
}
