// SPDX-License-Identifier: GPL-3.0-or-later
// Port settings from typed list entries: the port number of any port entry and the settings string of any
// five entries. (The open button on such settings is the toggle table of test_port_settings.)

#include "FuzzChecks.h"

#include "ports/PortSettings.h"
#include "ports/PortToggle.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// What the settings of the five entries must be: a whole baud rate of digits, a parity entry, 5 to 8 data
// bits and 1 or 2 stop bits; anything else is refused.
bool honoured(const PortChoice& c)
{
    bool digits = !c.baud.isEmpty() && c.baud.size() <= 10;
    for (QChar ch : c.baud)
        digits = digits && ch >= u'0' && ch <= u'9';
    const qint64 baud = digits ? c.baud.toLongLong() : 0;
    return baud >= 1 && baud <= std::numeric_limits<qint32>::max() && c.parityIndex >= 0 &&
           c.parityIndex <= 4 && QStringList{"5", "6", "7", "8"}.contains(c.dataBits) &&
           QStringList{"1", "2"}.contains(c.stopBits);
}

void checkEntries(int number, const QString& typed)
{
    const QString entry = PortSettings::entryForPort(number);
    check(PortSettings::portNumberFromEntry(entry) == number, "a port entry gives its number back", entry);
    if (!typed.isEmpty() && typed[0] != u'.' && !(typed[0] >= u'0' && typed[0] <= u'9'))
        check(PortSettings::portNumberFromEntry(entry + typed) == number, "text after the number is ignored",
              entry + typed);
    // Any typed entry reads as some number; UBSan watches the conversion.
    PortSettings::portNumberFromEntry(typed);
}

void checkSettings(const PortChoice& c)
{
    const QString settings = PortSettings::settingsString(c.baud, c.parityIndex, c.dataBits, c.stopBits);
    const auto line = PortSettings::parse(settings);
    check(bool(line) == honoured(c), "exactly the honourable settings are accepted", settings);
    if (!line)
        return;
    // (The parity of each list position: test_port_settings.)
    check(line->baudRate == c.baud.toInt() && line->dataBits == c.dataBits.toInt() &&
              line->stopBits == c.stopBits.toInt(),
          "the line settings are the chosen ones", settings);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    PortChoice choice;
    choice.parityIndex = input.ConsumeIntegralInRange<int>(-2, 6);
    const int number = input.ConsumeIntegral<int>();
    choice.portEntry = latin1(input.ConsumeRandomLengthString(24));
    choice.baud = latin1(input.ConsumeRandomLengthString(16));
    choice.dataBits = latin1(input.ConsumeRandomLengthString(4));
    choice.stopBits = latin1(input.ConsumeRandomLengthString(4));

    checkEntries(number, choice.portEntry);
    checkSettings(choice);
    return 0;
}
