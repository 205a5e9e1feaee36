// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class MonotonicClock;
class WallClock;

// The race journal: one file per run in which every byte read from and written to the ports, every log line,
// mode and port event is recorded as it happens, one entry a line:
//   <ms since start> <HH:MM:SS.mmm local time> <channel> <data>
// Bytes are escaped as ByteEscapes::appendEscaped does, texts as ByteEscapes::escapeText does.
//
// The GUI thread only appends formatted entries to a buffer; the journal's own writer thread (the one thread
// Brelox starts for itself) writes them within 250 ms of the event and fdatasyncs the file at most once a
// second while entries come, and at the end. With nothing to write the writer sleeps without any timer. A
// fault (disk full, no rights, the file at its size limit) ends the journal: failed() is emitted once and
// nothing more is recorded; the program goes on without it.
class Journal : public QObject
{
    Q_OBJECT
public:
    enum class Channel
    {
        In,   // bytes read from the input port
        Out,  // bytes written to the output port's device
        Drop, // a line the output port dropped under overload
        ToIn, // bytes written to the input port
        Log,  // a message log line
        Mode, // the selected mode's caption
        Port, // "in COM 1 open 9600,N,8,1", "out COM 2 close", "... lost", "... back"
    };

    static constexpr qint64 FileLimit = qint64(1) << 30;     // a run's file stops growing here
    static constexpr qint64 FolderLimit = qint64(500) << 20; // older files are deleted above this
    static constexpr int KeptBefore = 3;                     // newest earlier files never deleted
    static constexpr int WriteWithinMsecs = 250;             // an entry reaches the kernel by then
    static constexpr int SyncEveryMsecs = 1000;              // at most one fdatasync per second
    static constexpr qint64 BacklogLimit = qint64(64) << 20; // bytes waiting for a stalled disk

    Journal(const MonotonicClock& monotonicClock, const WallClock& wallClock, QObject* parent = nullptr);
    // Writes what waits, syncs and closes the file.
    ~Journal() override;

    // The folder of the user's journals: $XDG_STATE_HOME/brelox/journal, by default
    // ~/.local/state/brelox/journal.
    static QString defaultFolder();

    // Starts a journal file in `folder` (made with mode 0700 if missing) named for the local start time,
    // "2027-01-15_09-30-12.journal" or, when that exists, "...-2.journal" and so on, mode 0600. The writer
    // thread then deletes the oldest *.journal files while the folder holds more than FolderLimit of them.
    // False when the file cannot be made: failure() tells why.
    bool open(const QString& folder, const QDateTime& started, const QString& programVersion);
    bool isRecording() const { return m_recording.load(std::memory_order_relaxed); }
    QString fileName() const { return m_fileName; }
    QString failure() const { return m_failure; }
    // For tests: the size at which the file stops growing.
    void setFileLimit(qint64 bytes) { m_fileLimit = bytes; }

    // Records an entry now (GUI thread). Bytes for In, Out, Drop and ToIn; texts for the others.
    void record(Channel channel, const QByteArray& bytes);
    void recordText(Channel channel, const QString& text);

    // Writes what waits, syncs and closes the file; records nothing afterwards.
    void close();

    // The reason, in German, for a failed file operation with the given errno.
    static QString reasonFor(int error);

signals:
    // The journal cannot be written (emitted once, from the writer thread); it records nothing more.
    void failed(const QString& reason);

private:
    void writerLoop(const QString& folder); // on the writer thread, with its own copy of the folder
    void deleteOldJournals(const QString& folder) const;
    // Writes the whole buffer; false (and the journal failed) on an error.
    bool writeOut(const QByteArray& text);
    void fail(const QString& reason);
    // "<ms since start> <HH:MM:SS.mmm> "
    static QByteArray timesText(qint64 msecs, int timeOfDayMsecs);

    const MonotonicClock& m_monotonic;
    const WallClock& m_wall;
    qint64 m_startMsecs = 0;
    qint64 m_lastMsecs = -1; // GUI thread: the time of the last entry, and both times as written then
    QByteArray m_times;
    QString m_fileName;
    QString m_failure;
    qint64 m_fileLimit = FileLimit;
    int m_fd = -1;
    qint64 m_fileSize = 0; // writer thread only
    std::atomic<bool> m_recording{false};
    std::thread m_writer;

    std::mutex m_mutex; // guards what follows
    std::condition_variable m_wake;
    QByteArray m_pendingText; // entries not yet taken by the writer, formatted
    bool m_writerWaiting = false;
    bool m_stopping = false;
};
