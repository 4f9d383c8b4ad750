// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialer/frmMiravoCall.h"

#include "browser/BrowserLoader.h"
#include "browser/PageFetch.h"
#include "browser/ProductPage.h"
#include "data/PhoneCardDatabase.h"
#include "dialer/StartupNotice.h"
#include "dialer/TextNumbers.h"
#include "editors/frmClients.h"
#include "editors/frmVendors.h"
#include "keypad/frmPhone.h"
#include "modem/ModemPort.h"
#include "modem/TwoStageDial.h"
#include "ui/DesignedControls.h"
#include "ui/FixedWindow.h"
#include "ui/FocusKeeping.h"
#include "ui/MessageService.h"
#include "ui/WindowRegistry.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace miravo {
namespace {

// The designed window, in twips.
constexpr int ClientWidth = 8085;
constexpr int ClientHeight = 4440;

// The window's fonts besides the dialog font it was designed with.
constexpr FontDesign BoldFont{"MS Sans Serif", 8.25, true};
constexpr FontDesign TitleFont{"Arial", 24};
constexpr FontDesign ComPortFont{"MS Sans Serif", 9.75};

// Left, top, width, height in twips, as designed. Controls without a font of their own inherit the window's, the
// dialog font: setting it on them anyway would cost at start (a combo box builds its drop-down list as soon as its
// font is set).
constexpr ControlDesign Label7{"Label7", {195, 75, 5190, 495}, "MIRAVO DIALER 1.0", &TitleFont};
constexpr ControlDesign Label5{"Label5", {210, 855, 2010, 300}, "Select Card Company"};
constexpr ControlDesign Combo1{"Combo1", {2340, 825, 3435, 315}, "", &BoldFont};
constexpr ControlDesign Label1{"Label1", {210, 1260, 1995, 255}, "Enter Miravo Number!"};
constexpr ControlDesign txtDial_Num1{"txtDial_Num1", {2340, 1215, 3405, 315}, "", &BoldFont};
constexpr ControlDesign Label2{"Label2", {210, 1620, 2100, 375}, "Language English or French"};
constexpr ControlDesign txtDial_Num2{"txtDial_Num2", {2340, 1590, 1350, 315}, "", &BoldFont};
constexpr ControlDesign Label9{"Label9", {3945, 1650, 1050, 270}, "Com Port", &ComPortFont};
constexpr ControlDesign txtPort{"txtPort", {5010, 1605, 690, 315}, "", &BoldFont};
constexpr ControlDesign Label3{"Label3", {210, 1950, 2055, 300}, "Enter Access PIN Number!"};
constexpr ControlDesign txtDial_Num3{"txtDial_Num3", {2310, 1965, 2805, 315}, "", &BoldFont};
constexpr ControlDesign Label6{"Label6", {210, 2400, 2010, 285}, "Select Clent or Friend"};
constexpr ControlDesign Combo2{"Combo2", {2340, 2355, 3180, 315}, ""};
constexpr ControlDesign Label4{"Label4", {210, 2760, 1860, 300}, "Select telephone number."};
constexpr ControlDesign txtDial_Num4{"txtDial_Num4", {2340, 2775, 3180, 315}, ""};
constexpr ControlDesign cmdDial{"cmdDial", {270, 3570, 1500, 330}, "Dial", &BoldFont};
constexpr ControlDesign cmdConnect{"cmdConnect", {1815, 3570, 1500, 330}, "Connect", &BoldFont};
constexpr ControlDesign Command1{"Command1", {3375, 3570, 1500, 330}, "Products", &BoldFont};
constexpr ControlDesign cmdPhonebook{"cmdPhonebook", {270, 4005, 1500, 330}, "Phonebook", &BoldFont};
constexpr ControlDesign cmdDisconnect{"cmdDisconnect", {1815, 4005, 1500, 330}, "Disconnect", &BoldFont};
constexpr ControlDesign cmdClose{"cmdClose", {3375, 4005, 1500, 330}, "Close", &BoldFont};
constexpr ControlDesign Image2{"Image2", {6360, 90, 1410, 1095}, ""};
constexpr ControlDesign Image1{"Image1", {6360, 1200, 1455, 2325}, ""};

// Appends entries to an editable list, keeping the text the user may have typed. Appending to an empty list makes
// its first entry current; no entry is current afterwards, so that Down picks the first entry, as in any drop-down
// list.
void appendKeepingText(QComboBox* list, const QStringList& entries)
{
    const QString typed = list->currentText();
    list->addItems(entries);
    list->setCurrentIndex(-1);
    list->setEditText(typed);
}

// Fills a start-up list; false when it could not be read.
bool fillList(QComboBox* list, const Result<QStringList>& read)
{
    if (!read.ok())
        return false;
    appendKeepingText(list, read.value());
    return true;
}

} // namespace

frmMiravoCall::frmMiravoCall(QWidget* parent)
    : QWidget(parent, FixedWindowFlags)
{
    setObjectName(QStringLiteral("frmMiravoCall"));
    setFont(designedFont(DialogFont));
    setWindowTitle(QStringLiteral("Miravo"));
    buildControls();
    allowLongValues(this);
    shapeFixedWindow(this, ClientWidth, ClientHeight);

    // The load step. A failing list read shows no message box; the window opens all the same, with a notice.
    m_txtPort->setText(QStringLiteral("3"));
    m_portNumber = toPortNumber(m_txtPort->text()).value_or(m_portNumber);
    m_MSComm1 = std::make_unique<ModemPort>();
    m_MSComm1->setPortNumber(m_portNumber);
    loadLists();
}

frmMiravoCall::~frmMiravoCall()
{
    // The keypad window reads this window's fields at every step: it must not outlive them. Its own port goes
    // with it; this window's port object closes an open port as it goes.
    if (m_keypad)
        m_keypad->close();
}

void frmMiravoCall::closeEvent(QCloseEvent* event)
{
    // The modem leaves the line when its window closes, whether or not the window is destroyed with it.
    m_closed = true;
    m_MSComm1->close();
    QWidget::closeEvent(event);
}

void frmMiravoCall::buildControls()
{
    // Each caption label is made after the field it names; the tab order below is the designed one.
    m_Label7 = placeLabel(this, Label7);
    m_Combo1 = placeEditableCombo(this, Combo1);
    placeCaption(this, Label5, m_Combo1);
    m_txtDial_Num1 = place(new QLineEdit(this), txtDial_Num1);
    placeCaption(this, Label1, m_txtDial_Num1);
    m_txtDial_Num2 = place(new QLineEdit(this), txtDial_Num2);
    placeCaption(this, Label2, m_txtDial_Num2);
    m_txtPort = place(new QLineEdit(this), txtPort);
    placeCaption(this, Label9, m_txtPort);
    m_txtDial_Num3 = place(new QLineEdit(this), txtDial_Num3);
    placeCaption(this, Label3, m_txtDial_Num3);
    m_Combo2 = placeEditableCombo(this, Combo2);
    placeCaption(this, Label6, m_Combo2);
    m_txtDial_Num4 = placeEditableCombo(this, txtDial_Num4);
    placeCaption(this, Label4, m_txtDial_Num4);
    m_cmdDial = placeButton(this, cmdDial);
    m_cmdConnect = placeButton(this, cmdConnect);
    m_Command1 = placeButton(this, Command1);
    m_cmdPhonebook = placeButton(this, cmdPhonebook);
    m_cmdDisconnect = placeButton(this, cmdDisconnect);
    m_cmdClose = placeButton(this, cmdClose);
    placePicture(this, Image2, QStringLiteral(":/dialer/images/handset.png"), "png", tr("Telephone handset"));
    placePicture(this, Image1, QStringLiteral(":/dialer/images/card.png"), "png", tr("Calling card"));

    chainTabOrder({m_cmdConnect, m_txtDial_Num1, m_txtDial_Num2, m_txtDial_Num3, m_cmdClose, m_Combo1, m_Combo2,
                   m_Command1, m_cmdDial, m_cmdDisconnect, m_cmdPhonebook, m_txtPort, m_txtDial_Num4});
    pressButtonsOnEnter(this);
    keepFocusInWindow(this, m_cmdConnect);

    connect(m_Combo1, &QComboBox::activated, this, &frmMiravoCall::Combo1_Lookup);
    connect(m_Combo1->lineEdit(), &QLineEdit::textEdited, this, &frmMiravoCall::Combo1_Lookup);
    connect(m_Combo2, &QComboBox::activated, this, &frmMiravoCall::Combo2_Click);
    connect(m_cmdConnect, &QPushButton::clicked, this, &frmMiravoCall::cmdConnect_Click);
    connect(m_cmdDisconnect, &QPushButton::clicked, this, &frmMiravoCall::cmdDisconnect_Click);
    connect(m_cmdDial, &QPushButton::clicked, this, &frmMiravoCall::cmdDial_Click);
    connect(m_cmdPhonebook, &QPushButton::clicked, this, &frmMiravoCall::cmdPhonebook_Click);
    connect(m_Command1, &QPushButton::clicked, this, &frmMiravoCall::Command1_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

void frmMiravoCall::loadLists()
{
    readStartUpLists();
    m_txtDial_Num4->setCurrentIndex(-1);
}

void frmMiravoCall::readStartUpLists()
{
    // Each list stands on its own: a failure reading one table never leaves the other list empty. A list that
    // could not be read is named on the notice instead of staying silently empty; only such a list is read again.
    QList<ListFailure> failures;
    if (!m_companiesListed) {
        const auto companies = readCompanyNames();
        m_companiesListed = fillList(m_Combo1, companies);
        if (!m_companiesListed)
            failures.append({ListFailure::List::Companies, companies.failure()});
    }
    if (!m_clientsListed) {
        const auto clients = readClientNames();
        m_clientsListed = fillList(m_Combo2, clients);
        if (!m_clientsListed)
            failures.append({ListFailure::List::Clients, clients.failure()});
    }
    // Made on the first failure only: most starts read both lists and need no notice.
    if (!failures.isEmpty() && !m_startupNotice) {
        m_startupNotice = new StartupNotice(this, ClientWidth, ClientHeight);
        connect(m_startupNotice, &StartupNotice::readAgainRequested, this, &frmMiravoCall::cmdReadAgain_Click);
    }
    if (m_startupNotice)
        m_startupNotice->report(phoneCardDatabasePath(), failures);
}

void frmMiravoCall::cmdReadAgain_Click()
{
    readStartUpLists();
}

QString frmMiravoCall::portText() const
{
    return m_txtPort->text();
}
MainDialFields frmMiravoCall::dialFields() const
{
    return {m_txtDial_Num1->text(), m_txtDial_Num2->text(), m_txtDial_Num3->text(), m_txtDial_Num4->currentText()};
}

void frmMiravoCall::Combo1_Lookup()
{
    const auto found = lookupCompany(m_Combo1->currentText());
    if (!found.ok()) {
        showMessage(QStringLiteral("Unanticipated error %1").arg(found.code()));
        return;
    }
    // Text that matches no company leaves the three fields as they were.
    if (const auto& fields = found.value()) {
        m_txtDial_Num1->setText(fields->business);
        m_txtDial_Num2->setText(fields->language);
        m_txtDial_Num3->setText(fields->code);
    }
}

void frmMiravoCall::Combo2_Click()
{
    const auto found = lookupPersonNumbers(m_Combo2->currentText());
    if (!found.ok()) {
        showMessage(QStringLiteral("Unanticipated error %1").arg(found.code()));
        return;
    }
    if (found.value().isEmpty())
        return;
    // The offered numbers accumulate: every person chosen so far stays offered. The number to dial (the text)
    // is the user's to pick or type, so it is kept as it is.
    appendKeepingText(m_txtDial_Num4, found.value());
    repaint();
}

void frmMiravoCall::cmdConnect_Click()
{
    // A message box runs an event loop of its own, and the window may be closed inside it (a signal ending the
    // program closes every window, the box included) and even destroyed. Then the dial ends where it stands:
    // the window's port was closed with the window, and neither may be touched again.
    const QPointer<frmMiravoCall> self(this);
    const auto windowGone = [&self] { return !self || self->m_closed; };

    DialPlan plan;
    plan.accessNumber = [this] { return m_txtDial_Num1->text(); };
    // The modem dials the access number while the question is shown; the question comes on every Connect, also
    // when the port is open from an earlier one.
    plan.waitWhenAlreadyOpen = true;
    plan.waitForUser = [&windowGone] {
        const MessageAnswer answer =
            showMessage(QStringLiteral("Pick up the handset when the dialing is complete. OK! "),
                        MessageStyle::YesNoCritical, QStringLiteral("Dialing Status"));
        if (windowGone())
            return AfterWait::Abandon;
        return answer == MessageAnswer::Yes ? AfterWait::Tones : AfterWait::HangUp;
    };
    plan.toneValues = [this] {
        return ToneValues{m_txtDial_Num2->text(), m_txtDial_Num3->text(), m_txtDial_Num4->currentText()};
    };
    // One error trap over the whole dial: every failing port step shows the same message, with the port's reason
    // in its details, and the dial goes on with its next step.
    plan.onFailure = [&windowGone](DialStep, const Failure& failure) {
        showMessage(ComPortMessage, MessageStyle::OkOnly, {}, failure.reason);
        return windowGone() ? AfterFailure::Stop : AfterFailure::GoOn;
    };
    dialInTwoStages(*m_MSComm1, plan);
}

void frmMiravoCall::cmdDisconnect_Click()
{
    if (m_MSComm1->isOpen())
        m_MSComm1->close();
}

void frmMiravoCall::cmdDial_Click()
{
    m_keypad = showWindow<frmPhone>([this] { return new frmPhone(*this); });
}

void frmMiravoCall::cmdPhonebook_Click()
{
    // Both editors open side by side with the card companies in front; an open one is only raised and keeps
    // its current record.
    showWindow<frmClients>();
    showWindow<frmVendors>();
}

void frmMiravoCall::Command1_Click()
{
    // The product page is fetched and dropped: nothing waits for it, and a page that cannot be reached is not
    // worth a message. The browser window loads the page by itself. The transfer's objects are this window's
    // children.
    fetchAndDrop(productPageUrl(), this);

    showBrowserWindow();
}

frmMiravoCall* showMainWindow()
{
    return showWindow<frmMiravoCall>();
}

} // namespace miravo
