// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP end Brelox the way "Datei > Ende" does: the action is triggered on the GUI
// thread (the handler only writes a byte into a pipe that a QSocketNotifier watches), so both ports close
// through their buttons' paths, the window closes and the program exits with status 0 after the journal
// is synced and closed. Made as early as possible: a signal that comes before the action is set waits
// until the event loop runs. One instance at a time.
class EndOnSignals : public QObject
{
    Q_OBJECT
public:
    explicit EndOnSignals(QObject* parent = nullptr);
    ~EndOnSignals() override;

    // The "Datei > Ende" action that a signal triggers.
    void setAction(QAction* ende) { m_ende = ende; }

private:
    void arrived();

    QPointer<QAction> m_ende;
    QSocketNotifier* m_notifier = nullptr;
};
