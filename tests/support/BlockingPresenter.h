#pragma once

#include "core/MessagePresenter.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QList>
#include <QTimer>
#include <functional>

// Holds each message box open the way a modal box does: showMessage() spins a nested event loop. whileShown
// runs inside that loop once the box is open, for the test to act while it is open; the box closes when
// releaseWhen() holds afterwards (checked as the loop turns), or after `giveUpMs` as a safety net, which
// counts in `givenUp`.
class BlockingPresenter : public MessagePresenter
{
public:
    void showMessage(const ModalMessage& message) override
    {
        shown << message;
        QEventLoop loop;
        QTimer check;
        bool acted = !whileShown;
        const QDeadlineTimer deadline(giveUpMs);
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (!acted)
                return;
            if (deadline.hasExpired())
                ++givenUp;
            if (deadline.hasExpired() || !releaseWhen || releaseWhen())
                loop.quit();
        });
        if (whileShown) {
            QTimer::singleShot(0, &loop, [&, action = whileShown] {
                action();
                acted = true;
            });
        }
        check.start(1);
        loop.exec();
    }

    QStringList texts() const
    {
        QStringList t;
        for (const auto& m : shown)
            t << m.text;
        return t;
    }

    QList<ModalMessage> shown;
    std::function<void()> whileShown;
    std::function<bool()> releaseWhen;
    int giveUpMs = 10000;
    int givenUp = 0;
};
