#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/ (run from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

L0 = b"..L0\t 042\t00:01:23.45\r"
L1 = b"..L1\t  12\r"
R = b"..R.00042...00:01:23.45\r"
R_BAD = b"..R.00007...  : 1:23.45\r"
ALL_BYTES = bytes(range(256)).replace(b"\xff", b"\xff\xff")


def stream(header, *parts):
    return bytes([header]) + b"".join(parts)


def cmd(c):
    return b"\xff" + c.encode()


def turn(n):
    # A turn of the event loop in which the board takes up to 4n bytes.
    return b"\xffT" + bytes([n])


def repeat(n):
    # The byte before (unless a CR), n * n * n / 1024 times more.
    return b"\xff*" + bytes([n])


def numbered(first, count):
    return b"".join(b"%d\r" % i for i in range(first, first + count))


RECEIVE = {
    "tag-records": stream(1, L0, L1, R, L1, R_BAD),
    "tag-records-crlf": stream(1, (L0 + b"\n" + L1 + b"\n" + R + b"\n") * 3),
    "in-out-lines": stream(0, b"A\rB\rB\r" + b"x" * 25 + b"\rC"),
    "in-out-pieces": stream(16, b"12", cmd("|"), b"3\r45", cmd("|"), b"6\r"),
    "overlong-in-pieces": stream(40, b"y", repeat(232), cmd("|"), b"tail\r", L0),
    "overlong-in-one": stream(0, b"z", repeat(222), b"\r" + b"next\r"),
    "all-bytes": stream(1, ALL_BYTES + b"\r" + ALL_BYTES),
    "all-bytes-in-out": stream(8, ALL_BYTES + b"\r"),
    "modes-and-ports": stream(1, L0, cmd("3"), b"kept\rgone", cmd("1"), L1, cmd("O"), R, cmd("O"),
                              cmd("I"), b"lost\r", cmd("I"), L0, cmd("D"), R, cmd("0"), b"A\r"),
    "collecting-overflow": stream(3, b"q", repeat(225), b"\r", cmd("0"), b"ok\r"),
    "timer-and-stopwatch": stream(4, L0, b"held\r", cmd("3"), L1, cmd("4"), R, cmd("1"), L1, L0),
    "slow-board": stream(0, turn(0), numbered(0, 60), turn(5), turn(5), turn(0), numbered(200, 20),
                         turn(255), turn(255), turn(255), turn(255), numbered(300, 5), turn(3)),
    "vanishing-board": stream(1, turn(0), L0 * 2, L1, R, (L0 + L1) * 15, cmd("V"), R, turn(9), L0, cmd("R"), L1,
                              turn(255), cmd("V"), L0, cmd("O"), cmd("O"), cmd("R"), cmd("O"), L0, L1),
    "failing-board": stream(8, cmd("F"), numbered(0, 30), turn(20), cmd("F"), turn(20), numbered(40, 30),
                            cmd("O"), cmd("O"), numbered(80, 3), turn(255)),
}


def time_input(exact, value_or_hundredths, flags, text):
    # FuzzedDataProvider reads integers and the choice from the end, strings from the front.
    if exact:
        tail = struct.pack("<d", value_or_hundredths)
    else:
        tail = struct.pack(">I", value_or_hundredths)
    return text + bytes([flags]) + tail + bytes([0 if exact else 1])


TIME = {
    "minutes": time_input(False, 8345, 2, b"00:01:23.45"),
    "hours": time_input(False, 372340, 3, b"12:34:56.78"),
    "display-form": time_input(False, 550, 10, b"  : 1:23.45"),
    "short-hour": time_input(False, 0, 1, b"9:05:09"),
    "tie-to-even": time_input(True, 0.125, 0, b"00:00:00.00"),
    "hundred-hours": time_input(True, 360000.0, 0, b"00:01:00"),
}


def settings_input(parity, number, entry, baud, data, stop):
    # Strings are read from the front in the order entry, baud, data bits, stop bits; each ends with a
    # backslash that is no escape; the parity index and the number come from the end.
    parts = b"".join(s.replace(b"\\", b"\\\\") + b"\\x" for s in (entry, baud, data, stop))
    return parts + struct.pack(">i", number) + bytes([parity])


SETTINGS = {
    "com3": settings_input(4, 3, b"COM 3", b"9600", b"8", b"1"),
    "com1-open": settings_input(4, 1, b"COM 1", b"115200", b"7", b"2"),
    "no-port": settings_input(4, 0, "Kein Comport verfügbar".encode("latin-1"), b"9600", b"8", b"1"),
    "halves": settings_input(1, 12, b"COM 2.5", b"2400", b"4", b"1.5"),
    "huge": settings_input(0, -7, b"COM 99999999999999999999", b"99999999999", b"8", b"1"),
}

for target, seeds in (("fuzz_receive_stream", RECEIVE), ("fuzz_time_values", TIME),
                      ("fuzz_port_settings", SETTINGS)):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
