#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

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
    QString linkPath() const { return m_linkPath; }

    // Reads from the far end until `count` bytes have arrived or `timeoutMs` has passed; returns what came.
    QByteArray readFar(int count, int timeoutMs);
    // Reads whatever arrives at the far end within `timeoutMs`.
    QByteArray drainFar(int timeoutMs);
    // Writes all bytes at the far end; false when that failed.
    bool writeFar(const QByteArray& bytes);
    // The line settings of the slave side, as the program has set them.
    bool slaveSettings(termios& tio) const;

    // Closes the far end: the device vanishes for whoever has it open.
    void closeFar();
    // Opens a new pair and points the same link at its slave: the device comes back under the same name.
    bool relink();

private:
    bool openPair();
    void closeAll();

    QString m_linkPath;
    QString m_slavePath;
    int m_master = -1;
    int m_slave = -1;
};
