// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FrmMessage.h"

#include "app/WindowResources.h"

#include "ui_FrmMessage.h"

#include <QKeyEvent>

FrmMessage::FrmMessage(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::FrmMessage>())
{
    loadWindowResources();
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    QFont heading = ui->Label1->font();
    heading.setPointSizeF(9.6);
    ui->Label1->setFont(heading);
    // The close button is the only control that takes the focus; Enter and Space press it.
    ui->Label1->setFocusPolicy(Qt::NoFocus);
    ui->lblMessage->setFocusPolicy(Qt::NoFocus);
    ui->btnClose->setFocus();
    connect(ui->btnClose, &QPushButton::clicked, this, &FrmMessage::btnClose_Click);
}

FrmMessage::~FrmMessage() = default;

void FrmMessage::setMessage(const QString& text)
{
    // Line ends CR LF; the label breaks lines at LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ui->lblMessage->setText(shown);
}

QString FrmMessage::message() const
{
    return ui->lblMessage->text();
}

void FrmMessage::btnClose_Click()
{
    close();
}

void FrmMessage::keyPressEvent(QKeyEvent* event)
{
    // Escape does not close this dialog; only "Close" and the title bar's close command do.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
