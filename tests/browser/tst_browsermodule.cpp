// SPDX-License-Identifier: GPL-3.0-or-later
// "Products" in the main window with the real browser module, loaded from the build's lib folder next to bin:
// the fetch and the browser window on the product page, one window at a time, a fresh window after closing, and
// the browser engine only in the process once the button has been pressed.
#include "ProductPageTests.h"
#include "WebEngineTestMain.h"
#include "browser/ProductPage.h"
#include "dialer/frmMiravoCall.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using namespace miravo;
using namespace miravo::test;
using miravo::test::LoopbackHttpServer;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;

namespace {

const QString OtherPath = QStringLiteral("/other.htm");
const QString OtherTitle = QStringLiteral("Another page");

bool engineInProcess()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/maps");
    return maps.readAll().contains("libQt6WebEngineCore");
}

// Requests that came from somewhere other than the browser engine (whose User-Agent names it).
int fetches(const LoopbackHttpServer& server, const QString& path)
{
    int count = 0;
    for (const QByteArray& agent : server.userAgents(path))
        count += agent.contains("QtWebEngine") ? 0 : 1;
    return count;
}

int browserLoads(const LoopbackHttpServer& server, const QString& path)
{
    return server.requestCount(path) - fetches(server, path);
}

} // namespace

class tst_BrowserModule : public QObject {
    Q_OBJECT

private:
    LoopbackHttpServer m_server;
    TempDataFolder m_data;
    ScriptedMessages m_messages;

    void pressProducts(frmMiravoCall* window)
    {
        auto* products = window->findChild<QPushButton*>(QStringLiteral("Command1"));
        QVERIFY(products);
        QTest::mouseClick(products, Qt::LeftButton);
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void productsOpensTheBrowserOnTheProductPage();
    void secondPressRaisesTheSameWindow();
    void closingAndReopeningStartsAfresh();
    void browserOutlivesTheMainWindow();
};

void tst_BrowserModule::initTestCase()
{
    QVERIFY(m_server.isListening());
    m_server.addPage(ProductPath, ProductTitle);
    m_server.addPage(OtherPath, OtherTitle);
    setProductPageUrl(m_server.url(ProductPath));
}

void tst_BrowserModule::init()
{
    // The engine warns when it comes with a module into an application that was not prepared for it.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("initialized from a plugin")));
}

void tst_BrowserModule::cleanup()
{
    if (QWidget* window = browserWindow())
        window->close();
    QTRY_COMPARE(browserWindows().size(), 0);
    QVERIFY2(m_messages.shown().isEmpty(), qPrintable(m_messages.texts().join(QLatin1Char('\n'))));
}

void tst_BrowserModule::productsOpensTheBrowserOnTheProductPage()
{
    frmMiravoCall window;
    window.show();
    QVERIFY2(!engineInProcess(), "the main window brought the browser engine in");

    pressProducts(&window);
    QWidget* browser = browserWindow();
    QVERIFY(browser);
    QVERIFY(browser->isVisible());
    QVERIFY(engineInProcess());
    QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, LoadTimeout);
    // The main window's own fetch and the browser's load both reached the server.
    QTRY_COMPARE(fetches(m_server, ProductPath), 1);
    QCOMPARE(browserLoads(m_server, ProductPath), 1);
    auto* box = browser->findChild<QComboBox*>(QStringLiteral("cboAddress"));
    QVERIFY(box);
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->itemText(0), m_server.url(ProductPath).toString());
    QVERIFY(window.isVisible());
}

void tst_BrowserModule::secondPressRaisesTheSameWindow()
{
    frmMiravoCall window;
    window.show();
    pressProducts(&window);
    const QPointer<QWidget> browser = browserWindow();
    QVERIFY(browser);
    QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, LoadTimeout);
    const int loads = browserLoads(m_server, ProductPath);
    const int fetched = fetches(m_server, ProductPath);

    pressProducts(&window);
    QCOMPARE(browserWindows().size(), 1);
    QCOMPARE(browserWindow(), browser.data());
    // Brought to the front only: no second start-up, so no new load and no new list entry; the fetch runs again.
    QTRY_COMPARE(fetches(m_server, ProductPath), fetched + 1);
    QCOMPARE(browserLoads(m_server, ProductPath), loads);
    QCOMPARE(browser->findChild<QComboBox*>(QStringLiteral("cboAddress"))->count(), 1);
    QCOMPARE(browser->windowTitle(), ProductTitle);
}

void tst_BrowserModule::closingAndReopeningStartsAfresh()
{
    frmMiravoCall window;
    window.show();
    pressProducts(&window);
    QPointer<QWidget> browser = browserWindow();
    QVERIFY(browser);
    QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, LoadTimeout);
    // Leave the window in a state its start-up would not make: another address and a second list entry.
    auto* box = browser->findChild<QComboBox*>(QStringLiteral("cboAddress"));
    box->addItem(m_server.url(OtherPath).toString());
    box->setEditText(m_server.url(OtherPath).toString());
    const int loads = browserLoads(m_server, ProductPath);

    browser->close();
    QTRY_VERIFY(browser.isNull()); // closing destroys it

    pressProducts(&window);
    browser = browserWindow();
    QVERIFY(browser);
    box = browser->findChild<QComboBox*>(QStringLiteral("cboAddress"));
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->itemText(0), m_server.url(ProductPath).toString());
    QCOMPARE(box->currentText(), m_server.url(ProductPath).toString());
    QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, LoadTimeout);
    QCOMPARE(browserLoads(m_server, ProductPath), loads + 1);
}

void tst_BrowserModule::browserOutlivesTheMainWindow()
{
    // The program ends when its last window closes: closing the main window leaves the browser open and the
    // program running, and closing the browser then ends it. Run in the application's own event loop, which is
    // the one that quits.
    auto* window = new frmMiravoCall;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    pressProducts(window);
    QPointer<QWidget> browser = browserWindow();
    QVERIFY(browser);
    QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, LoadTimeout);

    bool browserWorkedAlone = false;
    bool timedOut = false;
    QTimer::singleShot(0, this, [&] {
        window->close();
        // Many rounds of the event loop: a quit caused by the main window's closing would end exec() first.
        auto* box = browser->findChild<QComboBox*>(QStringLiteral("cboAddress"));
        box->setEditText(m_server.url(OtherPath).toString());
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    });
    connect(browser.data(), &QWidget::windowTitleChanged, this, [&](const QString& title) {
        if (title != OtherTitle)
            return;
        browserWorkedAlone = true;
        browser->close();
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    guard.start(LoadTimeout);
    QCOMPARE(QApplication::quitOnLastWindowClosed(), true);
    QApplication::exec();
    QVERIFY(browserWorkedAlone);
    QVERIFY(!timedOut);
}

MIRAVO_WEBENGINE_TEST_MAIN(tst_BrowserModule)
#include "tst_browsermodule.moc"
