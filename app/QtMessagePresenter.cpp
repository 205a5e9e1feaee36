// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtMessagePresenter.h"

#include <QMessageBox>

void QtMessagePresenter::showMessage(const ModalMessage& message)
{
    const auto icon = message.icon == ModalMessage::Icon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon;
    const QString title = message.title.isEmpty() ? programTitle() : message.title;
    QMessageBox box(icon, title, message.text, QMessageBox::Ok, m_parent);
    box.exec();
}
