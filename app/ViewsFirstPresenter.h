// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"

#include <functional>

// Hands message boxes on to the real presenter after the window has caught up with the engine, so that a
// box never hides a line or a state written before it appeared.
class ViewsFirstPresenter : public MessagePresenter
{
public:
    ViewsFirstPresenter(MessagePresenter& boxes, std::function<void()> catchUp)
        : m_boxes(boxes), m_catchUp(std::move(catchUp))
    {
    }
    void showMessage(const ModalMessage& message) override
    {
        m_catchUp();
        m_boxes.showMessage(message);
    }

private:
    MessagePresenter& m_boxes;
    std::function<void()> m_catchUp;
};
