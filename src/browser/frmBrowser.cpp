// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmBrowser.h"

#include "BrowserIcons.h"
#include "WebBrowser.h"
#include "ui/Announcer.h"
#include "ui/DesignedControls.h"
#include "ui/FocusKeeping.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>
#include <QWindow>

#include <algorithm>

namespace miravo {
namespace {

// The designed window, in twips: client area and its place on the screen.
constexpr TwipsRect Window{3060, 3345, 6540, 5130};

// The controls as designed. The toolbar and the address strip are docked to the top edge: only their heights are
// kept, their widths follow the window. The label and the address box lie on the address strip.
constexpr ControlDesign tbToolBar{"tbToolBar", {0, 0, 6540, 540}};
constexpr ControlDesign brwWebBrowser{"brwWebBrowser", {50, 1215, 5393, 3734}};
constexpr ControlDesign picAddress{"picAddress", {0, 540, 6540, 675}};
constexpr ControlDesign lblAddress{"lblAddress", {45, 60, 3075, 255}, "&Address:"};
constexpr ControlDesign cboAddress{"cboAddress", {45, 300, 3795, 315}};

// Where the start-up sequence moves the address box: this far from the left, this far below the label.
constexpr int AddressBoxLeft = twipsToPixels(50);
constexpr int AddressBoxGapBelowLabel = twipsToPixels(15);

// The layout rule's margins: on both sides of the address box and the browser together, and under the browser.
// Designed in twips; a window's sizes are whole pixels, so the margins in pixels give the sizes the design does.
constexpr int SideMargins = twipsToPixels(100);
constexpr int BottomMargin = twipsToPixels(100);

constexpr int TimerInterval = 5; // ms, while a page loads

// Toolbar buttons in order: each button's key is also its tooltip, and button n shows image n.
constexpr const char* ButtonKeys[] = {"Back", "Forward", "Stop", "Refresh", "Home", "Search"};
enum Button { Back, Forward, Stop, Refresh, Home, Search };

const QString Working = QStringLiteral("Working...");

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
    resize(Window.toPixels().size());
    move(Window.toPixels().topLeft());
    Form_Load();
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::buildControls()
{
    m_tbToolBar = place(new QToolBar(this), tbToolBar);
    m_tbToolBar->setMovable(false);
    m_tbToolBar->setFloatable(false);
    m_tbToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));
    m_tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int i = 0; i < int(std::size(ButtonKeys)); ++i) {
        const QString key = QString::fromLatin1(ButtonKeys[i]);
        m_imlIcons.append(toolbarIcon(i, palette()));
        QAction* button = m_tbToolBar->addAction(m_imlIcons.at(i), key);
        button->setObjectName(key);
        button->setToolTip(key);
    }
    const QList<QAction*> buttons = m_tbToolBar->actions();
    // The platform's own keys for moving through the pages, Escape to stop loading.
    buttons.at(Back)->setShortcuts(QKeySequence::Back);
    buttons.at(Forward)->setShortcuts(QKeySequence::Forward);
    buttons.at(Stop)->setShortcut(QKeySequence(Qt::Key_Escape));
    buttons.at(Refresh)->setShortcuts(QKeySequence::Refresh);

    m_brwWebBrowser = place(new QWebEngineView(this), brwWebBrowser);
    // What the page itself says is the page's business; the view says what it is.
    nameControl(m_brwWebBrowser, tr("Web page"));
    m_browser = new WebBrowser(m_brwWebBrowser, m_pages, this);

    m_timTimer = new QTimer(this);
    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(TimerInterval);

    m_picAddress = place(new QWidget(this), picAddress);
    m_lblAddress = placeLabel(m_picAddress, lblAddress);
    // Only the start-up sequence adds to the list: Enter navigates and adds nothing.
    m_cboAddress = placeEditableCombo(m_picAddress, cboAddress);
    tieCaption(m_lblAddress, m_cboAddress);

    for (QAction* action : m_tbToolBar->actions()) {
        QWidget* button = m_tbToolBar->widgetForAction(action);
        // A toolbar keeps its buttons out of the tab order unless told otherwise.
        button->setFocusPolicy(Qt::TabFocus);
        nameControl(button, action->text());
    }
    // The page has the focus when the window opens; a box of the page's or another window leaves it where it was.
    keepFocusInWindow(this, m_brwWebBrowser);
    pressButtonsOnEnter(this);
    m_announcer = new Announcer(this);

    connect(m_cboAddress, &QComboBox::activated, this, &frmBrowser::cboAddress_Click);
    connect(m_cboAddress->lineEdit(), &QLineEdit::returnPressed, this, &frmBrowser::cboAddress_KeyPress);
    connect(m_timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);
    // Commands that cannot be carried out (Back on the first page) are passed over.
    const auto onButton = [this, &buttons](Button button, auto command) {
        connect(buttons.at(button), &QAction::triggered, this, [this, command] { tbToolBar_ButtonClick(command); });
    };
    onButton(Back, [this] { m_browser->GoBack(); });
    onButton(Forward, [this] { m_browser->GoForward(); });
    onButton(Refresh, [this] { m_browser->Refresh(); });
    onButton(Home, [this] { m_browser->GoHome(); });
    onButton(Search, [this] { m_browser->GoSearch(); });
    onButton(Stop, [this] {
        m_timTimer->stop();
        m_browser->Stop();
        setWindowTitle(m_browser->LocationName());
    });
    connect(m_browser, &WebBrowser::DownloadComplete, this, &frmBrowser::brwWebBrowser_DownloadComplete);
}

// The start-up sequence. Nothing in it can stop the window from opening: a step that fails is passed over.
void frmBrowser::Form_Load()
{
    show();
    // Every key the window receives passes here first; see eventFilter. The program watches rather than the
    // window's native window alone, which the toolkit may make anew after the window has shown.
    qApp->installEventFilter(this);
    m_tbToolBar->repaint();
    Form_Resize();

    StartingAddress = m_pages.home.toString();

    m_cboAddress->move(AddressBoxLeft, m_lblAddress->y() + m_lblAddress->height() + AddressBoxGapBelowLabel);

    if (StartingAddress.isEmpty())
        return;
    m_cboAddress->setEditText(StartingAddress);
    m_cboAddress->addItem(m_cboAddress->currentText());
    m_timTimer->start();
    m_browser->Navigate(StartingAddress);
}

// Tab order: the browser first (it has the focus when the window opens), then the label's buddy, the address box,
// then the toolbar's buttons. The window walks its tab stops itself: Qt 6.4 mixes up the focus chain of a window
// holding both a web view and an editable list once setTabOrder moves them, and Tab then skips the toolbar.
bool frmBrowser::focusNextPrevChild(bool next)
{
    QList<QWidget*> stops{m_brwWebBrowser, m_cboAddress};
    for (QAction* action : m_tbToolBar->actions())
        stops.append(m_tbToolBar->widgetForAction(action));
    QWidget* focus = focusWidget();
    const auto current = std::find_if(stops.cbegin(), stops.cend(), [focus](const QWidget* stop) {
        return focus && (stop == focus || stop->isAncestorOf(focus));
    });
    if (current == stops.cend())
        return QWidget::focusNextPrevChild(next);
    const qsizetype at = current - stops.cbegin();
    for (qsizetype step = 1; step < stops.size(); ++step) {
        QWidget* candidate = stops[(at + (next ? step : stops.size() - step)) % stops.size()];
        if (candidate->isVisible() && candidate->isEnabled()) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

// The keys that take the focus from the page to the address box: the address box's access key, and the keys
// browsers use for "go to the address".
bool frmBrowser::isAddressKey(const QKeyEvent* key) const
{
    const QKeyCombination combination = key->keyCombination();
    return combination == QKeyCombination(Qt::AltModifier, Qt::Key_A) ||
           combination == QKeyCombination(Qt::NoModifier, Qt::Key_F6) ||
           combination == QKeyCombination(Qt::ControlModifier, Qt::Key_L);
}

// While a field of the page has the keyboard, the engine claims every key before the window's shortcuts are looked
// up (so that typing in the field wins), and the label's access key would never reach the label: the keyboard user
// could not leave the page but by Tab through all of it. The window's "go to the address" keys are taken here, as
// they arrive at the window, before the page sees them.
bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched && watched == windowHandle()) {
        QWidget* focus = focusWidget();
        const bool inPage = focus && (focus == m_brwWebBrowser || m_brwWebBrowser->isAncestorOf(focus));
        if (inPage && isAddressKey(static_cast<QKeyEvent*>(event)) && m_cboAddress->isEnabled()) {
            m_cboAddress->setFocus(Qt::ShortcutFocusReason);
            m_cboAddress->lineEdit()->selectAll();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
    const int stripsBottom = m_picAddress->y() + m_picAddress->height();
    const int boxWidth = std::max(0, width() - SideMargins);
    const int browserWidth = boxWidth;
    const int browserHeight = std::max(0, height() - stripsBottom - BottomMargin);

    m_cboAddress->resize(boxWidth, m_cboAddress->height());
    m_brwWebBrowser->resize(browserWidth, browserHeight);
}

// Picking an entry from the address list, with the mouse or the arrow keys.
void frmBrowser::cboAddress_Click()
{
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
// first page) ends with the page's name in the caption; "Stop" stops it again.
void frmBrowser::tbToolBar_ButtonClick(const std::function<void()>& command)
{
    m_timTimer->start();
    command();
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(m_browser->LocationName());
    // Loads started from the address box, the toolbar or a link end without a word otherwise.
    m_announcer->announce(tr("Page loaded: %1").arg(m_browser->LocationName()));
}

} // namespace miravo
