// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecordedStream.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

// Replays a recording or a journal (RecordedStream) from a file, with its original timing counted from
// start(): the file is read as it plays, one chunk when the next entry is needed and only when the descriptor
// is readable, so any file (a FIFO without a writer, /dev/zero, gigabytes of lines) keeps memory bounded and
// the event loop free for signals. Entries due at the same moment go out in batches, so a file of entries all
// due at once does not hold the loop either.
class ReplayPlayer : public QObject
{
    Q_OBJECT
public:
    // Takes the descriptor (from open()) and closes it.
    ReplayPlayer(int fd, std::function<void(const QByteArray&)> send, QObject* parent = nullptr);
    ~ReplayPlayer() override;

    // Opens a file for replaying without blocking (also a FIFO without a writer); -1 with `error` in German.
    static int open(const QString& path, QString& error);
    void start();

signals:
    // Every entry was sent.
    void finished();
    // A bad line (its number in `error`) or a read failure; what came before it was sent.
    void failed(const QString& error);

private:
    void play();
    void readMore();

    int m_fd;
    std::function<void(const QByteArray&)> m_send;
    RecordedStream::Reader m_reader;
    RecordedStream::Entry m_entry;
    bool m_pending = false;
    QSocketNotifier m_readable;
    QTimer m_timer;
    QElapsedTimer m_clock;
};
