// SPDX-License-Identifier: GPL-3.0-or-later
#include "keypad/frmPhone.h"

#include "dialer/TextNumbers.h"
#include "keypad/DialFieldSource.h"
#include "keypad/KeypadTexts.h"
#include "modem/ModemPort.h"
#include "modem/TwoStageDial.h"
#include "ui/Announcer.h"
#include "ui/ClickableCaption.h"
#include "ui/DesignedControls.h"
#include "ui/EventWait.h"
#include "ui/FixedWindow.h"
#include "ui/FocusKeeping.h"
#include "ui/MessageService.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <array>

namespace miravo {
namespace {

// Why a COM field's text cannot be dialed, for the details of the port message.
QString noPortNumberDetail(const QString& portText)
{
    return QStringLiteral("\"%1\" names no port: the COM field takes a port number, 1 or more.").arg(portText);
}

// The designed window, in twips: the client area, then every control as left, top, width, height.
constexpr int ClientWidth = 3120;
constexpr int ClientHeight = 7680;

constexpr ControlDesign Image1{"Image1", {-30, -15, 3120, 7695}, ""};
constexpr ControlDesign txtnumbers{"txtnumbers", {330, 360, 2385, 1470}, ""};
constexpr ControlDesign Label1{"Label1", {375, 2085, 510, 240}, "COM:"};
constexpr ControlDesign txtnewport{"txtnewport", {960, 2070, 495, 285}, ""};
constexpr ControlDesign Label2{"Label2", {1560, 2085, 570, 240}, "Pause:"};
constexpr ControlDesign txtPause{"txtPause", {2235, 2070, 465, 285}, ""};
constexpr ControlDesign Label3{"Label3", {360, 2400, 960, 240}, "Sequence"};
constexpr ControlDesign Combo1{"Combo1", {375, 2700, 2280, 315}, "Language"};
constexpr ControlDesign Combo2{"Combo2", {375, 3045, 2280, 315}, "Access Code / PIN"};
constexpr ControlDesign Combo3{"Combo3", {375, 3405, 2280, 315}, "Long Distance Number"};
constexpr ControlDesign Frame1{"Frame1", {480, 3705, 2100, 2355}, ""};
constexpr ControlDesign cmdredial{"cmdredial", {690, 6120, 855, 300}, "REDIAL"};
constexpr ControlDesign cmdSend{"cmdSend", {1545, 6120, 855, 300}, "SEND"};
constexpr ControlDesign Command4{"Command4", {690, 6450, 855, 300}, ""};
constexpr ControlDesign clr{"clr", {1545, 6450, 855, 300}, "CLR "};
constexpr ControlDesign cmdClose{"cmdClose", {690, 6795, 855, 300}, "CLOSE"};
constexpr ControlDesign cmdEnd{"cmdEnd", {1545, 6795, 855, 300}, "END "};

// The keypad in telephone order: three columns, four rows (key 9 sits 15 twips lower than its row).
struct KeyDesign {
    ControlDesign control;
    int element;
};

constexpr int KeyWidth = 435;
constexpr int KeyHeight = 345;
constexpr std::array<KeyDesign, 12> Keys{{
    {{"cmd1", {750, 4065, KeyWidth, KeyHeight}, "1"}, 1},
    {{"cmd2", {1320, 4065, KeyWidth, KeyHeight}, "2"}, 2},
    {{"cmd3", {1890, 4065, KeyWidth, KeyHeight}, "3"}, 3},
    {{"cmd4", {750, 4530, KeyWidth, KeyHeight}, "4"}, 4},
    {{"cmd5", {1320, 4530, KeyWidth, KeyHeight}, "5"}, 5},
    {{"cmd6", {1890, 4530, KeyWidth, KeyHeight}, "6"}, 6},
    {{"cmd7", {750, 5010, KeyWidth, KeyHeight}, "7"}, 7},
    {{"cmd8", {1320, 5010, KeyWidth, KeyHeight}, "8"}, 8},
    {{"cmd9", {1890, 5025, KeyWidth, KeyHeight}, "9"}, 9},
    {{"cmd1star", {750, 5475, KeyWidth, KeyHeight}, "*"}, 10},
    {{"cmd1zero", {1320, 5475, KeyWidth, KeyHeight}, "0"}, 0},
    {{"cmdpound", {1890, 5475, KeyWidth, KeyHeight}, "#"}, 11},
}};

// The element number of a control group's member: the keys and the three slots carry theirs as this property.
constexpr const char* ElementProperty = "element";

const QColor CaptionYellow(255, 255, 0);
const QColor PaleYellow(255, 255, 170);

QLabel* coloured(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// A caption over the background picture; `field`, if given, is the field it names.
QLabel* caption(QWidget* window, const ControlDesign& design, const QColor& colour, QWidget* field = nullptr)
{
    return coloured(field ? placeCaption(window, design, field) : placeLabel(window, design), colour);
}

// A slot of the sequence, showing its designed text. Its text is compared whole with the three names.
QComboBox* slot(QWidget* window, const ControlDesign& design, int element)
{
    QComboBox* combo = placeEditableCombo(window, design);
    combo->setProperty(ElementProperty, element);
    // "Long Distance Number" is longer than the box is wide in the usual fonts, and any slot may be set to it: each
    // slot's font fits the longest entry, not only its own designed text.
    const QString longest = *std::max_element(SlotEntries.cbegin(), SlotEntries.cend(),
                                              [](const QString& a, const QString& b) { return a.size() < b.size(); });
    fitEditText(combo, longest);
    // A picked entry is shown from its start, as a person reads it (the box would otherwise show its end).
    QObject::connect(combo, &QComboBox::activated, combo, [combo] { combo->lineEdit()->setCursorPosition(0); });
    return combo;
}

} // namespace

frmPhone::frmPhone(const DialFieldSource& fields, QWidget* parent)
    : QWidget(parent, FixedWindowFlags)
    , m_fields(fields)
    , m_MSComm1(std::make_unique<ModemPort>())
    , m_openGuard(std::make_unique<QObject>())
{
    setObjectName(QStringLiteral("frmPhone"));
    setWindowTitle(QStringLiteral("Phone"));
    buildControls();
    shapeFixedWindow(this, ClientWidth, ClientHeight);

    Form_Load();
}

frmPhone::~frmPhone() = default;

void frmPhone::buildControls()
{
    // Created first, so that every other control lies over it.
    placePicture(this, Image1, QStringLiteral(":/keypad/images/keypad-background.jpg"), "jpeg",
                 tr("Keypad background"));

    m_txtnumbers = place(new QPlainTextEdit(this), txtnumbers);
    m_txtnewport = place(new QLineEdit(this), txtnewport);
    // "COM:" names the COM field and is the quick dial's command as well: a caption the keyboard can press.
    m_Label1 = place(new ClickableCaption(QString::fromLatin1(Label1.caption), tr("Quick dial"), this), Label1);
    m_Label1->setAccessibleDescription(tr("Dials the access number and the whole card sequence at once, "
                                          "without the pause"));
    // Named, not tied: a screen reader reads a field by the control that labels it, which here is a command.
    nameControl(m_txtnewport, spokenCaption(m_Label1->text()));
    fitCaption(m_Label1);
    coloured(m_Label1, CaptionYellow);
    m_txtPause = place(new QLineEdit(this), txtPause);
    m_txtPause->setToolTip(QStringLiteral("Enter time (seconds) to pause before starting sequence."));
    caption(this, Label2, PaleYellow, m_txtPause);
    caption(this, Label3, CaptionYellow);
    m_Combo1 = slot(this, Combo1, 0);
    m_Combo2 = slot(this, Combo2, 1);
    m_Combo3 = slot(this, Combo3, 2);

    // Behind the keys, not around them: the keys are the window's own controls.
    auto* keypadFrame = place(new QGroupBox(this), Frame1);
    QList<QWidget*> keys;
    for (const KeyDesign& key : Keys) {
        QPushButton* keyButton = placeButton(this, key.control);
        keyButton->setProperty(ElementProperty, key.element);
        connect(keyButton, &QPushButton::clicked, this, [this, element = key.element] { cmdKey_Click(element); });
        keys.append(keyButton);
    }

    m_cmdredial = placeButton(this, cmdredial);
    m_cmdSend = placeButton(this, cmdSend);
    QPushButton* const blank = placeButton(this, Command4); // has no action
    m_clr = placeButton(this, clr);
    m_cmdClose = placeButton(this, cmdClose);
    m_cmdEnd = placeButton(this, cmdEnd);

    // Keyboard and screen reader. Tab leaves the display box instead of being typed into it and walks the window
    // from top to bottom; the blank button does nothing, so it takes no focus.
    m_txtnumbers->setTabChangesFocus(true);
    nameControl(m_txtnumbers, tr("Display"));
    const QList<QComboBox*> sequenceSlots{m_Combo1, m_Combo2, m_Combo3};
    for (qsizetype i = 0; i < sequenceSlots.size(); ++i)
        nameControl(sequenceSlots[i], tr("Sequence %1").arg(i + 1));
    nameControl(keypadFrame, tr("Keypad"));
    blank->setFocusPolicy(Qt::NoFocus);
    nameControl(blank, tr("Blank button, no action"));
    chainTabOrder(QList<QWidget*>{m_txtnumbers, m_Label1, m_txtnewport, m_txtPause, m_Combo1, m_Combo2, m_Combo3} +
                  keys + QList<QWidget*>{m_cmdredial, m_cmdSend, m_clr, m_cmdClose, m_cmdEnd});

    m_announcer = new Announcer(this);
    pressButtonsOnEnter(this);
    keepFocusInWindow(this, m_txtnumbers);

    connect(m_Label1, &ClickableCaption::clicked, this, &frmPhone::Label1_Click);
    connect(m_cmdredial, &QPushButton::clicked, this, &frmPhone::cmdredial_Click);
    connect(m_cmdSend, &QPushButton::clicked, this, &frmPhone::cmdSend_Click);
    connect(m_clr, &QPushButton::clicked, this, &frmPhone::clr_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmPhone::cmdClose_Click);
    connect(m_cmdEnd, &QPushButton::clicked, this, &frmPhone::cmdEnd_Click);
}

void frmPhone::Form_Load()
{
    const QString portText = m_fields.portText();
    // A text that is no number numbers the port 0, which no open accepts: END, SEND and REDIAL then report the
    // port settings instead of quietly dialing COM1, until the COM field names a port.
    const int portNumber = toPortNumber(portText).value_or(0);
    m_MSComm1->setPortNumber(portNumber);
    m_txtPause->setText(QStringLiteral("10"));
    setDisplayText(freshDisplayText());
    m_txtnewport->setText(portText);
    for (QComboBox* combo : {m_Combo1, m_Combo2, m_Combo3}) {
        const QString designed = combo->currentText();
        combo->addItems(SlotEntries);
        // The empty entry shows nothing; a screen reader says what it is.
        combo->setItemData(combo->findText(QString()), tr("Empty, dials nothing"), Qt::AccessibleTextRole);
        // Adding to an empty editable list shows its first entry; each slot keeps its designed text.
        combo->setEditText(designed);
        // Show a text too long for the box from its start, as a person reads it.
        combo->lineEdit()->setCursorPosition(0);
    }

    if (portNumber < FirstPortNumber) {
        // Once the window is up, so that the user sees which window the message is about.
        QTimer::singleShot(0, this, [this, portText] {
            if (!m_closed)
                showMessage(ComPortMessage, MessageStyle::OkOnly, {}, noPortNumberDetail(portText));
        });
    }
}

void frmPhone::setDisplayText(const QString& text)
{
    m_txtnumbers->setPlainText(text);
}

void frmPhone::showStatus(const QString& text)
{
    setDisplayText(text);
    // The user's focus stays where it is (on SEND, say); the status is said as it appears.
    m_announcer->announce(m_txtnumbers->toPlainText());
}

void frmPhone::cmdKey_Click(int element)
{
    const QString character(keypadCharacter(element));
    QTextCursor end(m_txtnumbers->document());
    end.movePosition(QTextCursor::End);
    end.insertText(character);
    m_announcer->announce(character);
}

void frmPhone::clr_Click()
{
    m_txtnumbers->clear();
}

void frmPhone::cmdClose_Click()
{
    closeWindow();
}

void frmPhone::cmdEnd_Click()
{
    if (m_closed)
        return;
    if (m_MSComm1->isOpen()) {
        m_MSComm1->close();
        return;
    }
    const Outcome opened = m_MSComm1->open();
    if (opened.ok())
        return;
    const QPointer<frmPhone> self(this);
    showMessage(ComPortMessage, MessageStyle::OkOnly, {}, opened.reason());
    if (self)
        closeWindow();
}

void frmPhone::cmdSend_Click()
{
    sendSequence(OnFailure::CloseWindow);
}

void frmPhone::cmdredial_Click()
{
    sendSequence(OnFailure::CarryOn);
}

AfterFailure frmPhone::reportFailure(OnFailure onFailure, const QString& detail)
{
    // The message box may run other handlers: one of them may close this window (CLOSE, END, the main window
    // going). `self` tells whether the window still exists at all; only then may its members be looked at.
    const QPointer<frmPhone> self(this);
    showMessage(ComPortMessage, MessageStyle::OkOnly, {}, detail);
    if (!self || self->m_closed)
        return AfterFailure::Stop;
    if (onFailure == OnFailure::CarryOn)
        return AfterFailure::GoOn;
    closeWindow();
    return AfterFailure::Stop;
}

void frmPhone::sendSequence(OnFailure onFailure)
{
    // Every wait and every message box may run other handlers, which may close this window; see reportFailure.
    const QPointer<frmPhone> self(this);
    const auto stillOpen = [&] { return self && !self->m_closed; };
    if (!stillOpen())
        return;
    showStatus(sendStartStatus(m_fields.dialFields().accessNumber));

    // The COM field is compared with the main window's port text, not with the number in use.
    const QString newPort = m_txtnewport->text();
    if (newPort != m_fields.portText()) {
        m_MSComm1->close();
        if (const auto number = toPortNumber(newPort))
            m_MSComm1->setPortNumber(*number);
        else if (reportFailure(onFailure, noPortNumberDetail(newPort)) == AfterFailure::Stop)
            return;
    }

    DialPlan plan;
    plan.accessNumber = [this] { return m_fields.dialFields().accessNumber; };
    plan.waitForUser = [&] {
        // The user picks up the handset while the pause runs; a pause that is not a number is reported once, and
        // REDIAL goes on without waiting.
        const auto pause = toPauseSeconds(m_txtPause->text());
        if (!pause) {
            const QString detail = QStringLiteral("The pause \"%1\" is no number of seconds.").arg(m_txtPause->text());
            return reportFailure(onFailure, detail) == AfterFailure::Stop ? AfterWait::Abandon : AfterWait::Tones;
        }
        if (*pause > 0.0) {
            waitProcessingEvents(*pause, m_openGuard.get());
            if (!stillOpen())
                return AfterWait::Abandon;
        }
        return AfterWait::Tones;
    };
    plan.toneValues = [this] {
        const MainDialFields fields = m_fields.dialFields();
        const ToneValues values{resolveSlot(m_Combo1->currentText(), fields),
                                resolveSlot(m_Combo2->currentText(), fields),
                                resolveSlot(m_Combo3->currentText(), fields)};
        showStatus(sequenceStatus(fields.accessNumber, values.value1, values.value2, values.value3));
        return values;
    };
    plan.onFailure = [&](DialStep, const Failure& failure) { return reportFailure(onFailure, failure.reason); };
    dialInTwoStages(*m_MSComm1, plan);
}

void frmPhone::Label1_Click()
{
    if (m_closed)
        return;
    // Both commands at once, without a pause and without closing between them. A failing port step ends the
    // quick dial with the one message of the window's port steps.
    const MainDialFields fields = m_fields.dialFields();
    DialPlan plan;
    plan.accessNumber = [&] { return fields.accessNumber; };
    plan.toneValues = [&] {
        showStatus(quickDialStatus(fields));
        return ToneValues{fields.language, fields.accessCode, fields.destination};
    };
    plan.onFailure = [](DialStep, const Failure& failure) {
        showMessage(ComPortMessage, MessageStyle::OkOnly, {}, failure.reason);
        return AfterFailure::Stop;
    };
    dialInTwoStages(*m_MSComm1, plan);
}

void frmPhone::closeWindow()
{
    markClosed();
    close();
}

void frmPhone::markClosed()
{
    if (m_closed)
        return;
    m_closed = true;
    m_openGuard.reset();
    // The port is released now, not when the deferred deletion of the window comes round.
    m_MSComm1->close();
}

void frmPhone::closeEvent(QCloseEvent* event)
{
    // The title bar's close button comes here directly.
    markClosed();
    event->accept();
}

} // namespace miravo
