// SPDX-License-Identifier: GPL-3.0-or-later
// The program on a real X server (Xvfb, Qt's xcb platform), where OpenGL is real: the start pays for no OpenGL,
// browser engine, network library or image plugin, and the first "Products" makes the OpenGL context the engine
// draws with and shows the product page, in an application created with nothing prepared for the browser.
// Runs under tests/support/with-xvfb.sh.
#include "ProductPageTests.h"
#include "browser/ProductPage.h"
#include "dialer/frmMiravoCall.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QFile>
#include <QOpenGLContext>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <xcb/xcb.h>

#include <dlfcn.h>

#include <memory>

using namespace miravo;
using namespace miravo::test;
using miravo::test::LoopbackHttpServer;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;

namespace {

constexpr int Timeout = 20000;

// Mesa's OpenGL libraries and drivers, and Qt's OpenGL glue for xcb: what creating an OpenGL context loads. (QtGui
// itself links the small vendor-neutral libGL, libEGL and libGLX stubs; they load no driver.)
const QStringList OpenGlLibraries{QStringLiteral("libGLX_mesa"),       QStringLiteral("libEGL_mesa"),
                                  QStringLiteral("_dri.so"),           QStringLiteral("libgallium"),
                                  QStringLiteral("libLLVM"),           QStringLiteral("libglapi"),
                                  QStringLiteral("xcbglintegrations/")};

QStringList mappedFiles(qint64 pid)
{
    QFile maps(pid ? QStringLiteral("/proc/%1/maps").arg(pid) : QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    QStringList files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0)
            files.append(QString::fromLocal8Bit(line.mid(slash)));
    }
    files.removeDuplicates();
    return files;
}

QStringList matching(const QStringList& files, const QStringList& patterns)
{
    QStringList found;
    for (const QString& file : files) {
        for (const QString& pattern : patterns) {
            if (file.contains(pattern))
                found.append(file);
        }
    }
    return found;
}

template <typename Reply>
using XReply = std::unique_ptr<Reply, decltype(&std::free)>;

// Whether a top-level window of process `pid` is mapped and viewable on the X server (Qt names the process of
// each of its windows in _NET_WM_PID).
bool hasViewableWindow(qint64 pid)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return false;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const char name[] = "_NET_WM_PID";
    XReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr), &std::free);
    XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr),
                                        &std::free);
    if (!atom || !tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr),
            &std::free);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        XReply<xcb_get_property_reply_t> property(
            xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, children[i], atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr),
            &std::free);
        if (property && xcb_get_property_value_length(property.get()) == 4 &&
            *static_cast<const uint32_t*>(xcb_get_property_value(property.get())) == pid)
            return true;
    }
    return false;
}

} // namespace

class tst_DisplayStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void programStartsWithoutThem_data();
    void programStartsWithoutThem();
    void productsMakesTheContextAndShowsThePage();

private:
    QStringList m_programFiles; // what the program as built had mapped once its window was on screen
};

void tst_DisplayStart::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));

    // The program as built, on this X server, with a database of its own: run until its window is viewable.
    TempDataFolder data;
    QVERIFY(data.createDatabase({test::row({{"Company", "Acme Cards"}, {"Business", "18005550100"}})},
                                {test::row({{"Name", "Ann"}, {"Home", "5551234"}})}));
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(MIRAVO_PROGRAM), QStringList());
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(hasViewableWindow(program.processId()), Timeout);
    m_programFiles = mappedFiles(program.processId());
    program.kill();
    program.waitForFinished();

    // The maps were read, and of a program on xcb that has read its lists.
    QVERIFY(!matching(m_programFiles, {QStringLiteral("libQt6Widgets")}).isEmpty());
    QVERIFY(!matching(m_programFiles, {QStringLiteral("platforms/libqxcb")}).isEmpty());
    QVERIFY(!matching(m_programFiles, {QStringLiteral("libsqlite3")}).isEmpty());
}

void tst_DisplayStart::programStartsWithoutThem_data()
{
    QTest::addColumn<QStringList>("patterns");
    QTest::newRow("OpenGL drivers") << OpenGlLibraries;
    QTest::newRow("browser engine") << QStringList{QStringLiteral("libQt6WebEngine"), QStringLiteral("libQt6Quick"),
                                                   QStringLiteral("libmiravo_browser")};
    QTest::newRow("network library") << QStringList{QStringLiteral("libQt6Network"), QStringLiteral("libproxy"),
                                                    QStringLiteral("libmiravo_pagefetch")};
    QTest::newRow("image format plugins") << QStringList{QStringLiteral("imageformats/"), QStringLiteral("libQt6Svg")};
}

void tst_DisplayStart::programStartsWithoutThem()
{
    QFETCH(QStringList, patterns);
    const QStringList found = matching(m_programFiles, patterns);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

void tst_DisplayStart::productsMakesTheContextAndShowsThePage()
{
    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.addPage(ProductPath, ProductTitle);
    setProductPageUrl(server.url(ProductPath));
    TempDataFolder data;
    ScriptedMessages messages;

    // This application was created as the program's: nothing made for the browser before the press.
    frmMiravoCall window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!QOpenGLContext::globalShareContext());
    QVERIFY2(matching(mappedFiles(0), OpenGlLibraries).isEmpty(), "OpenGL was loaded before Products");

    auto* products = window.findChild<QPushButton*>(QStringLiteral("Command1"));
    QVERIFY(products);
    for (int press = 1; press <= 2; ++press) {
        QTest::mouseClick(products, Qt::LeftButton);
        QPointer<QWidget> browser = browserWindow();
        QVERIFY2(browser, qPrintable(messages.texts().join(QLatin1Char('\n'))));
        QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), ProductTitle, Timeout);
        // The context the engine shares its drawing with, made on the first press and kept.
        QVERIFY(QOpenGLContext::globalShareContext());
        QVERIFY(QOpenGLContext::globalShareContext()->isValid());
        browser->close();
        QTRY_VERIFY(browser.isNull());
    }
    // The same check as at start, now finding the driver the context loaded.
    const QStringList openGl = matching(mappedFiles(0), OpenGlLibraries);
    QVERIFY(!openGl.isEmpty());
#ifdef __SANITIZE_ADDRESS__
    // Mesa's driver leaks 128 bytes once per process (its one-time set-up under glXChooseFBConfig) and is unloaded
    // before the leak check, which then cannot name it, so its suppression (tests/sanitizer/lsan-webengine.supp)
    // would not apply. Kept loaded, it is named.
    for (const QString& driver : matching(openGl, {QStringLiteral("_dri.so")}))
        dlopen(QFile::encodeName(driver).constData(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
#endif
    QVERIFY(messages.shown().isEmpty());
    setProductPageUrl({});
}

QTEST_MAIN(tst_DisplayStart)
#include "tst_displaystart.moc"
