#include "app/MainForm.h"

#include "app/FrmMessage.h"
#include "app/WindowResources.h"
#include "core/AboutText.h"
#include "ports/SerialPortService.h"
#include "ui_MainForm.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>

#include <algorithm>

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

void switchTimer(QTimer& timer, bool enabled)
{
    if (enabled && !timer.isActive())
        timer.start();
    else if (!enabled && timer.isActive())
        timer.stop();
}

// Text boxes break lines at LF; the texts keep CR LF (and the output text CR CR LF).
QString forDisplay(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// Where the text of a box that grows on top (log, monitors, output text) continues what it showed before:
// the smallest k with text = text.left(k) + shown.left(text.size() - k), that is new lines on top and the
// tail cut at a limit. text.size() when nothing of the shown text is left.
qsizetype newHeadLength(QStringView shown, QStringView text)
{
    constexpr qsizetype ProbeLength = 32;
    constexpr int MostCandidates = 16;
    const QStringView probe = shown.first(std::min(ProbeLength, shown.size()));
    if (probe.isEmpty())
        return text.size();
    qsizetype from = std::max<qsizetype>(0, text.size() - shown.size());
    for (int candidates = 0; candidates < MostCandidates; ++candidates) {
        const qsizetype k = text.indexOf(probe, from);
        if (k < 0 || text.size() - k < probe.size())
            break;
        if (text.sliced(k) == shown.first(text.size() - k))
            return k;
        from = k + 1;
    }
    return text.size();
}

// Brings a text box from showing `shown` to showing `text`. New lines on top and a cut tail are applied as
// two edits, so that a refresh costs what changed and not the whole text; anything else sets the text.
void showText(QPlainTextEdit* box, const QString& shown, const QString& text)
{
    QTextDocument* document = box->document();
    const qsizetype k = newHeadLength(shown, text);
    const QStringView kept = QStringView(text).sliced(k);
    const QStringView head = QStringView(text).first(k);
    // The box shows CR LF as one line break: the lengths on screen, and a head that must not end in a CR
    // whose LF is the kept part's first character. A box that does not hold the shown text is set anew.
    const auto shownLength = [](QStringView t) { return t.size() - t.count(QStringLiteral("\r\n")); };
    const qsizetype keptShown = shownLength(kept);
    const bool joinsLineEnd = head.endsWith(u'\r') && kept.startsWith(u'\n');
    if (kept.isEmpty() || joinsLineEnd || document->characterCount() - 1 != shownLength(shown)) {
        box->setPlainText(forDisplay(text));
        return;
    }
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.setPosition(int(keptShown));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setPosition(0);
    cursor.insertText(forDisplay(head.toString()));
    cursor.endEditBlock();
    // Like setting the text, a change shows the top, where the newest line is.
    box->verticalScrollBar()->setValue(0);
}

} // namespace

MainForm::MainForm(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
                   const MonotonicClock& monotonicClock, MessagePresenter& boxes, SleepInhibitor& sleep,
                   QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainForm>()), m_boxes(boxes, [this] { refreshViews(); }),
      m_engine(MSComm1, MSComm2, wallClock, monotonicClock, m_boxes, sleep), Timer2(wallClock),
      m_views([this] { syncTextBoxes(); }, monotonicClock)
{
    loadWindowResources();
    ui->setupUi(this);
    setFixedSize(sizeHint());
    applyFonts();
    // The window edits the long text boxes itself; an undo history would only grow with every refresh.
    for (QPlainTextEdit* box : {ui->Text1, ui->Text3, ui->Text5, ui->MessIn, ui->MessOut})
        box->document()->setUndoRedoEnabled(false);

    Timer1.setInterval(100);
    Timer1.setTimerType(Qt::PreciseTimer);
    // The label shows hundredths: a tick every 10 ms shows every value, and a faster one would only keep the
    // processor awake.
    Timer3.setInterval(10);
    Timer3.setTimerType(Qt::PreciseTimer);

    connectControls();
    Form_Load();
    ui->Text1->setFocus();
}

MainForm::~MainForm()
{
    delete m_info;
}

void MainForm::applyFonts()
{
    setPointSize(ui->Label8_0, 9.6, true);
    setPointSize(ui->Label8_1, 9.6, true);
    setPointSize(ui->TimerText, 9.6, false);
    setPointSize(ui->TimeOut, 13.8, true);
    // Yellow on black through the palette: a style sheet would make each repaint of the running time
    // several times dearer.
    QPalette timePalette = ui->TimeOut->palette();
    timePalette.setColor(QPalette::WindowText, QColor(255, 255, 0));
    timePalette.setColor(QPalette::Window, QColor(0, 0, 0));
    ui->TimeOut->setPalette(timePalette);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->DispZentel), static_cast<QWidget*>(ui->Start),
          static_cast<QWidget*>(ui->Lap), static_cast<QWidget*>(ui->Stop1), static_cast<QWidget*>(ui->Reset)})
        setPointSize(w, 7.8, true);
    for (QPlainTextEdit* monitor : {ui->MessIn, ui->MessOut}) {
        QFont courier(QStringLiteral("Courier"));
        courier.setStyleHint(QFont::TypeWriter);
        courier.setPointSizeF(9.6);
        monitor->setFont(courier);
        QPalette pal = monitor->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        monitor->setPalette(pal);
    }
}

void MainForm::connectControls()
{
    connect(ui->Ende, &QAction::triggered, this, &MainForm::Ende_Click);
    connect(ui->check_comPorts, &QAction::triggered, this, &MainForm::check_comPorts_Click);
    connect(ui->abbout, &QAction::triggered, this, &MainForm::abbout_Click);

    connect(ui->OpenInput, &QPushButton::clicked, this, &MainForm::OpenInput_Click);
    connect(ui->OpenOutput, &QPushButton::clicked, this, &MainForm::OpenOutput_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &MainForm::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &MainForm::Command2_Click);
    connect(ui->ClearIn, &QPushButton::clicked, this, &MainForm::ClearIn_Click);
    connect(ui->ClearOut, &QPushButton::clicked, this, &MainForm::ClearOut_Click);
    connect(&m_engine.MSComm1, &SerialPortService::onComm, this, &MainForm::MSComm1_OnComm);

    // A device that goes away while its port is open is reported, and so is its return.
    connect(&m_engine.MSComm1, &SerialPortService::connectionLost, this, [this] {
        m_engine.inputToggle.reportConnectionLost();
        afterHandler();
    });
    connect(&m_engine.MSComm1, &SerialPortService::reconnected, this, [this] {
        m_engine.inputToggle.reportReconnected();
        afterHandler();
    });
    connect(&m_engine.MSComm2, &SerialPortService::connectionLost, this, [this] {
        m_engine.outputToggle.reportConnectionLost();
        afterHandler();
    });
    connect(&m_engine.MSComm2, &SerialPortService::reconnected, this, [this] {
        m_engine.outputToggle.reportReconnected();
        afterHandler();
    });

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

    connect(ui->Start, &QPushButton::clicked, this, &MainForm::Start_Click);
    connect(ui->Stop1, &QPushButton::clicked, this, &MainForm::Stop1_Click);
    connect(ui->Reset, &QPushButton::clicked, this, &MainForm::Reset_Click);
    connect(ui->Lap, &QPushButton::clicked, this, &MainForm::Lap_Click);
    connect(ui->DispZentel, &QCheckBox::clicked, this, &MainForm::DispZentel_Click);
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
    applyLists();
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
    applyPortLists();
    afterHandler();
}

void MainForm::applyLists()
{
    const PortSettings::Lists& in = m_engine.inputLists();
    const PortSettings::Lists& out = m_engine.outputLists();
    const std::pair<QComboBox*, const PortSettings::List&> lists[] = {
        {ui->Combo2, in.baud},     {ui->Combo3, in.dataBits}, {ui->Combo4, in.parity},
        {ui->Combo5, in.stopBits}, {ui->Combo10, out.baud},   {ui->Combo9, out.dataBits},
        {ui->Combo8, out.parity},  {ui->Combo7, out.stopBits}};
    for (const auto& [box, list] : lists)
        fillList(box, list);
    applyPortLists();
}

void MainForm::applyPortLists()
{
    fillList(ui->Combo1, m_engine.inputLists().port);
    fillList(ui->Combo6, m_engine.outputLists().port);
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

PortChoice MainForm::inputChoice() const
{
    return {ui->Combo1->currentText(), ui->Combo2->currentText(), shownEntry(ui->Combo4),
            ui->Combo3->currentText(), ui->Combo5->currentText()};
}

PortChoice MainForm::outputChoice() const
{
    return {ui->Combo6->currentText(), ui->Combo10->currentText(), shownEntry(ui->Combo8),
            ui->Combo9->currentText(), ui->Combo7->currentText()};
}

void MainForm::OpenInput_Click()
{
    m_engine.inputToggle.toggle(inputChoice());
    afterHandler();
}

void MainForm::OpenOutput_Click()
{
    m_engine.outputToggle.toggle(outputChoice());
    afterHandler();
}

void MainForm::Command1_Click()
{
    m_engine.inputSend.send(ui->Text2->text());
    afterHandler();
}

void MainForm::Command2_Click()
{
    m_engine.outputSend.send(ui->Text6->text());
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

void MainForm::MSComm1_OnComm()
{
    m_engine.receive.MSComm1_OnComm();
    afterHandler();
}

void MainForm::in_out_Click()
{
    m_engine.modes.in_out_Click();
    afterHandler();
}

void MainForm::TagAlge_Click()
{
    m_engine.modes.TagAlge_Click();
    afterHandler();
}

void MainForm::AktTime_Click()
{
    m_engine.modes.AktTime_Click();
    afterHandler();
}

void MainForm::Stopen_Click()
{
    m_engine.modes.Stopen_Click();
    afterHandler();
}

void MainForm::Timer_Click()
{
    m_engine.modes.Timer_Click();
    afterHandler();
}

void MainForm::Start_Click()
{
    m_engine.watch.Start_Click();
    afterHandler();
}

void MainForm::Stop1_Click()
{
    m_engine.watch.Stop1_Click();
    afterHandler();
}

void MainForm::Reset_Click()
{
    m_engine.watch.Reset_Click();
    afterHandler();
}

void MainForm::Lap_Click()
{
    m_engine.watch.Lap_Click();
    afterHandler();
}

void MainForm::DispZentel_Click()
{
    m_engine.watch.DispZentel_Click(ui->DispZentel->isChecked());
    afterHandler();
}

void MainForm::TimerText_Change()
{
    m_engine.watch.TimerText_Change(ui->TimerText->text());
    afterHandler();
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
    const TextBoxes& texts = m_engine.form().texts;
    if (texts.Text1 != m_shown.Text1 || texts.Text3 != m_shown.Text3 || texts.Text5 != m_shown.Text5 ||
        texts.MessIn != m_shown.MessIn || texts.MessOut != m_shown.MessOut)
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
    m_syncing = true;

    switchTimer(Timer1, form.timers.Timer1);
    switchTimer(Timer3, form.timers.Timer3);
    if (form.timers.Timer2 && !Timer2.isActive())
        Timer2.start();
    else if (!form.timers.Timer2 && Timer2.isActive())
        Timer2.stop();

    const ModeLayout& layout = form.layout;
    ui->TimerText->setVisible(layout.TimerText);
    ui->TimeOut->setVisible(layout.TimeOut);
    ui->Start->setVisible(layout.Start);
    ui->Reset->setVisible(layout.Reset);
    ui->Stop1->setVisible(layout.Stop1);
    ui->DispZentel->setVisible(layout.DispZentel);
    ui->Lap->setVisible(layout.Lap);

    const std::pair<QRadioButton*, OperatingMode> modeButtons[] = {{ui->in_out, OperatingMode::in_out},
                                                                   {ui->TagAlge, OperatingMode::TagAlge},
                                                                   {ui->AktTime, OperatingMode::AktTime},
                                                                   {ui->Stopen, OperatingMode::Stopen},
                                                                   {ui->Timer, OperatingMode::Timer}};
    for (const auto& [button, mode] : modeButtons)
        if (form.mode == mode && !button->isChecked())
            button->setChecked(true);

    ui->OpenInput->setText(form.InPortOpen ? QStringLiteral("schliessen") : QStringLiteral("öffnen"));
    ui->Combo1->setEnabled(!form.InPortOpen);
    ui->OpenOutput->setText(form.OutPortOpen ? QStringLiteral("schliessen") : QStringLiteral("öffnen"));
    ui->Combo6->setEnabled(!form.OutPortOpen);

    if (ui->DispZentel->isChecked() != form.DispZentel)
        ui->DispZentel->setChecked(form.DispZentel);
    if (ui->DispZentel->font().bold() != form.DispZentel) {
        QFont font = ui->DispZentel->font();
        font.setBold(form.DispZentel);
        ui->DispZentel->setFont(font);
    }
    if (ui->TimeOut->text() != form.TimeOut)
        ui->TimeOut->setText(form.TimeOut);
    if (ui->TimerText->text() != form.TimerText)
        ui->TimerText->setText(form.TimerText);

    m_syncing = false;
}

void MainForm::syncTextBoxes()
{
    const TextBoxes& texts = m_engine.form().texts;
    m_syncing = true;
    const std::tuple<QPlainTextEdit*, const QString&, QString&> boxes[] = {
        {ui->Text1, texts.Text1, m_shown.Text1},
        {ui->Text3, texts.Text3, m_shown.Text3},
        {ui->Text5, texts.Text5, m_shown.Text5},
        {ui->MessIn, texts.MessIn, m_shown.MessIn},
        {ui->MessOut, texts.MessOut, m_shown.MessOut}};
    for (const auto& [box, text, shown] : boxes) {
        if (text != shown || text.isEmpty() != box->document()->isEmpty()) {
            showText(box, shown, text);
            shown = text;
        }
    }
    m_syncing = false;
}

void MainForm::takeEditedMonitor(QPlainTextEdit* box)
{
    if (m_syncing)
        return;
    // Lines received since the box was last drawn stay on top of what the operator edited.
    const int inOut = box == ui->MessIn ? 0 : 1;
    const QString& model = inOut == 0 ? m_engine.form().texts.MessIn : m_engine.form().texts.MessOut;
    QString& shown = inOut == 0 ? m_shown.MessIn : m_shown.MessOut;
    const QString arrived = model.left(newHeadLength(shown, model));
    shown = box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    m_engine.monitor.takeOperatorEdit(inOut, arrived + shown);
}
