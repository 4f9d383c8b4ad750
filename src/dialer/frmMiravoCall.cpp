#include "dialer/frmMiravoCall.h"

#include "browser/BrowserLoader.h"
#include "browser/PageFetch.h"
#include "browser/ProductPage.h"
#include "data/PhoneCardDatabase.h"
#include "data/frmClients.h"
#include "data/frmVendors.h"
#include "dialer/TextNumbers.h"
#include "keypad/frmPhone.h"
#include "modem/DialCommands.h"
#include "modem/ModemPort.h"
#include "ui/FixedWindow.h"
#include "ui/MessageService.h"
#include "ui/Picture.h"
#include "ui/Twips.h"
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

enum class FontKind { Default, Bold825, Title, ComPort };

struct ControlDesign {
    const char* name;
    TwipsRect rect;
    const char* caption;
    FontKind font;
};

// Left, top, width, height in twips, as designed.
constexpr ControlDesign Label7{"Label7", {195, 75, 5190, 495}, "MIRAVO DIALER 1.0", FontKind::Title};
constexpr ControlDesign Label5{"Label5", {210, 855, 2010, 300}, "Select Card Company", FontKind::Default};
constexpr ControlDesign Combo1{"Combo1", {2340, 825, 3435, 315}, "", FontKind::Bold825};
constexpr ControlDesign Label1{"Label1", {210, 1260, 1995, 255}, "Enter Miravo Number!", FontKind::Default};
constexpr ControlDesign txtDial_Num1{"txtDial_Num1", {2340, 1215, 3405, 315}, "", FontKind::Bold825};
constexpr ControlDesign Label2{"Label2", {210, 1620, 2100, 375}, "Language English or French", FontKind::Default};
constexpr ControlDesign txtDial_Num2{"txtDial_Num2", {2340, 1590, 1350, 315}, "", FontKind::Bold825};
constexpr ControlDesign Label9{"Label9", {3945, 1650, 1050, 270}, "Com Port", FontKind::ComPort};
constexpr ControlDesign txtPort{"txtPort", {5010, 1605, 690, 315}, "", FontKind::Bold825};
constexpr ControlDesign Label3{"Label3", {210, 1950, 2055, 300}, "Enter Access PIN Number!", FontKind::Default};
constexpr ControlDesign txtDial_Num3{"txtDial_Num3", {2310, 1965, 2805, 315}, "", FontKind::Bold825};
constexpr ControlDesign Label6{"Label6", {210, 2400, 2010, 285}, "Select Clent or Friend", FontKind::Default};
constexpr ControlDesign Combo2{"Combo2", {2340, 2355, 3180, 315}, "", FontKind::Default};
constexpr ControlDesign Label4{"Label4", {210, 2760, 1860, 300}, "Select telephone number.", FontKind::Default};
constexpr ControlDesign txtDial_Num4{"txtDial_Num4", {2340, 2775, 3180, 315}, "", FontKind::Default};
constexpr ControlDesign cmdDial{"cmdDial", {270, 3570, 1500, 330}, "Dial", FontKind::Bold825};
constexpr ControlDesign cmdConnect{"cmdConnect", {1815, 3570, 1500, 330}, "Connect", FontKind::Bold825};
constexpr ControlDesign Command1{"Command1", {3375, 3570, 1500, 330}, "Products", FontKind::Bold825};
constexpr ControlDesign cmdPhonebook{"cmdPhonebook", {270, 4005, 1500, 330}, "Phonebook", FontKind::Bold825};
constexpr ControlDesign cmdDisconnect{"cmdDisconnect", {1815, 4005, 1500, 330}, "Disconnect", FontKind::Bold825};
constexpr ControlDesign cmdClose{"cmdClose", {3375, 4005, 1500, 330}, "Close", FontKind::Bold825};
constexpr ControlDesign Image2{"Image2", {6360, 90, 1410, 1095}, "", FontKind::Default};
constexpr ControlDesign Image1{"Image1", {6360, 1200, 1455, 2325}, "", FontKind::Default};

// The designed fonts. Where a family is missing (the usual case off Windows), a metric-compatible or at least
// narrow sans serif takes its place, so that the captions fit the designed frames.
QFont designedFont(const QString& family, qreal pointSize, bool bold)
{
    QStringList families{family, QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arial")};
    // Only the first installed one: for every family it does not find, Qt asks the font configuration for an
    // alias, once per font size and weight, which costs the start a few milliseconds. Where none is installed,
    // the whole list goes to Qt, whose substitution then decides.
    const QStringList installed = QFontDatabase::families();
    const auto first = std::find_if(families.cbegin(), families.cend(),
                                    [&](const QString& name) { return installed.contains(name, Qt::CaseInsensitive); });
    if (first != families.cend())
        families = QStringList{*first};
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont fontFor(FontKind kind)
{
    switch (kind) {
    case FontKind::Bold825:
        return designedFont(QStringLiteral("MS Sans Serif"), 8.25, true);
    case FontKind::Title:
        return designedFont(QStringLiteral("Arial"), 24, false);
    case FontKind::ComPort:
        return designedFont(QStringLiteral("MS Sans Serif"), 9.75, false);
    case FontKind::Default:
        break;
    }
    // The window's own font: the dialog font the layout was designed with.
    return designedFont(QStringLiteral("MS Sans Serif"), 8.25, false);
}

template <typename W>
W* place(QWidget*, const ControlDesign& design, W* widget)
{
    widget->setObjectName(QString::fromLatin1(design.name));
    widget->setGeometry(design.rect.toPixels());
    // The controls in the window's own font inherit it. Setting it anyway would cost at start: a combo box makes
    // its drop-down list (a popup window with a list view and scroll bars) as soon as its font is set.
    if (design.font != FontKind::Default)
        widget->setFont(fontFor(design.font));
    return widget;
}

QLabel* label(QWidget* window, const ControlDesign& design)
{
    auto* caption = place(window, design, new QLabel(QString::fromLatin1(design.caption), window));
    // A caption too long for its line wraps inside its frame instead of being cut off.
    caption->setWordWrap(true);
    return caption;
}

QPushButton* button(QWidget* window, const ControlDesign& design)
{
    return place(window, design, new QPushButton(QString::fromLatin1(design.caption), window));
}

QComboBox* comboBox(QWidget* window, const ControlDesign& design)
{
    auto* combo = place(window, design, new QComboBox(window));
    combo->setEditable(true);
    // A completer would fill the dialing fields from a prefix of a company's name; Enter must not add the
    // typed text to the list either. The lists hold their entries in the order they were appended.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

QLabel* picture(QWidget* window, const ControlDesign& design, const QString& resource)
{
    auto* image = place(window, design, new QLabel(window));
    image->setPixmap(readPicture(resource, "png", window->devicePixelRatioF()));
    image->setScaledContents(true);
    return image;
}

} // namespace

frmMiravoCall::frmMiravoCall(QWidget* parent)
    : QWidget(parent, FixedWindowFlags)
{
    setObjectName(QStringLiteral("frmMiravoCall"));
    setFont(fontFor(FontKind::Default));
    setWindowTitle(QStringLiteral("Miravo"));
    buildControls();
    shapeFixedWindow(this, ClientWidth, ClientHeight);

    // The load step. A failing step ends silently; the window opens all the same.
    m_txtPort->setText(QStringLiteral("3"));
    m_portNumber = toPortNumber(m_txtPort->text()).value_or(m_portNumber);
    m_MSComm1 = std::make_unique<ModemPort>();
    m_MSComm1->setPortNumber(m_portNumber);
    loadLists();
}

frmMiravoCall::~frmMiravoCall() = default; // the port object closes an open port as it goes

void frmMiravoCall::closeEvent(QCloseEvent* event)
{
    // The modem leaves the line when its window closes, whether or not the window is destroyed with it.
    m_MSComm1->close();
    QWidget::closeEvent(event);
}

void frmMiravoCall::buildControls()
{
    m_Label7 = label(this, Label7);
    label(this, Label5);
    m_Combo1 = comboBox(this, Combo1);
    label(this, Label1);
    m_txtDial_Num1 = place(this, txtDial_Num1, new QLineEdit(this));
    label(this, Label2);
    m_txtDial_Num2 = place(this, txtDial_Num2, new QLineEdit(this));
    label(this, Label9);
    m_txtPort = place(this, txtPort, new QLineEdit(this));
    label(this, Label3);
    m_txtDial_Num3 = place(this, txtDial_Num3, new QLineEdit(this));
    label(this, Label6);
    m_Combo2 = comboBox(this, Combo2);
    label(this, Label4);
    m_txtDial_Num4 = comboBox(this, txtDial_Num4);
    m_cmdDial = button(this, cmdDial);
    m_cmdConnect = button(this, cmdConnect);
    m_Command1 = button(this, Command1);
    m_cmdPhonebook = button(this, cmdPhonebook);
    m_cmdDisconnect = button(this, cmdDisconnect);
    m_cmdClose = button(this, cmdClose);
    picture(this, Image2, QStringLiteral(":/dialer/images/handset.png"));
    picture(this, Image1, QStringLiteral(":/dialer/images/card.png"));

    const QList<QWidget*> tabOrder{m_cmdConnect,   m_txtDial_Num1, m_txtDial_Num2, m_txtDial_Num3, m_cmdClose,
                                   m_Combo1,       m_Combo2,       m_Command1,     m_cmdDial,      m_cmdDisconnect,
                                   m_cmdPhonebook, m_txtPort,      m_txtDial_Num4};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_cmdConnect->setFocus();

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
    // Each list stands on its own: a failure reading one table never leaves the other list empty.
    // The start-up shows no message; a list whose read failed simply stays empty.
    if (const auto companies = readCompanyNames(); companies.ok())
        m_Combo1->addItems(companies.value);
    if (const auto clients = readClientNames(); clients.ok())
        m_Combo2->addItems(clients.value);
    // Adding items to an editable combo box shows the first entry; the texts start empty.
    m_Combo1->setEditText(QString());
    m_Combo2->setEditText(QString());
    m_txtDial_Num4->setEditText(QString());
}

QString frmMiravoCall::portText() const
{
    return m_txtPort->text();
}
QString frmMiravoCall::accessNumber() const
{
    return m_txtDial_Num1->text();
}
QString frmMiravoCall::languageChoice() const
{
    return m_txtDial_Num2->text();
}
QString frmMiravoCall::accessCode() const
{
    return m_txtDial_Num3->text();
}
QString frmMiravoCall::destinationNumber() const
{
    return m_txtDial_Num4->currentText();
}

void frmMiravoCall::Combo1_Lookup()
{
    const auto found = lookupCompany(m_Combo1->currentText());
    if (!found.ok()) {
        showMessage(QStringLiteral("Unanticipated error %1").arg(errorNumber(found.error)));
        return;
    }
    // Text that matches no company leaves the three fields as they were.
    if (const auto& fields = found.value) {
        m_txtDial_Num1->setText(fields->business);
        m_txtDial_Num2->setText(fields->language);
        m_txtDial_Num3->setText(fields->code);
    }
}

void frmMiravoCall::Combo2_Click()
{
    const auto found = lookupPersonNumbers(m_Combo2->currentText());
    if (!found.ok()) {
        showMessage(QStringLiteral("Unanticipated error %1").arg(errorNumber(found.error)));
        return;
    }
    if (found.value.isEmpty())
        return;
    // The offered numbers accumulate: every person chosen so far stays offered. The number to dial (the text)
    // is the user's to pick or type, so it is kept as it is.
    const QString typed = m_txtDial_Num4->currentText();
    m_txtDial_Num4->addItems(found.value);
    m_txtDial_Num4->setEditText(typed);
    repaint();
}

void frmMiravoCall::cmdConnect_Click()
{
    // One error trap over the whole dial: every failing port step shows the same message, and the dial goes on
    // with its next step.
    const auto trapped = [](bool stepDone) {
        if (!stepDone)
            showMessage(QStringLiteral("Check your com port settings.!"), MessageStyle::OkOnly);
    };
    ModemPort& port = *m_MSComm1;

    if (!port.isOpen()) {
        trapped(port.open());
        trapped(port.write(accessNumberCommand(m_txtDial_Num1->text())));
    }
    // The modem dials the access number while the question is shown.
    const MessageAnswer answer = showMessage(QStringLiteral("Pick up the handset when the dialing is complete. OK! "),
                                             MessageStyle::YesNoCritical, QStringLiteral("Dialing Status"));
    if (answer == MessageAnswer::Yes) {
        // Closing and opening again is all that stands between the two commands: no hang-up is sent.
        port.close();
        trapped(port.open());
        trapped(port.setLineSettings(DialLineSettings));
        trapped(port.write(toneCommand(m_txtDial_Num2->text(), m_txtDial_Num3->text(), m_txtDial_Num4->currentText())));
        return; // the port stays open for the call
    }
    port.close();
}

void frmMiravoCall::cmdDisconnect_Click()
{
    if (m_MSComm1->isOpen())
        m_MSComm1->close();
}

void frmMiravoCall::cmdDial_Click()
{
    showWindow<frmPhone>([this] { return new frmPhone(this); });
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
