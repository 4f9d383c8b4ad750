// SPDX-License-Identifier: GPL-3.0-or-later
// "Products" as root, with nothing outside the program switching the engine's sandbox off: the engine would end
// the whole process then. The program must go on, and the browser window opens on the product page. Run by ctest
// without the sandbox variables that the other browser tests get; a process that ends here fails the test.
#include "ProductPageTests.h"
#include "WebEngineTestMain.h"
#include "browser/ProductPage.h"
#include "dialer/frmMiravoCall.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"

#include <QPushButton>

#include <unistd.h>

using namespace miravo;
using namespace miravo::test;
using miravo::test::LoopbackHttpServer;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;

class tst_BrowserAsRoot : public QObject {
    Q_OBJECT

private slots:
    void productsAsRootKeepsTheProgramRunning();
};

void tst_BrowserAsRoot::productsAsRootKeepsTheProgramRunning()
{
    if (::geteuid() != 0)
        QSKIP("only a run as root shows what the engine does to root");
    QVERIFY2(!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), "the sandbox was switched off from outside");
    QVERIFY2(!qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("no-sandbox")),
             "the sandbox was switched off from outside");

    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.addPage(ProductPath, ProductTitle);
    setProductPageUrl(server.url(ProductPath));
    TempDataFolder data;
    QVERIFY(data.createDatabase());
    ScriptedMessages messages;

    frmMiravoCall window;
    window.show();
    auto* products = window.findChild<QPushButton*>(QStringLiteral("Command1"));
    QVERIFY(products);
    QTest::mouseClick(products, Qt::LeftButton);

    // Still here: the engine started (an engine that refuses root ends the process before this), and it loaded
    // the page from the loopback server.
    QWidget* browser = browserWindow();
    QVERIFY(browser);
    QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, LoadTimeout);
    const QList<QByteArray> agents = server.userAgents(ProductPath);
    QVERIFY(std::any_of(agents.cbegin(), agents.cend(),
                        [](const QByteArray& agent) { return agent.contains("QtWebEngine"); }));
    QVERIFY(window.isVisible());
    QVERIFY2(messages.shown().isEmpty(), qPrintable(messages.texts().join(QLatin1Char('\n'))));

    browser->close();
    QTRY_VERIFY(!browserWindow());
    QVERIFY(window.isVisible());
}

MIRAVO_WEBENGINE_TEST_MAIN(tst_BrowserAsRoot)
#include "tst_browserasroot.moc"
