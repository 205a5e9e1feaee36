// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"

#include <QList>
#include <functional>

// Records every message box instead of showing it. whileShown runs as if events arrived while the box is
// open (a modal box spins a nested event loop).
class RecordingPresenter : public MessagePresenter
{
public:
    void showMessage(const ModalMessage& message) override
    {
        shown << message;
        if (whileShown) {
            auto nested = whileShown;
            nested();
        }
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
};
