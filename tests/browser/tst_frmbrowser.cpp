// SPDX-License-Identifier: GPL-3.0-or-later
// The browser window with the real browser engine on the offscreen platform, against a web server on 127.0.0.1:
// the busy indicator in the caption, the address box and its list, the toolbar commands and the layout rule.
#include "BrowserIcons.h"
#include "EngineAccessibility.h"
#include "ProductPageTests.h"
#include "WebBrowser.h"
#include "WebEngineTestMain.h"
#include "frmBrowser.h"
#include "support/Announcements.h"
#include "support/Controls.h"
#include "support/LoopbackHttpServer.h"
#include "ui/Twips.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineView>

#include <memory>

using namespace miravo;
using miravo::test::click;
using miravo::test::control;
using miravo::test::entries;
using namespace miravo::test;
using miravo::test::LoopbackHttpServer;

namespace {

// The engine's first start in a test process takes a few seconds.

const QString OtherPath = QStringLiteral("/other.htm");
const QString OtherTitle = QStringLiteral("Another page");
const QString SearchPath = QStringLiteral("/search.htm");
const QString SearchTitle = QStringLiteral("Search the web");
const QString SlowPath = QStringLiteral("/slow.htm");

// Requests other than the engine's own look for a site icon.
int pageRequests(const LoopbackHttpServer& server)
{
    int count = 0;
    for (const QString& path : server.requests())
        count += path == QLatin1String("/favicon.ico") ? 0 : 1;
    return count;
}

} // namespace

class tst_frmBrowser : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;

    BrowserPages pages() const { return {m_server->url(ProductPath), m_server->url(SearchPath)}; }

    // A window opened on the product page; wait for the caption ProductTitle before going on.
    std::unique_ptr<frmBrowser> openOnProductPage() const { return std::make_unique<frmBrowser>(pages()); }

    static void typeAddress(frmBrowser* window, const QString& address)
    {
        QLineEdit* edit = control<QComboBox>(window, "cboAddress")->lineEdit();
        edit->selectAll();
        if (address.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, address);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void init();
    void cleanup();

    void startUpShowsWorkingThenThePageName();
    void emptyStartingAddressNavigatesNowhere();
    void enterNavigatesAndAddsNothing_data();
    void enterNavigatesAndAddsNothing();
    void pickingTheEntryNavigatesBack();
    void toolbarCommands_data();
    void toolbarCommands();
    void stopDuringASlowLoad();
    void layoutRule_data();
    void layoutRule();
    void designedShape();
    void keysGoToTheAddressBox_data();
    void keysGoToTheAddressBox();
    void toolbarByKeyboard();
    void loadsAreSaidAndEnterPressesToolbarButtons();
    void pageAccessibilityFlag_data();
    void pageAccessibilityFlag();
    void drawnIconsFollowThePalette_data();
    void drawnIconsFollowThePalette();
    void focusComesBack_data();
    void focusComesBack();
};

void tst_frmBrowser::init()
{
    // A request the engine ignores (Back from an anchor of the page) ends the busy indicator after this bound; the
    // program's two seconds would only make the case wait. The engine starts a real load well within it.
    WebBrowser::setUnansweredRequestMs(400);
    m_server = std::make_unique<LoopbackHttpServer>();
    QVERIFY(m_server->isListening());
    m_server->addPage(ProductPath, ProductTitle);
    m_server->addPage(OtherPath, OtherTitle);
    m_server->addPage(SearchPath, SearchTitle);
    m_server->addSlowPage(SlowPath, QStringLiteral("Slow page"));
}

void tst_frmBrowser::cleanup()
{
    m_server->releaseHeld();
    m_server.reset();
}

void tst_frmBrowser::startUpShowsWorkingThenThePageName()
{
    // The caption changes during construction already: watch every frmBrowser's title from its creation on.
    QStringList captions;
    auto window = std::make_unique<frmBrowser>(pages());
    captions.append(window->windowTitle());
    connect(window.get(), &QWidget::windowTitleChanged, this, [&](const QString& title) { captions.append(title); });

    QVERIFY(window->isVisible());
    const QString startingAddress = m_server->url(ProductPath).toString();
    auto* box = control<QComboBox>(window.get(), "cboAddress");
    QCOMPARE(box->currentText(), startingAddress);
    QCOMPARE(entries(box), QStringList{startingAddress});
    QVERIFY(control<QTimer>(window.get(), "timTimer")->isActive());

    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    QTRY_VERIFY(!control<QTimer>(window.get(), "timTimer")->isActive());
    captions.removeAll(QString());
    QVERIFY2(captions.size() >= 2, qPrintable(captions.join(QLatin1String(" | "))));
    QCOMPARE(captions.first(), QStringLiteral("Working..."));
    QCOMPARE(captions.last(), ProductTitle);
    QCOMPARE(m_server->requestCount(ProductPath), 1);
    QCOMPARE(entries(box), QStringList{startingAddress});
}

void tst_frmBrowser::emptyStartingAddressNavigatesNowhere()
{
    frmBrowser window(BrowserPages{QUrl(), m_server->url(SearchPath)});
    QVERIFY(window.isVisible());
    QVERIFY(control<QComboBox>(&window, "cboAddress")->currentText().isEmpty());
    QCOMPARE(control<QComboBox>(&window, "cboAddress")->count(), 0);
    QVERIFY(!control<QTimer>(&window, "timTimer")->isActive());
    // Whatever the engine might still do on its own has had its chance by the time a real page loads elsewhere.
    QWebEngineView other;
    other.load(m_server->url(OtherPath));
    QTRY_COMPARE_WITH_TIMEOUT(other.title(), OtherTitle, LoadTimeout);
    QCOMPARE(m_server->requestCount(ProductPath), 0);
    QVERIFY(window.windowTitle().isEmpty());
}

void tst_frmBrowser::enterNavigatesAndAddsNothing_data()
{
    // What is typed ("%1" stands for "127.0.0.1:<port>"), the caption once idle ("*" for any caption other than
    // "Working..."), and the path that must have been requested.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("requested");

    QTest::newRow("another page") << "http://%1/other.htm" << OtherTitle << OtherPath;
    QTest::newRow("an address without its scheme") << "%1/other.htm" << OtherTitle << OtherPath;
    QTest::newRow("an anchor on the same page")
        << "http://%1/products/miravodialer_rqt.htm#top" << ProductTitle << QString();
    QTest::newRow("a server that does not answer") << "http://127.0.0.1:1/"
                                                   << "*" << QString();
    QTest::newRow("a script address") << "javascript:void(0)" << ProductTitle << QString();
    QTest::newRow("an empty address") << "" << ProductTitle << QString();
}

void tst_frmBrowser::enterNavigatesAndAddsNothing()
{
    QFETCH(QString, typed);
    QFETCH(QString, caption);
    QFETCH(QString, requested);

    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    const QUrl base = m_server->url({});
    typed = typed.arg(QStringLiteral("%1:%2").arg(base.host()).arg(base.port()));
    typeAddress(window.get(), typed);
    auto* timer = control<QTimer>(window.get(), "timTimer");
    QVERIFY(timer->isActive());

    // Whatever the address, the busy indicator comes to rest.
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), LoadTimeout);
    if (caption == QLatin1String("*"))
        QVERIFY(window->windowTitle() != QLatin1String("Working..."));
    else
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), caption, LoadTimeout);
    if (!requested.isEmpty())
        QCOMPARE(m_server->requestCount(requested), 1);

    auto* box = control<QComboBox>(window.get(), "cboAddress");
    QCOMPARE(entries(box), QStringList{m_server->url(ProductPath).toString()});
    // The typed address stays in the box as typed.
    QCOMPARE(box->currentText(), typed);
}

void tst_frmBrowser::pickingTheEntryNavigatesBack()
{
    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    typeAddress(window.get(), m_server->url(OtherPath).toString());
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), OtherTitle, LoadTimeout);

    auto* box = control<QComboBox>(window.get(), "cboAddress");
    box->showPopup();
    QAbstractItemView* list = box->view();
    QTRY_VERIFY(list->isVisible());
    const QRect entry = list->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());

    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    QCOMPARE(m_server->requestCount(ProductPath), 2);
    QCOMPARE(box->currentText(), m_server->url(ProductPath).toString());
    QCOMPARE(box->count(), 1);
}

void tst_frmBrowser::toolbarCommands_data()
{
    QTest::addColumn<QStringList>("before"); // addresses typed into the box first, "<back>" for the Back button
    QTest::addColumn<QString>("key");        // the button pressed
    QTest::addColumn<QString>("caption");    // the caption once the window is idle again
    QTest::addColumn<QString>("requested");  // the path that must be requested once more, if any

    QTest::newRow("Back on the first page does nothing") << QStringList{} << "Back" << ProductTitle << QString();
    QTest::newRow("Forward with nothing ahead does nothing") << QStringList{} << "Forward" << ProductTitle << QString();
    QTest::newRow("Back after a second page") << QStringList{OtherPath} << "Back" << ProductTitle << QString();
    QTest::newRow("Forward after going back")
        << QStringList{OtherPath, "<back>"} << "Forward" << OtherTitle << QString();
    QTest::newRow("Back from an anchor of the page")
        << QStringList{ProductPath + "#top"} << "Back" << ProductTitle << QString();
    QTest::newRow("Refresh reloads") << QStringList{} << "Refresh" << ProductTitle << ProductPath;
    QTest::newRow("Home opens the product page") << QStringList{OtherPath} << "Home" << ProductTitle << ProductPath;
    QTest::newRow("Search opens the search page") << QStringList{} << "Search" << SearchTitle << SearchPath;
}

void tst_frmBrowser::toolbarCommands()
{
    QFETCH(QStringList, before);
    QFETCH(QString, key);
    QFETCH(QString, caption);
    QFETCH(QString, requested);

    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    auto* timer = control<QTimer>(window.get(), "timTimer");
    for (const QString& step : before) {
        if (step == QLatin1String("<back>"))
            click(window.get(), QStringLiteral("Back"));
        else
            typeAddress(window.get(), m_server->url({}).toString() + step); // the step may hold an anchor
        QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), LoadTimeout);
    }
    const int requestsBefore = requested.isEmpty() ? 0 : m_server->requestCount(requested);
    const int allBefore = pageRequests(*m_server);

    QSignalSpy captions(window.get(), &QWidget::windowTitleChanged);
    click(window.get(), key);
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), caption, LoadTimeout);

    if (!requested.isEmpty())
        QTRY_COMPARE(m_server->requestCount(requested), requestsBefore + 1);
    if (before.isEmpty() && (key == QLatin1String("Back") || key == QLatin1String("Forward"))) {
        // Nothing in that direction: no load, and the caption never left the page's name.
        QCOMPARE(pageRequests(*m_server), allBefore);
        for (const QList<QVariant>& change : std::as_const(captions))
            QCOMPARE(change.at(0).toString(), ProductTitle);
    }
}

void tst_frmBrowser::stopDuringASlowLoad()
{
    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    typeAddress(window.get(), m_server->url(SlowPath).toString());
    QTRY_COMPARE_WITH_TIMEOUT(m_server->heldCount(), 1, LoadTimeout);
    QTRY_COMPARE(window->windowTitle(), QStringLiteral("Working..."));

    click(window.get(), QStringLiteral("Stop"));
    // At once, before any event: the timer is off and the caption names the page still shown.
    QVERIFY(!control<QTimer>(window.get(), "timTimer")->isActive());
    QCOMPARE(window->windowTitle(), ProductTitle);

    // The engine confirms the stop a moment later; the caption stays on the page that is shown.
    QTest::qWait(0);
    m_server->releaseHeld();
    QTRY_COMPARE(control<QWebEngineView>(window.get(), "brwWebBrowser")->url(), m_server->url(ProductPath));
    QCOMPARE(window->windowTitle(), ProductTitle);
}

void tst_frmBrowser::layoutRule_data()
{
    // Inner size in pixels; expected widths of the address box and the browser, and the browser's height.
    // Twips: box and browser width = inner width - 100, browser height = inner height - 1215 - 100.
    QTest::addColumn<QSize>("inner");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("designed size") << QSize(436, 342) << 429 << 254;
    QTest::newRow("larger") << QSize(800, 600) << 793 << 512;
    QTest::newRow("narrow and tall") << QSize(120, 700) << 113 << 612;
    QTest::newRow("just room under the strips") << QSize(400, 88) << 393 << 0;
    QTest::newRow("squeezed to nothing") << QSize(4, 3) << 0 << 0;
    QTest::newRow("narrower than the margins") << QSize(6, 400) << 0 << 312;
}

void tst_frmBrowser::layoutRule()
{
    QFETCH(QSize, inner);
    QFETCH(int, width);
    QFETCH(int, height);

    frmBrowser window(BrowserPages{});
    window.resize(inner);
    QTRY_COMPARE(window.size(), inner);

    auto* box = control<QComboBox>(&window, "cboAddress");
    auto* browser = control<QWebEngineView>(&window, "brwWebBrowser");
    QCOMPARE(box->width(), width);
    QCOMPARE(browser->width(), width);
    QCOMPARE(browser->height(), height);
    // The rule sets sizes only; the docked strips follow the window's width.
    QCOMPARE(browser->pos(), QPoint(3, 81));
    QCOMPARE(box->pos(), QPoint(3, 22));
    QCOMPARE(control<QToolBar>(&window, "tbToolBar")->geometry(), QRect(0, 0, inner.width(), 36));
    QCOMPARE(control<QWidget>(&window, "picAddress")->geometry(), QRect(0, 36, inner.width(), 45));
}

void tst_frmBrowser::designedShape()
{
    frmBrowser window(BrowserPages{});
    QCOMPARE(window.size(), QSize(436, 342));
    QCOMPARE(window.pos(), QPoint(204, 223));
    QCOMPARE(window.windowType(), Qt::Tool); // no taskbar button
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window.minimumSize().isNull() || window.minimumSize() == QSize(0, 0));
    QCOMPARE(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    auto* toolbar = control<QToolBar>(&window, "tbToolBar");
    QStringList keys;
    for (QAction* button : toolbar->actions()) {
        keys.append(button->objectName());
        QCOMPARE(button->toolTip(), button->objectName());
        QVERIFY(!button->icon().pixmap(24, 24).isNull());
        QVERIFY(button->text().isEmpty() ||
                qobject_cast<QToolButton*>(toolbar->widgetForAction(button))->toolButtonStyle() ==
                    Qt::ToolButtonIconOnly);
    }
    QCOMPARE(keys, (QStringList{"Back", "Forward", "Stop", "Refresh", "Home", "Search"}));
    QCOMPARE(toolbar->iconSize(), QSize(24, 24));

    auto* label = control<QLabel>(&window, "lblAddress");
    QCOMPARE(label->text(), QStringLiteral("&Address:"));
    QVERIFY(window.windowTitle().isEmpty());
}

void tst_frmBrowser::keysGoToTheAddressBox_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::newRow("the label's access key Alt+A") << QKeyCombination(Qt::AltModifier, Qt::Key_A);
    QTest::newRow("F6") << QKeyCombination(Qt::NoModifier, Qt::Key_F6);
    QTest::newRow("Ctrl+L") << QKeyCombination(Qt::ControlModifier, Qt::Key_L);
}

// From the page, the keys take the keyboard to the address box. They are sent to the window as the system sends
// them, so that the page sees them as it would on a desktop.
void tst_frmBrowser::keysGoToTheAddressBox()
{
    QFETCH(QKeyCombination, key);
    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* browser = control<QWebEngineView>(window.get(), "brwWebBrowser");
    auto* address = control<QComboBox>(window.get(), "cboAddress");
    browser->setFocus();
    QTRY_VERIFY(!address->hasFocus());
    QTest::keyClick(window->windowHandle(), key.key(), key.keyboardModifiers());
    QTRY_VERIFY(address->hasFocus());
}

// The six buttons take the focus by Tab and are named by their keys; Tab goes on from the address box through
// them. The platform's keys go back and forward through the pages, Escape stops.
void tst_frmBrowser::toolbarByKeyboard()
{
    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* toolbar = control<QToolBar>(window.get(), "tbToolBar");
    const QStringList keys{"Back", "Forward", "Stop", "Refresh", "Home", "Search"};
    for (int i = 0; i < keys.size(); ++i) {
        QWidget* button = toolbar->widgetForAction(toolbar->actions().at(i));
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
        QCOMPARE(button->accessibleName(), keys[i]);
    }
    auto* address = control<QComboBox>(window.get(), "cboAddress");
    address->setFocus();
    QTRY_VERIFY(address->hasFocus());
    for (int i = 0; i < keys.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), toolbar->widgetForAction(toolbar->actions().at(i)));
    }
    // Shift+Tab goes back through them, and Tab from the last one round to the page.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), toolbar->widgetForAction(toolbar->actions().at(keys.size() - 2)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* page = control<QWebEngineView>(window.get(), "brwWebBrowser");
    QVERIFY(page->isAncestorOf(QApplication::focusWidget()) || page == QApplication::focusWidget());

    typeAddress(window.get(), m_server->url(OtherPath).toString());
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), OtherTitle, LoadTimeout);
    const auto press = [&window](QKeySequence::StandardKey key) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(window.get(), combination.key(), combination.keyboardModifiers());
    };
    press(QKeySequence::Back);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    press(QKeySequence::Forward);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), OtherTitle, LoadTimeout);
    QCOMPARE(toolbar->actions().at(2)->shortcut(), QKeySequence(Qt::Key_Escape));
}

// Each finished load is said with the page's title, whatever started it: the start-up, Enter in the address box,
// Enter on a focused toolbar button.
void tst_frmBrowser::loadsAreSaidAndEnterPressesToolbarButtons()
{
    auto window = openOnProductPage();
    const miravo::test::Announcements heard(window.get());
    const QString loaded = QStringLiteral("Page loaded: %1");
    QTRY_COMPARE_WITH_TIMEOUT(heard.said(), QStringList{loaded.arg(ProductTitle)}, LoadTimeout);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    typeAddress(window.get(), m_server->url(OtherPath).toString());
    QTRY_COMPARE_WITH_TIMEOUT(heard.said(), (QStringList{loaded.arg(ProductTitle), loaded.arg(OtherTitle)}),
                              LoadTimeout);

    auto* toolbar = control<QToolBar>(window.get(), "tbToolBar");
    QWidget* back = toolbar->widgetForAction(toolbar->actions().at(0));
    back->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), back);
    QTest::keyClick(back, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(heard.said().last(), loaded.arg(ProductTitle), LoadTimeout);
    QCOMPARE(QApplication::focusWidget(), back);
}

void tst_frmBrowser::pageAccessibilityFlag_data()
{
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("none set") << QByteArray() << QByteArray("--force-renderer-accessibility");
    QTest::newRow("blanks only") << QByteArray("  ") << QByteArray("--force-renderer-accessibility");
    QTest::newRow("others kept, in front") << QByteArray("--disable-gpu --no-sandbox")
                                           << QByteArray("--disable-gpu --no-sandbox --force-renderer-accessibility");
    QTest::newRow("already there: unchanged") << QByteArray("--force-renderer-accessibility --disable-gpu")
                                              << QByteArray("--force-renderer-accessibility --disable-gpu");
    QTest::newRow("a longer flag that starts alike is another flag")
        << QByteArray("--force-renderer-accessibility-x")
        << QByteArray("--force-renderer-accessibility-x --force-renderer-accessibility");
}

void tst_frmBrowser::pageAccessibilityFlag()
{
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, expected);
    QCOMPARE(withPageAccessibility(flags), expected);
}

// Where the desktop has no icon theme, the drawn pictures take the ink of the buttons' captions: light on a dark
// palette, dark on a light one.
void tst_frmBrowser::drawnIconsFollowThePalette_data()
{
    QTest::addColumn<QColor>("buttonText");
    QTest::addColumn<QColor>("button");
    QTest::addColumn<bool>("lightInk");

    QTest::newRow("dark palette") << QColor(Qt::white) << QColor(0x20, 0x20, 0x20) << true;
    QTest::newRow("light palette") << QColor(Qt::black) << QColor(0xef, 0xef, 0xef) << false;
}

void tst_frmBrowser::drawnIconsFollowThePalette()
{
    QFETCH(QColor, buttonText);
    QFETCH(QColor, button);
    QFETCH(bool, lightInk);

    if (QIcon::hasThemeIcon(QStringLiteral("go-previous")))
        QSKIP("the desktop's icon theme draws the Back button here");
    QPalette palette;
    palette.setColor(QPalette::ButtonText, buttonText);
    palette.setColor(QPalette::Button, button);
    const QImage back = toolbarIcon(0, palette).pixmap(ToolbarIconSize).toImage();
    QVERIFY(!back.isNull());
    int inked = 0;
    for (int y = 0; y < back.height(); ++y) {
        for (int x = 0; x < back.width(); ++x) {
            const QColor pixel = back.pixelColor(x, y);
            if (pixel.alpha() < 250)
                continue;
            ++inked;
            QCOMPARE(pixel.lightnessF() > 0.5, lightInk);
        }
    }
    QVERIFY(inked > 20);
}

void tst_frmBrowser::focusComesBack_data()
{
    QTest::addColumn<QString>("focused"); // "page", "address", "Back" (a toolbar button)
    QTest::addColumn<bool>("cleared");    // the window's focus cleared while another window was active
    QTest::addColumn<QString>("expected");
    QTest::newRow("the page had it") << "page" << false << "page";
    QTest::newRow("the address box had it") << "address" << false << "address";
    QTest::newRow("a toolbar button had it") << "Back" << false << "Back";
    QTest::newRow("nothing focused: the page") << "address" << true << "page";
}

// Back to the browser window from another window, the control that had the focus has it again, or the page when
// none had; the keys still work from there.
void tst_frmBrowser::focusComesBack()
{
    QFETCH(QString, focused);
    QFETCH(bool, cleared);
    QFETCH(QString, expected);
    auto window = openOnProductPage();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), ProductTitle, LoadTimeout);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* page = control<QWebEngineView>(window.get(), "brwWebBrowser");
    auto* address = control<QComboBox>(window.get(), "cboAddress");
    auto* toolbar = control<QToolBar>(window.get(), "tbToolBar");
    const auto widgetFor = [&](const QString& which) -> QWidget* {
        if (which == "page")
            return page;
        if (which == "address")
            return address;
        return toolbar->widgetForAction(toolbar->findChild<QAction*>(which));
    };
    const auto holds = [](QWidget* control) {
        QWidget* focus = QApplication::focusWidget();
        return focus && (focus == control || control->isAncestorOf(focus));
    };

    widgetFor(focused)->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(holds(widgetFor(focused)));
    QWidget other(nullptr, Qt::Window);
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    if (cleared)
        window->focusWidget()->clearFocus();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTRY_VERIFY(holds(widgetFor(expected)));
    // From the page, F6 still takes the keyboard to the address box.
    if (expected == "page") {
        QTest::keyClick(window->windowHandle(), Qt::Key_F6);
        QTRY_VERIFY(holds(address));
    }
}

MIRAVO_WEBENGINE_TEST_MAIN(tst_frmBrowser)
#include "tst_frmbrowser.moc"
