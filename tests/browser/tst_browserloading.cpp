// SPDX-License-Identifier: GPL-3.0-or-later
// "Products" when the browser module is missing or broken: the main window fetches the product page (through the
// fetch module, which lies in the same folder), says in a message box that the browser cannot be opened, and goes
// on. Needs no browser engine, so it also runs in the sanitizer build.
#include "ProductPageTests.h"
#include "browser/BrowserLoader.h"
#include "browser/ProductPage.h"
#include "dialer/frmMiravoCall.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace miravo;
using namespace miravo::test;
using miravo::test::LoopbackHttpServer;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;

namespace {

const QString CannotOpen = QStringLiteral("The browser window cannot be opened");

// The program's module folder as it would be with the browser module gone: the fetch module alone.
bool addFetchModule(const QTemporaryDir& folder)
{
    return QFile::copy(QStringLiteral(MIRAVO_PAGEFETCH_MODULE),
                       folder.filePath(QStringLiteral("libmiravo_pagefetch.so")));
}

} // namespace

class tst_BrowserLoading : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void productPageAddress();
    // First of the presses: a fetch module once loaded stays loaded for the rest of the process.
    void missingFetchModuleIsSilent();
    void productPageAddressForHostSetting_data();
    void productPageAddressForHostSetting();
    void brokenModuleIsReported_data();
    void brokenModuleIsReported();
    void unreachableProductPageIsSilent();
};

void tst_BrowserLoading::cleanup()
{
    setBrowserModuleFolders({});
    setProductPageUrl({});
}

void tst_BrowserLoading::productPageAddress()
{
    QCOMPARE(productPageUrl(), QUrl(QStringLiteral("http://" MIRAVO_PRODUCT_HOST "/products/miravodialer_rqt.htm")));
    QVERIFY(productPageUrl().isValid());
    // The tests point it at their own server; an empty address puts the build's back.
    setProductPageUrl(QUrl(QStringLiteral("http://127.0.0.1:8080/products/miravodialer_rqt.htm")));
    QCOMPARE(productPageUrl().port(), 8080);
    setProductPageUrl({});
    QCOMPARE(productPageUrl().authority(), QStringLiteral(MIRAVO_PRODUCT_HOST));
}

void tst_BrowserLoading::productPageAddressForHostSetting_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("address"); // "" = the setting forms no address

    QTest::newRow("host name") << "miravodialer.example"
                               << "http://miravodialer.example/products/miravodialer_rqt.htm";
    QTest::newRow("IPv4 address and port") << "127.0.0.1:18431"
                                           << "http://127.0.0.1:18431/products/miravodialer_rqt.htm";
    QTest::newRow("host name and port") << "www.example.com:8080"
                                        << "http://www.example.com:8080/products/miravodialer_rqt.htm";
    QTest::newRow("highest port") << "host:65535"
                                  << "http://host:65535/products/miravodialer_rqt.htm";
    QTest::newRow("IPv6 address and port") << "[::1]:8080"
                                           << "http://[::1]:8080/products/miravodialer_rqt.htm";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("colon without port") << "127.0.0.1:"
                                        << "";
    QTest::newRow("port zero") << "host:0"
                               << "";
    QTest::newRow("port above 65535") << "host:65536"
                                      << "";
    QTest::newRow("two ports") << "host:80:90"
                               << "";
    QTest::newRow("whole address instead of host") << "http://example.com"
                                                   << "";
    QTest::newRow("host with path") << "example.com/products"
                                    << "";
    QTest::newRow("user before host") << "user@example.com"
                                      << "";
    QTest::newRow("blank inside") << "two words"
                                  << "";
}

void tst_BrowserLoading::productPageAddressForHostSetting()
{
    QFETCH(QString, setting);
    QFETCH(QString, address);
    const QUrl url = productPageUrlForHost(setting);
    QCOMPARE(url.toString(), address);
    QCOMPARE(url.isValid(), !address.isEmpty());
}

void tst_BrowserLoading::brokenModuleIsReported_data()
{
    QTest::addColumn<QString>("content"); // what lies in the module's place: "" for nothing at all
    QTest::addColumn<QString>("reason");  // what the message says after its first line; %1 is the folder
    QTest::newRow("no module in the folder")
        << QString() << QStringLiteral("libmiravo_browser.so is in none of the folders it was looked for in: %1.");
    QTest::newRow("a file that is not a library")
        << QStringLiteral("text") << QStringLiteral("%1/libmiravo_browser.so");
    QTest::newRow("a plugin of another kind")
        << QStringLiteral("other plugin")
        << QStringLiteral("%1/libmiravo_browser.so is not the program's browser module.");
    QTest::newRow("a library that is no plugin")
        << QStringLiteral("plain library") << QStringLiteral("%1/libmiravo_browser.so");
}

void tst_BrowserLoading::brokenModuleIsReported()
{
    QFETCH(QString, content);
    QFETCH(QString, reason);

    QTemporaryDir folder;
    QVERIFY(addFetchModule(folder));
    const QString modulePath = folder.filePath(QStringLiteral("libmiravo_browser.so"));
    if (content == QLatin1String("text")) {
        QFile file(modulePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is no library\n");
    } else if (content == QLatin1String("other plugin")) {
        QVERIFY(QFile::copy(QStringLiteral(MIRAVO_OTHER_PLUGIN), modulePath));
    } else if (content == QLatin1String("plain library")) {
        QVERIFY(QFile::copy(QStringLiteral(MIRAVO_PLAIN_LIBRARY), modulePath));
    }
    setBrowserModuleFolders({folder.path()});

    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.addPage(ProductPath, QStringLiteral("Products"));
    setProductPageUrl(server.url(ProductPath));

    TempDataFolder data;
    ScriptedMessages messages;
    frmMiravoCall window;
    window.show();
    auto* products = window.findChild<QPushButton*>(QStringLiteral("Command1"));
    QVERIFY(products);

    for (int press = 1; press <= 2; ++press) {
        QTest::mouseClick(products, Qt::LeftButton);
        QCOMPARE(messages.shown().size(), press);
        QVERIFY2(messages.texts().last().startsWith(CannotOpen), qPrintable(messages.texts().last()));
        // The second line names the file and where it was looked for, so that a broken installation can be mended.
        QVERIFY2(messages.texts().last().section(QLatin1Char('\n'), 1).contains(reason.arg(folder.path())),
                 qPrintable(messages.texts().last()));
        QCOMPARE(messages.shown().last().title, QStringLiteral("MiravoDialer"));
        QVERIFY(!browserWindow());
        QVERIFY(window.isVisible());
        // The fetch does not depend on the browser: it reaches the server all the same.
        QTRY_COMPARE(server.requestCount(ProductPath), press);
    }
    // Each fetch ends and is cleaned up, content unused.
    QTRY_VERIFY(window.findChildren<QNetworkReply*>().isEmpty());
}

void tst_BrowserLoading::unreachableProductPageIsSilent()
{
    QTemporaryDir folder;
    QVERIFY(addFetchModule(folder));
    setBrowserModuleFolders({folder.path()});
    quint16 closedPort = 0;
    {
        LoopbackHttpServer gone;
        closedPort = gone.url(QString()).port();
    }
    setProductPageUrl(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(closedPort).arg(ProductPath)));

    TempDataFolder data;
    ScriptedMessages messages;
    frmMiravoCall window;
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    // The failed fetch finishes and is dropped without a word; the one message is the missing module's.
    QVERIFY(!window.findChildren<QNetworkAccessManager*>().isEmpty());
    QTRY_VERIFY(window.findChildren<QNetworkReply*>().isEmpty());
    QCOMPARE(messages.shown().size(), 1);
    QVERIFY(messages.texts().first().startsWith(CannotOpen));
    QVERIFY(window.isVisible());
}

void tst_BrowserLoading::missingFetchModuleIsSilent()
{
    // Neither module where the program looks: the browser's message is the only sign, and nothing is fetched.
    QTemporaryDir emptyFolder;
    setBrowserModuleFolders({emptyFolder.path()});
    LoopbackHttpServer server;
    server.addPage(ProductPath, QStringLiteral("Products"));
    setProductPageUrl(server.url(ProductPath));

    TempDataFolder data;
    ScriptedMessages messages;
    frmMiravoCall window;
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QCOMPARE(messages.shown().size(), 1);
    QVERIFY(messages.texts().first().startsWith(CannotOpen));
    // The transfer object is made as the fetch starts; there is none.
    QVERIFY(window.findChildren<QNetworkAccessManager*>().isEmpty());
    QVERIFY(window.isVisible());
}

QTEST_MAIN(tst_BrowserLoading)
#include "tst_browserloading.moc"
