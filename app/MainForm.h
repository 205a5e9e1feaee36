// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/FrmMessage.h"
#include "app/TextBoxViews.h"
#include "app/ViewRefresher.h"
#include "app/ViewsFirstPresenter.h"
#include "engine/Engine.h"
#include "modes/SecondAlignedTimer.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace Ui {
class MainForm;
}

class QPlainTextEdit;

// The main window. It owns the three periodic timers, shows the engine's state and hands every click, key,
// tick and serial event to the engine; the rules themselves live in the engine.
class MainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Runs the start-up (Form_Load) before returning; the window is not shown yet.
    MainForm(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
             const MonotonicClock& monotonicClock, MessagePresenter& boxes,
             SleepInhibitor& sleep = SleepInhibitor::none(), Journal* journal = nullptr,
             QWidget* parent = nullptr);
    ~MainForm() override;

    Engine& engine() { return m_engine; }
    // Brings every widget up to date with the engine at once (the long text boxes are otherwise refreshed a
    // few times a second).
    void refreshViews();
    // The information dialog while it is open.
    FrmMessage* infoDialog() const { return m_info; }
    void ShowInfoDialog(const QString& InfoText);

private slots:
    void Form_Load();
    void Ende_Click();
    void check_comPorts_Click();
    void abbout_Click();

    void OpenInput_Click();
    void OpenOutput_Click();
    void Command1_Click();
    void Command2_Click();
    void ClearIn_Click();
    void ClearOut_Click();
    void MSComm1_OnComm();

    void in_out_Click();
    void TagAlge_Click();
    void AktTime_Click();
    void Stopen_Click();
    void Timer_Click();

    void Start_Click();
    void Stop1_Click();
    void Reset_Click();
    void Lap_Click();
    void DispZentel_Click();
    void TimerText_Change();

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

private:
    void connectControls();
    // After every handler: timers, visibility, captions and the short texts now; the long texts soon.
    void afterHandler();
    void syncControls();
    void syncTextBoxes();
    void takeEditedMonitor(QPlainTextEdit* box);

    std::unique_ptr<Ui::MainForm> ui;
    ViewsFirstPresenter m_boxes;
    Engine m_engine;
    QTimer Timer1;
    SecondAlignedTimer Timer2;
    QTimer Timer3;
    ViewRefresher m_views;
    QPointer<FrmMessage> m_info;
    TextBoxViews m_texts;
    bool m_syncing = false; // the window itself is changing a widget
};
