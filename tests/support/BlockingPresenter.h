// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecordingPresenter.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

// Holds each message box open the way a modal box does: showMessage() records the box and spins a nested
// event loop. whileShown runs inside that loop once the box is open; the box closes when releaseWhen() holds
// afterwards (checked as the loop turns), or after `giveUpMs` as a safety net, which counts in `givenUp`.
class BlockingPresenter : public RecordingPresenter
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
            if (acted && deadline.hasExpired())
                ++givenUp;
            if (acted && (deadline.hasExpired() || !releaseWhen || releaseWhen()))
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

    std::function<bool()> releaseWhen;
    int giveUpMs = 10000;
    int givenUp = 0;
};
