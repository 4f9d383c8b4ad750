#include "keypad/frmPhone.h"

#include "dialer/TextNumbers.h"
#include "dialer/frmMiravoCall.h"
#include "keypad/KeypadTexts.h"
#include "modem/DialCommands.h"
#include "modem/ModemPort.h"
#include "ui/EventWait.h"
#include "ui/FixedWindow.h"
#include "ui/MessageService.h"
#include "ui/Picture.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

#include <array>

namespace miravo {
namespace {

// The designed window, in twips: the client area, then every control as left, top, width, height.
constexpr int ClientWidth = 3120;
constexpr int ClientHeight = 7680;

struct ControlDesign {
    const char* name;
    TwipsRect rect;
    const char* caption;
};

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

template <typename W>
W* place(const ControlDesign& design, W* widget)
{
    widget->setObjectName(QString::fromLatin1(design.name));
    widget->setGeometry(design.rect.toPixels());
    return widget;
}

QLabel* caption(QWidget* window, const ControlDesign& design, const QColor& colour)
{
    auto* label = place(design, new QLabel(QString::fromLatin1(design.caption), window));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QPushButton* button(QWidget* window, const ControlDesign& design)
{
    return place(design, new QPushButton(QString::fromLatin1(design.caption), window));
}

QComboBox* slot(QWidget* window, const ControlDesign& design, int element)
{
    auto* combo = place(design, new QComboBox(window));
    combo->setProperty(ElementProperty, element);
    combo->setEditable(true);
    // The slot's text is compared whole with the three names: a completer would change what was typed, and
    // Enter must not add the typed text to the list.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setEditText(QString::fromLatin1(design.caption));
    return combo;
}

} // namespace

frmPhone::frmPhone(frmMiravoCall* mainWindow, QWidget* parent)
    : QWidget(parent, FixedWindowFlags)
    , m_main(mainWindow)
    , m_MSComm1(std::make_unique<ModemPort>())
    , m_openGuard(std::make_unique<QObject>())
{
    setObjectName(QStringLiteral("frmPhone"));
    setWindowTitle(QStringLiteral("Phone"));
    buildControls();
    shapeFixedWindow(this, ClientWidth, ClientHeight);

    if (m_main)
        connect(m_main, &QObject::destroyed, this, &frmPhone::mainWindow_Destroyed);
    Form_Load();
}

frmPhone::~frmPhone() = default;

void frmPhone::buildControls()
{
    // Created first, so that every other control lies over it.
    auto* background = place(Image1, new QLabel(this));
    background->setPixmap(readPicture(QStringLiteral(":/keypad/images/keypad-background.jpg"), "jpeg"));
    background->setScaledContents(true);

    m_txtnumbers = place(txtnumbers, new QPlainTextEdit(this));
    m_Label1 = caption(this, Label1, CaptionYellow);
    m_txtnewport = place(txtnewport, new QLineEdit(this));
    caption(this, Label2, PaleYellow);
    m_txtPause = place(txtPause, new QLineEdit(this));
    m_txtPause->setToolTip(QStringLiteral("Enter time (seconds) to pause before starting sequence."));
    caption(this, Label3, CaptionYellow);
    m_Combo1 = slot(this, Combo1, 0);
    m_Combo2 = slot(this, Combo2, 1);
    m_Combo3 = slot(this, Combo3, 2);

    // Behind the keys, not around them: the keys are the window's own controls.
    place(Frame1, new QGroupBox(this));
    for (const KeyDesign& key : Keys) {
        QPushButton* keyButton = button(this, key.control);
        keyButton->setProperty(ElementProperty, key.element);
        connect(keyButton, &QPushButton::clicked, this, [this, element = key.element] { cmdKey_Click(element); });
    }

    m_cmdredial = button(this, cmdredial);
    m_cmdSend = button(this, cmdSend);
    button(this, Command4); // has no action
    m_clr = button(this, clr);
    m_cmdClose = button(this, cmdClose);
    m_cmdEnd = button(this, cmdEnd);

    m_Label1->installEventFilter(this);
    connect(m_cmdredial, &QPushButton::clicked, this, &frmPhone::cmdredial_Click);
    connect(m_cmdSend, &QPushButton::clicked, this, &frmPhone::cmdSend_Click);
    connect(m_clr, &QPushButton::clicked, this, &frmPhone::clr_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmPhone::cmdClose_Click);
    connect(m_cmdEnd, &QPushButton::clicked, this, &frmPhone::cmdEnd_Click);
}

void frmPhone::Form_Load()
{
    const QString portText = mainPortText();
    const auto portNumber = usablePortNumber(portText);
    // A text that names no port numbers the port 0, which no open accepts: END, SEND and REDIAL then report the
    // port settings instead of quietly dialing COM1, until the COM field names a port.
    m_MSComm1->setPortNumber(portNumber.value_or(0));
    m_txtPause->setText(QStringLiteral("10"));
    setDisplayText(freshDisplayText());
    m_txtnewport->setText(portText);
    for (QComboBox* combo : {m_Combo1, m_Combo2, m_Combo3}) {
        const QString designed = combo->currentText();
        combo->addItems(SlotEntries);
        // Adding to an empty editable list shows its first entry; each slot keeps its designed text.
        combo->setEditText(designed);
        // Show a text too long for the box from its start, as a person reads it.
        combo->lineEdit()->setCursorPosition(0);
    }

    if (!portNumber) {
        // Once the window is up, so that the user sees which window the message is about.
        QTimer::singleShot(0, this, [this] {
            if (!m_closed)
                showMessage(ComPortMessage);
        });
    }
}

QString frmPhone::displayText() const
{
    QString text = m_txtnumbers->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void frmPhone::setDisplayText(const QString& text)
{
    m_txtnumbers->setPlainText(text);
}

QString frmPhone::mainPortText() const
{
    return m_main ? m_main->portText() : QString();
}

MainDialFields frmPhone::mainFields() const
{
    if (!m_main)
        return {};
    return {m_main->accessNumber(), m_main->languageChoice(), m_main->accessCode(), m_main->destinationNumber()};
}

void frmPhone::cmdKey_Click(int element)
{
    QTextCursor end(m_txtnumbers->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(keypadCharacter(element)));
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
    if (m_MSComm1->open())
        return;
    const QPointer<frmPhone> self(this);
    showMessage(ComPortMessage);
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

void frmPhone::sendSequence(OnFailure onFailure)
{
    // Every wait and every message box may run other handlers: one of them may close this window (CLOSE, a
    // failing SEND or END, the main window closing). `self` tells whether the window still exists at all;
    // only then may its members be looked at.
    const QPointer<frmPhone> self(this);
    const auto stillOpen = [&] { return self && !self->m_closed && self->m_main; };
    // A failing step: the message, then SEND closes the window, REDIAL goes on with the next step.
    // Returns whether the operation goes on.
    const auto failed = [&] {
        showMessage(ComPortMessage);
        if (!stillOpen())
            return false;
        if (onFailure == OnFailure::CarryOn)
            return true;
        closeWindow();
        return false;
    };

    if (!stillOpen())
        return;
    setDisplayText(sendStartStatus(m_main->accessNumber()));

    // The COM field is compared with the main window's port text, not with the number in use.
    const QString newPort = m_txtnewport->text();
    if (newPort != m_main->portText()) {
        m_MSComm1->close();
        if (const auto number = toPortNumber(newPort))
            m_MSComm1->setPortNumber(*number);
        else if (!failed())
            return;
    }

    if (!m_MSComm1->isOpen()) {
        if (!m_MSComm1->open() && !failed())
            return;
        if (!m_MSComm1->write(accessNumberCommand(m_main->accessNumber())) && !failed())
            return;

        if (const auto pause = toPauseSeconds(m_txtPause->text())) {
            if (*pause > 0.0) {
                waitProcessingEvents(*pause, m_openGuard.get());
                if (!stillOpen())
                    return;
            }
        } else if (!failed()) {
            return; // a pause that is not a number is reported once; REDIAL goes on without waiting
        }

        m_MSComm1->close();
        if (!m_MSComm1->open() && !failed())
            return;
    }

    const MainDialFields fields = mainFields();
    const QString value1 = resolveSlot(m_Combo1->currentText(), fields);
    const QString value2 = resolveSlot(m_Combo2->currentText(), fields);
    const QString value3 = resolveSlot(m_Combo3->currentText(), fields);
    setDisplayText(sequenceStatus(fields.accessNumber, value1, value2, value3));
    if (!m_MSComm1->setLineSettings(DialLineSettings) && !failed())
        return;
    if (!m_MSComm1->write(toneCommand(value1, value2, value3)))
        failed();
}

void frmPhone::Label1_Click()
{
    if (m_closed || !m_main)
        return;
    // Both commands at once, without a pause and without closing between them. A failing port step ends the
    // quick dial with the one message of the window's port steps.
    const MainDialFields fields = mainFields();
    const auto report = [] { showMessage(ComPortMessage); };
    if (!m_MSComm1->isOpen()) {
        if (!m_MSComm1->open())
            return report();
        if (!m_MSComm1->write(accessNumberCommand(fields.accessNumber)))
            return report();
    }
    setDisplayText(quickDialStatus(fields));
    if (!m_MSComm1->setLineSettings(DialLineSettings))
        return report();
    if (!m_MSComm1->write(toneCommand(fields.language, fields.accessCode, fields.destination)))
        return report();
}

void frmPhone::mainWindow_Destroyed()
{
    // The main window announces its end before its controls go, but a QPointer clears only after them.
    m_main.clear();
    closeWindow();
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

bool frmPhone::eventFilter(QObject* watched, QEvent* event)
{
    // A label has no click of its own: a left-button release over "COM:" is its click.
    if (watched == m_Label1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_Label1->rect().contains(mouse->position().toPoint()))
            Label1_Click();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace miravo
