#include "browser/frmBrowser.h"

#include "browser/BrowserIcons.h"
#include "browser/WebBrowser.h"
#include "ui/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>

#include <algorithm>

namespace miravo {
namespace {

// The designed window, in twips: client area and its place on the screen.
constexpr TwipsRect Window{3060, 3345, 6540, 5130};

// The controls, in twips, as designed (left, top, width, height). The toolbar and the address strip are docked to
// the top edge: only their heights are kept, their widths follow the window.
constexpr TwipsRect tbToolBar{0, 0, 6540, 540};
constexpr TwipsRect brwWebBrowser{50, 1215, 5393, 3734};
constexpr TwipsRect picAddress{0, 540, 6540, 675};
constexpr TwipsRect lblAddress{45, 60, 3075, 255};
constexpr TwipsRect cboAddress{45, 300, 3795, 315};

// Where the start-up sequence moves the address box: this far from the left, this far below the label.
constexpr int AddressBoxLeft = 50;
constexpr int AddressBoxGapBelowLabel = 15;

// The layout rule's margins: on both sides of the address box and the browser together, and under the browser.
constexpr int SideMargins = 100;
constexpr int BottomMargin = 100;

constexpr int TimerInterval = 5; // ms, while a page loads

// Toolbar buttons in order: each button's key is also its tooltip, and button n shows image n.
constexpr const char* ButtonKeys[] = {"Back", "Forward", "Stop", "Refresh", "Home", "Search"};

const QString Working = QStringLiteral("Working...");

int twips(int pixels)
{
    return pixelsToTwips(pixels);
}
int pixels(int twips)
{
    return twipsToPixels(twips);
}

} // namespace

frmBrowser::frmBrowser(const BrowserPages& pages, QWidget* parent)
    // A tool window gets no taskbar button; the hints ask the window manager for the usual caption buttons, and no
    // fixed size keeps the border sizable.
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint)
    , m_pages(pages)
{
    setObjectName(QStringLiteral("frmBrowser"));
    // Qt leaves tool windows out of "the program ends when its last window has closed": this one counts, so that
    // closing the main window leaves the program running while the browser is open. And a tool window would hide
    // whenever the program loses the focus on some platforms.
    setAttribute(Qt::WA_QuitOnClose);
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    buildControls();
    resize(pixels(Window.width), pixels(Window.height));
    move(pixels(Window.left), pixels(Window.top));
    Form_Load();
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::buildControls()
{
    m_tbToolBar = new QToolBar(this);
    m_tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_tbToolBar->setGeometry(tbToolBar.toPixels());
    m_tbToolBar->setMovable(false);
    m_tbToolBar->setFloatable(false);
    m_tbToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));
    m_tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int i = 0; i < int(std::size(ButtonKeys)); ++i) {
        const QString key = QString::fromLatin1(ButtonKeys[i]);
        m_imlIcons.append(toolbarIcon(i));
        QAction* button = m_tbToolBar->addAction(m_imlIcons.at(i), key);
        button->setObjectName(key);
        button->setData(key);
        button->setToolTip(key);
    }
    // The platform's own keys for moving through the pages, Escape to stop loading.
    m_tbToolBar->actions().at(0)->setShortcuts(QKeySequence::Back);
    m_tbToolBar->actions().at(1)->setShortcuts(QKeySequence::Forward);
    m_tbToolBar->actions().at(2)->setShortcut(QKeySequence(Qt::Key_Escape));
    m_tbToolBar->actions().at(3)->setShortcuts(QKeySequence::Refresh);

    m_brwWebBrowser = new QWebEngineView(this);
    m_brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    m_brwWebBrowser->setGeometry(brwWebBrowser.toPixels());
    m_browser = new WebBrowser(m_brwWebBrowser, m_pages, this);

    m_timTimer = new QTimer(this);
    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(TimerInterval);

    m_picAddress = new QWidget(this);
    m_picAddress->setObjectName(QStringLiteral("picAddress"));
    m_picAddress->setGeometry(picAddress.toPixels());

    m_lblAddress = new QLabel(QStringLiteral("&Address:"), m_picAddress);
    m_lblAddress->setObjectName(QStringLiteral("lblAddress"));
    m_lblAddress->setGeometry(lblAddress.toPixels());

    m_cboAddress = new QComboBox(m_picAddress);
    m_cboAddress->setObjectName(QStringLiteral("cboAddress"));
    m_cboAddress->setGeometry(cboAddress.toPixels());
    m_cboAddress->setEditable(true);
    // Only the start-up sequence adds to the list: Enter navigates and adds nothing, and no completion changes
    // what the user typed.
    m_cboAddress->setInsertPolicy(QComboBox::NoInsert);
    m_cboAddress->setCompleter(nullptr);
    m_lblAddress->setBuddy(m_cboAddress);
    // Qt would read an editable combo box's text as its name on Linux: the caption names it instead.
    m_cboAddress->setAccessibleName(QStringLiteral("Address:"));
    m_cboAddress->lineEdit()->setAccessibleName(m_cboAddress->accessibleName());

    // Tab order: the browser first (it has the focus when the window opens), then the label's buddy, the address
    // box, then the toolbar's buttons (a toolbar keeps its buttons out of the tab order unless told otherwise).
    QWidget* previous = m_cboAddress;
    setTabOrder(m_brwWebBrowser, m_cboAddress);
    for (QAction* action : m_tbToolBar->actions()) {
        QWidget* button = m_tbToolBar->widgetForAction(action);
        button->setFocusPolicy(Qt::TabFocus);
        button->setAccessibleName(action->text());
        setTabOrder(previous, button);
        previous = button;
    }
    m_brwWebBrowser->setFocus();

    connect(m_cboAddress, &QComboBox::activated, this, &frmBrowser::cboAddress_Click);
    connect(m_cboAddress->lineEdit(), &QLineEdit::returnPressed, this, &frmBrowser::cboAddress_KeyPress);
    connect(m_timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);
    connect(m_tbToolBar, &QToolBar::actionTriggered, this, &frmBrowser::tbToolBar_ButtonClick);
    connect(m_browser, &WebBrowser::DownloadComplete, this, &frmBrowser::brwWebBrowser_DownloadComplete);
}

// The start-up sequence. Nothing in it can stop the window from opening: a step that fails is passed over.
void frmBrowser::Form_Load()
{
    show();
    m_tbToolBar->repaint();
    Form_Resize();

    StartingAddress = m_pages.home.toString();

    m_cboAddress->move(pixels(AddressBoxLeft),
                       pixels(twips(m_lblAddress->y()) + twips(m_lblAddress->height()) + AddressBoxGapBelowLabel));

    if (StartingAddress.isEmpty())
        return;
    m_cboAddress->setEditText(StartingAddress);
    m_cboAddress->addItem(m_cboAddress->currentText());
    m_timTimer->start();
    m_browser->Navigate(StartingAddress);
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The two strips are docked to the top edge: they follow the window's width.
    m_tbToolBar->setGeometry(0, 0, width(), m_tbToolBar->height());
    m_picAddress->setGeometry(0, m_tbToolBar->height(), width(), m_picAddress->height());
    Form_Resize();
}

// The layout rule: the address box and the browser keep their margins to the window's edges. Only sizes change.
// A window too small for the margins (minimized, or squeezed to its caption) gets sizes of zero, not negative ones.
void frmBrowser::Form_Resize()
{
    const int innerWidth = twips(width());
    const int innerHeight = twips(height());
    const int stripsBottom = twips(m_picAddress->y()) + twips(m_picAddress->height());

    const int boxWidth = std::max(0, pixels(innerWidth - SideMargins));
    const int browserWidth = boxWidth;
    const int browserHeight = std::max(0, pixels(innerHeight - stripsBottom - BottomMargin));

    m_cboAddress->resize(boxWidth, m_cboAddress->height());
    m_brwWebBrowser->resize(browserWidth, browserHeight);
}

// Picking an entry from the address list, with the mouse or the arrow keys.
void frmBrowser::cboAddress_Click()
{
    if (m_UpdatingAddressList)
        return;
    navigateToAddressBox();
}

// Enter in the address box. Every other key is ordinary editing, and Enter goes on to the box as well.
void frmBrowser::cboAddress_KeyPress()
{
    navigateToAddressBox();
}

void frmBrowser::navigateToAddressBox()
{
    m_timTimer->start();
    // Navigating from the box adds nothing to the list.
    m_browser->Navigate(m_cboAddress->currentText());
}

// The busy indicator: "Working..." on every tick while the page loads, then the page's name, and the timer stops.
void frmBrowser::timTimer_Timer()
{
    if (m_browser->Busy()) {
        setWindowTitle(Working);
        return;
    }
    m_timTimer->stop();
    setWindowTitle(m_browser->LocationName());
}

// A toolbar button. The timer goes on first, so that whatever the command does (even nothing, like "Back" on the
// first page) ends with the page's name in the caption. Commands that cannot be carried out are passed over.
void frmBrowser::tbToolBar_ButtonClick(QAction* button)
{
    m_timTimer->start();
    const QString key = button->data().toString();
    if (key == QLatin1String("Back")) {
        m_browser->GoBack();
    } else if (key == QLatin1String("Forward")) {
        m_browser->GoForward();
    } else if (key == QLatin1String("Refresh")) {
        m_browser->Refresh();
    } else if (key == QLatin1String("Home")) {
        m_browser->GoHome();
    } else if (key == QLatin1String("Search")) {
        m_browser->GoSearch();
    } else if (key == QLatin1String("Stop")) {
        m_timTimer->stop();
        m_browser->Stop();
        setWindowTitle(m_browser->LocationName());
    }
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(m_browser->LocationName());
}

void frmBrowser::RememberCurrentAddress(const QString& /*address*/)
{
    setWindowTitle(m_browser->LocationName());
    const QString current = m_browser->LocationURL();
    const int found = m_cboAddress->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_UpdatingAddressList = true;
    if (found >= 0)
        m_cboAddress->removeItem(found);
    m_cboAddress->insertItem(0, current);
    m_cboAddress->setCurrentIndex(0);
    // Selecting the entry counts as picking it; the flag keeps that from navigating a second time.
    cboAddress_Click();
    m_UpdatingAddressList = false;
}

} // namespace miravo
