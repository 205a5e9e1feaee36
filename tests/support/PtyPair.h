// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>

// A pseudo-terminal pair standing in for a serial device: the program opens the slave side through the link
// <portsFolder>/comN, the test works the far (master) side. Both ends start in raw mode.
class PtyPair
{
public:
    PtyPair(const QString& portsFolder, int number);
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Reads whatever arrives at the far end within `timeoutMs`.
    QByteArray drainFar(int timeoutMs);
    // Reads at the far end while the program's event loop runs, until `until` holds for what came or the
    // time is up; whatever follows at once is appended (so that a compare sees anything extra).
    QByteArray collect(const std::function<bool(const QByteArray&)>& until, int timeoutMs = 5000);
    QByteArray collect(qsizetype count, int timeoutMs = 5000)
    {
        return collect([count](const QByteArray& got) { return got.size() >= count; }, timeoutMs);
    }
    // Writes the bytes at the far end in one go; false when not all of them went in.
    bool writeFar(const QByteArray& bytes);
    // Offers the bytes at the far end while the program's event loop runs, as much as the pty takes at each
    // turn, until all went in, the time is up, or `stopWhenRefused` holds at a turn that took nothing.
    // Returns how many went in.
    qsizetype feedFar(const QByteArray& bytes, const std::function<bool()>& stopWhenRefused = {});
    // The output speed the program has set on the line (B9600, ...).
    unsigned speed() const;
    // The far end's file descriptor (non-blocking), for tests that poll it themselves.
    int farFd() const { return m_master; }

    // Closes the far end: the device vanishes for whoever has it open.
    void closeFar();
    // The device vanishes for good: the link points at a path that never exists, then the far end closes.
    // (A freed pseudo-terminal's name may be given to another process's new one at once.)
    bool vanish();
    // Opens a new pair and points the same link at its slave: the device comes back under the same name.
    bool relink();

    // What this process holds open below /dev, sorted (a device that went away shows as "<path> (deleted)").
    static QStringList openDevices();

private:
    bool pointLinkAt(const QByteArray& target) const;

    QByteArray m_link;
    QString m_slavePath;
    int m_master = -1;
    int m_slave = -1;
};
