// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"

#include <QPointer>
#include <QWidget>

// Shows modal message boxes with QMessageBox; blocks until the operator presses "OK".
class QtMessagePresenter : public MessagePresenter
{
public:
    static QString programTitle() { return QStringLiteral("Brelox"); }

    void setParentWidget(QWidget* parent) { m_parent = parent; }
    void showMessage(const ModalMessage& message) override;

private:
    QPointer<QWidget> m_parent;
};
