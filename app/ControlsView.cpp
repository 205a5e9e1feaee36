// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ControlsView.h"

#include "ui_MainForm.h"

namespace ControlsView {

namespace {

void fillList(QComboBox* box, const PortSettings::List& list)
{
    box->clear();
    box->addItems(list.entries);
    box->setCurrentIndex(list.selected);
}

// The position of the entry the list shows, -1 when its text is typed and matches no entry.
int shownEntry(const QComboBox* box)
{
    return box->findText(box->currentText(), Qt::MatchExactly);
}

void setPointSize(QWidget* widget, qreal points, bool bold)
{
    QFont font = widget->font();
    font.setPointSizeF(points);
    font.setBold(bold);
    widget->setFont(font);
}

} // namespace

void applyFonts(Ui::MainForm& ui)
{
    setPointSize(ui.Label8_0, 9.6, true);
    setPointSize(ui.Label8_1, 9.6, true);
    setPointSize(ui.TimerText, 9.6, false);
    setPointSize(ui.TimeOut, 13.8, true);
    // Yellow on black through the palette: a style sheet would make each repaint of the running time
    // several times dearer.
    QPalette timePalette = ui.TimeOut->palette();
    timePalette.setColor(QPalette::WindowText, QColor(255, 255, 0));
    timePalette.setColor(QPalette::Window, QColor(0, 0, 0));
    ui.TimeOut->setPalette(timePalette);
    for (QWidget* w :
         {static_cast<QWidget*>(ui.DispZentel), static_cast<QWidget*>(ui.Start),
          static_cast<QWidget*>(ui.Lap), static_cast<QWidget*>(ui.Stop1), static_cast<QWidget*>(ui.Reset)})
        setPointSize(w, 7.8, true);
    for (QPlainTextEdit* monitor : {ui.MessIn, ui.MessOut}) {
        QFont courier(QStringLiteral("Courier"));
        courier.setStyleHint(QFont::TypeWriter);
        courier.setPointSizeF(9.6);
        monitor->setFont(courier);
        QPalette pal = monitor->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        monitor->setPalette(pal);
    }
}

void fillLists(Ui::MainForm& ui, const PortSettings::Lists& input, const PortSettings::Lists& output)
{
    const std::pair<QComboBox*, const PortSettings::List&> lists[] = {
        {ui.Combo2, input.baud},     {ui.Combo3, input.dataBits}, {ui.Combo4, input.parity},
        {ui.Combo5, input.stopBits}, {ui.Combo10, output.baud},   {ui.Combo9, output.dataBits},
        {ui.Combo8, output.parity},  {ui.Combo7, output.stopBits}};
    for (const auto& [box, list] : lists)
        fillList(box, list);
    fillPortLists(ui, input, output);
}

void fillPortLists(Ui::MainForm& ui, const PortSettings::Lists& input, const PortSettings::Lists& output)
{
    fillList(ui.Combo1, input.port);
    fillList(ui.Combo6, output.port);
}

void show(Ui::MainForm& ui, const FormModel& form)
{
    const ModeLayout& layout = form.layout;
    ui.TimerText->setVisible(layout.TimerText);
    ui.TimeOut->setVisible(layout.TimeOut);
    ui.Start->setVisible(layout.Start);
    ui.Reset->setVisible(layout.Reset);
    ui.Stop1->setVisible(layout.Stop1);
    ui.DispZentel->setVisible(layout.DispZentel);
    ui.Lap->setVisible(layout.Lap);

    const std::pair<QRadioButton*, OperatingMode> modeButtons[] = {{ui.in_out, OperatingMode::in_out},
                                                                   {ui.TagAlge, OperatingMode::TagAlge},
                                                                   {ui.AktTime, OperatingMode::AktTime},
                                                                   {ui.Stopen, OperatingMode::Stopen},
                                                                   {ui.Timer, OperatingMode::Timer}};
    for (const auto& [button, mode] : modeButtons)
        if (form.mode == mode && !button->isChecked())
            button->setChecked(true);

    ui.OpenInput->setText(form.InPortOpen ? QStringLiteral("schliessen") : QStringLiteral("öffnen"));
    ui.Combo1->setEnabled(!form.InPortOpen);
    ui.OpenOutput->setText(form.OutPortOpen ? QStringLiteral("schliessen") : QStringLiteral("öffnen"));
    ui.Combo6->setEnabled(!form.OutPortOpen);

    if (ui.DispZentel->isChecked() != form.DispZentel)
        ui.DispZentel->setChecked(form.DispZentel);
    if (ui.DispZentel->font().bold() != form.DispZentel) {
        QFont font = ui.DispZentel->font();
        font.setBold(form.DispZentel);
        ui.DispZentel->setFont(font);
    }
    if (ui.TimeOut->text() != form.TimeOut)
        ui.TimeOut->setText(form.TimeOut);
    if (ui.TimerText->text() != form.TimerText)
        ui.TimerText->setText(form.TimerText);
}

PortChoice inputChoice(const Ui::MainForm& ui)
{
    return {ui.Combo1->currentText(), ui.Combo2->currentText(), shownEntry(ui.Combo4),
            ui.Combo3->currentText(), ui.Combo5->currentText()};
}

PortChoice outputChoice(const Ui::MainForm& ui)
{
    return {ui.Combo6->currentText(), ui.Combo10->currentText(), shownEntry(ui.Combo8),
            ui.Combo9->currentText(), ui.Combo7->currentText()};
}

} // namespace ControlsView
