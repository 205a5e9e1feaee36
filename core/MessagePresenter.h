#pragma once

#include <QString>

// A modal message box with one "OK" button. An empty title shows the program's title.
struct ModalMessage
{
    enum class Icon
    {
        None,
        Stop
    };
    QString text;
    QString title;
    Icon icon = Icon::None;
};

// Shows modal message boxes. The window's implementation blocks until the operator closes the box;
// tests record the boxes instead.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual void showMessage(const ModalMessage& message) = 0;
};
