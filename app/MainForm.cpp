// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainForm.h"

#include "app/ControlsView.h"
#include "app/FrmMessage.h"
#include "app/WindowResources.h"
#include "core/AboutText.h"
#include "ports/SerialPortService.h"
#include "ui_MainForm.h"

#include <QLineEdit>
#include <QScopedValueRollback>

namespace {

template <typename Timer> void switchTimer(Timer& timer, bool enabled)
{
    if (enabled && !timer.isActive())
        timer.start();
    else if (!enabled && timer.isActive())
        timer.stop();
}

// The widgets of the layout file, made before any member that holds one of them.
std::unique_ptr<Ui::MainForm> setUpLayout(QMainWindow* window)
{
    loadWindowResources();
    auto ui = std::make_unique<Ui::MainForm>();
    ui->setupUi(window);
    return ui;
}

} // namespace

MainForm::MainForm(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
                   const MonotonicClock& monotonicClock, MessagePresenter& boxes, SleepInhibitor& sleep,
                   Journal* journal, QWidget* parent)
    : QMainWindow(parent), ui(setUpLayout(this)), m_boxes(boxes, [this] { refreshViews(); }),
      m_engine(MSComm1, MSComm2, wallClock, monotonicClock, m_boxes, sleep, journal), Timer2(wallClock),
      m_views([this] { syncTextBoxes(); }, monotonicClock),
      m_texts(ui->Text1, ui->Text3, ui->Text5, ui->MessIn, ui->MessOut)
{
    setFixedSize(sizeHint());
    ControlsView::applyFonts(*ui);

    Timer1.setInterval(100);
    Timer1.setTimerType(Qt::PreciseTimer);
    // The label shows hundredths: a tick every 10 ms shows every value, and a faster one would only keep the
    // processor awake.
    Timer3.setInterval(10);
    Timer3.setTimerType(Qt::PreciseTimer);

    connectControls();
    m_engine.sleepGuard.onGranted([this] { afterHandler(); });
    Form_Load();
    ui->Text1->setFocus();
}

MainForm::~MainForm()
{
    delete m_info;
}

void MainForm::connectControls()
{
    connect(ui->Ende, &QAction::triggered, this, &MainForm::Ende_Click);
    connect(ui->check_comPorts, &QAction::triggered, this, &MainForm::check_comPorts_Click);
    connect(ui->abbout, &QAction::triggered, this, &MainForm::abbout_Click);

    const std::pair<QAbstractButton*, void (MainForm::*)()> clicks[] = {
        {ui->OpenInput, &MainForm::OpenInput_Click},  {ui->OpenOutput, &MainForm::OpenOutput_Click},
        {ui->Command1, &MainForm::Command1_Click},    {ui->Command2, &MainForm::Command2_Click},
        {ui->ClearIn, &MainForm::ClearIn_Click},      {ui->ClearOut, &MainForm::ClearOut_Click},
        {ui->Start, &MainForm::Start_Click},          {ui->Stop1, &MainForm::Stop1_Click},
        {ui->Reset, &MainForm::Reset_Click},          {ui->Lap, &MainForm::Lap_Click},
        {ui->DispZentel, &MainForm::DispZentel_Click}};
    for (const auto& [button, handler] : clicks)
        connect(button, &QAbstractButton::clicked, this, handler);
    connect(&m_engine.MSComm1, &SerialPortService::onComm, this, &MainForm::MSComm1_OnComm);

    // A device that goes away while its port is open is reported, and so is its return.
    for (const auto& [port, toggle] : {std::pair{&m_engine.MSComm1, &m_engine.inputToggle},
                                       std::pair{&m_engine.MSComm2, &m_engine.outputToggle}}) {
        connect(port, &SerialPortService::connectionLost, this, [this, toggle = toggle] {
            toggle->reportConnectionLost();
            afterHandler();
        });
        connect(port, &SerialPortService::reconnected, this, [this, toggle = toggle] {
            toggle->reportReconnected();
            afterHandler();
        });
    }

    // A mode button runs its selection when it becomes set, by a click or by the program.
    const auto onSet = [this](QRadioButton* button, void (MainForm::*selection)()) {
        connect(button, &QRadioButton::toggled, this, [this, selection](bool set) {
            if (set && !m_syncing)
                (this->*selection)();
        });
    };
    onSet(ui->in_out, &MainForm::in_out_Click);
    onSet(ui->TagAlge, &MainForm::TagAlge_Click);
    onSet(ui->AktTime, &MainForm::AktTime_Click);
    onSet(ui->Stopen, &MainForm::Stopen_Click);
    onSet(ui->Timer, &MainForm::Timer_Click);
    connect(ui->TimerText, &QLineEdit::textChanged, this, [this] {
        if (!m_syncing)
            TimerText_Change();
    });

    connect(&Timer1, &QTimer::timeout, this, &MainForm::Timer1_Timer);
    connect(&Timer2, &SecondAlignedTimer::timeout, this, &MainForm::Timer2_Timer);
    connect(&Timer3, &QTimer::timeout, this, &MainForm::Timer3_Timer);

    // A chosen entry shows from its beginning: in a narrow list a long entry such as "Kein Comport
    // verfügbar" would otherwise show only its end.
    for (QComboBox* box : {ui->Combo1, ui->Combo2, ui->Combo3, ui->Combo4, ui->Combo5, ui->Combo6, ui->Combo7,
                           ui->Combo8, ui->Combo9, ui->Combo10})
        connect(box, &QComboBox::currentIndexChanged, box, [box] { box->lineEdit()->setCursorPosition(0); });

    // The operator may type into the monitors; what they show then is what the next line goes on top of.
    connect(ui->MessIn, &QPlainTextEdit::textChanged, this, [this] { takeEditedMonitor(ui->MessIn); });
    connect(ui->MessOut, &QPlainTextEdit::textChanged, this, [this] { takeEditedMonitor(ui->MessOut); });
}

void MainForm::Form_Load()
{
    m_engine.Form_Load();
    ControlsView::fillLists(*ui, m_engine.inputLists(), m_engine.outputLists());
    refreshViews();
}

void MainForm::Ende_Click()
{
    m_engine.Ende_Click();
    refreshViews();
    close();
}

void MainForm::check_comPorts_Click()
{
    m_engine.check_comPorts_Click();
    ControlsView::fillPortLists(*ui, m_engine.inputLists(), m_engine.outputLists());
    afterHandler();
}

void MainForm::abbout_Click()
{
    ShowInfoDialog(AboutText::current());
}

void MainForm::ShowInfoDialog(const QString& InfoText)
{
    if (!m_info)
        m_info = new FrmMessage(nullptr);
    m_info->setMessage(InfoText);
    m_info->show();
    m_info->raise();
    m_info->activateWindow();
}

// Each of these only forwards to the engine and then shows the outcome: one line each.
using ControlsView::inputChoice;
using ControlsView::outputChoice;
// clang-format off
void MainForm::OpenInput_Click() { m_engine.inputToggle.toggle(inputChoice(*ui)); afterHandler(); }
void MainForm::OpenOutput_Click() { m_engine.outputToggle.toggle(outputChoice(*ui)); afterHandler(); }
void MainForm::Command1_Click() { m_engine.inputSend.send(ui->Text2->text()); afterHandler(); }
void MainForm::Command2_Click() { m_engine.outputSend.send(ui->Text6->text()); afterHandler(); }
void MainForm::MSComm1_OnComm() { m_engine.receive.MSComm1_OnComm(); afterHandler(); }
void MainForm::in_out_Click() { m_engine.modes.in_out_Click(); afterHandler(); }
void MainForm::TagAlge_Click() { m_engine.modes.TagAlge_Click(); afterHandler(); }
void MainForm::AktTime_Click() { m_engine.modes.AktTime_Click(); afterHandler(); }
void MainForm::Stopen_Click() { m_engine.modes.Stopen_Click(); afterHandler(); }
void MainForm::Timer_Click() { m_engine.modes.Timer_Click(); afterHandler(); }
void MainForm::Start_Click() { m_engine.watch.Start_Click(); afterHandler(); }
void MainForm::Stop1_Click() { m_engine.watch.Stop1_Click(); afterHandler(); }
void MainForm::Reset_Click() { m_engine.watch.Reset_Click(); afterHandler(); }
void MainForm::Lap_Click() { m_engine.watch.Lap_Click(); afterHandler(); }
void MainForm::TimerText_Change() { m_engine.watch.TimerText_Change(ui->TimerText->text()); afterHandler(); }
// clang-format on

void MainForm::DispZentel_Click()
{
    m_engine.watch.DispZentel_Click(ui->DispZentel->isChecked());
    afterHandler();
}

void MainForm::ClearIn_Click()
{
    m_engine.monitor.ClearIn_Click();
    // At once, so that what the operator types next goes into the emptied box.
    refreshViews();
}

void MainForm::ClearOut_Click()
{
    m_engine.monitor.ClearOut_Click();
    // At once, so that what the operator types next goes into the emptied box.
    refreshViews();
}

void MainForm::Timer1_Timer()
{
    // A handler may have switched the timer off while a message box holds it; the timer itself only
    // follows once that handler has ended.
    if (!m_engine.form().timers.Timer1)
        return;
    m_engine.watch.Timer1_Timer();
    afterHandler();
}

void MainForm::Timer2_Timer()
{
    // See Timer1_Timer.
    if (!m_engine.form().timers.Timer2)
        return;
    m_engine.timeOfDay.Timer2_Timer();
    afterHandler();
}

void MainForm::Timer3_Timer()
{
    // See Timer1_Timer.
    if (!m_engine.form().timers.Timer3)
        return;
    m_engine.watch.Timer3_Timer();
    // The tick changes the time label and nothing else, so it touches nothing else of the window.
    if (ui->TimeOut->text() != m_engine.form().TimeOut)
        ui->TimeOut->setText(m_engine.form().TimeOut);
}

void MainForm::afterHandler()
{
    m_engine.sleepGuard.update();
    syncControls();
    // A refresh is asked for only when a long text changed, so that a tick that changed none costs no
    // further wakeup.
    if (m_texts.behind(m_engine.form().texts))
        m_views.request();
}

void MainForm::refreshViews()
{
    syncControls();
    m_views.flush();
}

void MainForm::syncControls()
{
    const FormModel& form = m_engine.form();
    const QScopedValueRollback<bool> syncing(m_syncing, true);

    switchTimer(Timer1, form.timers.Timer1);
    switchTimer(Timer2, form.timers.Timer2);
    switchTimer(Timer3, form.timers.Timer3);

    ControlsView::show(*ui, form);
}

void MainForm::syncTextBoxes()
{
    const QScopedValueRollback<bool> syncing(m_syncing, true);
    m_texts.show(m_engine.form().texts);
}

void MainForm::takeEditedMonitor(QPlainTextEdit* box)
{
    if (m_syncing)
        return;
    const int inOut = box == ui->MessIn ? 0 : 1;
    const TextBoxes& texts = m_engine.form().texts;
    m_engine.monitor.takeOperatorEdit(inOut,
                                      m_texts.operatorEdit(box, inOut == 0 ? texts.MessIn : texts.MessOut));
}
