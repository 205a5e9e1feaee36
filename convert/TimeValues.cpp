// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/TimeValues.h"

#include "convert/TextPieces.h"
#include "core/MessagePresenter.h"

#include <array>
#include <charconv>
#include <cmath>

using TextPieces::piece;

namespace {

// Values at or above this cannot be written with whole-number arithmetic that stays exact.
constexpr double LargestWritable = 1e15;

// Appends n in decimal, at least `width` digits with leading zeros.
void appendNumber(char16_t*& out, qint64 n, int width)
{
    std::array<char16_t, 24> digits{};
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (count < width)
        digits[count++] = u'0';
    while (count > 0)
        *out++ = digits[--count];
}

// Appends a field of the display form: two blanks for zero when blanking is allowed, blank-padded below 10,
// otherwise at least two digits.
void appendField(char16_t*& out, qint64 n, bool blankZero, bool blankPad)
{
    if (blankZero && n == 0) {
        *out++ = u' ';
        *out++ = u' ';
    } else if (blankPad && n < 10) {
        *out++ = u' ';
        *out++ = char16_t(u'0' + n);
    } else {
        appendNumber(out, n, 2);
    }
}

} // namespace

TimeValues::TimeValues(MessagePresenter& boxes) : m_boxes(boxes) {}

std::optional<double> TimeValues::readNumber(QStringView text)
{
    const QStringView number = TextPieces::trimBlanks(text);

    std::array<char, 32> ascii{};
    if (number.size() >= qsizetype(ascii.size()))
        return std::nullopt;
    int length = 0;
    int digits = 0;
    bool point = false;
    for (const QChar ch : number) {
        const char16_t c = ch.unicode();
        if (c >= u'0' && c <= u'9') {
            ++digits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
        ascii[length++] = char(c);
    }
    if (digits == 0)
        return std::nullopt;

    double value = 0;
    const auto [ptr, ec] =
        std::from_chars(ascii.data(), ascii.data() + length, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != ascii.data() + length)
        return std::nullopt;
    return value;
}

std::optional<double> TimeValues::readSeconds(QStringView INP_Time)
{
    const auto hours = readNumber(piece(INP_Time, 1, 2));
    const auto minutes = readNumber(piece(INP_Time, 4, 2));
    const auto seconds = readNumber(piece(INP_Time, 7, 5));
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    const double sum = *minutes * 60 + *seconds;
    return *hours * 3600 + sum;
}

double TimeValues::Get_Sec(QStringView INP_Time) const
{
    if (const auto value = readSeconds(INP_Time))
        return *value;

    ModalMessage box;
    box.title = QStringLiteral("Format kontrollieren");
    box.icon = ModalMessage::Icon::Stop;
    box.text = QStringLiteral("Fehler 13 beim beim Zeiten berechnen:\r\n\r\n"
                              "Typen unverträglich\r\n\r\n"
                              "Format hh:mm:ss.ss kontrollieren");
    m_boxes.showMessage(box);
    return 0;
}

QString TimeValues::SetTimeFormat(double TimeValue)
{
    QString text;
    appendTimeFormat(TimeValue, text);
    return text;
}

void TimeValues::appendTimeFormat(double TimeValue, QString& out)
{
    if (!std::isfinite(TimeValue) || TimeValue < 0 || TimeValue >= LargestWritable) {
        out += invalidText();
        return;
    }

    double T = TimeValue;
    double F = std::trunc(T);
    // Hundredths, a tie going to the even neighbour (the default rounding mode).
    double c = std::nearbyint(100 * T - 100 * F);
    if (c >= 100) {
        // A fraction of .995 or more is the next whole second.
        T = F + 1;
        F = T;
        c = 0;
    }
    const auto h = qint64(std::trunc(T / 3600));
    const auto m = qint64(std::trunc(T / 60)) - 60 * h;
    const auto s = qint64(F) - 3600 * h - 60 * m;

    std::array<char16_t, 40> text{};
    char16_t* end = text.data();
    appendField(end, h, true, true);
    *end++ = u':';
    const bool noHours = h == 0;
    appendField(end, m, noHours, noHours);
    *end++ = u':';
    const bool noMinutes = noHours && m == 0;
    if (noMinutes && s == 0) {
        *end++ = u' ';
        *end++ = u'0';
    } else {
        appendField(end, s, false, noMinutes);
    }
    *end++ = u'.';
    appendNumber(end, qint64(c), 2);
    out.append(reinterpret_cast<const QChar*>(text.data()), end - text.data());
}
