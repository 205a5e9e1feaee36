// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class FrmMessage;
}

// The information dialog: the cable from the PC to the GAZ4 board, and a text below it (the About text).
// Modeless, fixed frame; it deletes itself when closed.
class FrmMessage : public QDialog
{
    Q_OBJECT
public:
    explicit FrmMessage(QWidget* parent = nullptr);
    ~FrmMessage() override;

    void setMessage(const QString& text);
    QString message() const;

private slots:
    void btnClose_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::FrmMessage> ui;
};
