// SPDX-License-Identifier: GPL-3.0-or-later
// The browser window against pages that ask things of the program, with the real browser engine on the offscreen
// platform and a web server on 127.0.0.1: a page's boxes in a loop, requests for the user's position and for
// notifications, a download, a renderer that crashes or is killed. The main window and the editors (a window
// standing in for them here) must stay usable, the page must get its answers, and the window must say what
// happened.
#include "WebEngineTestMain.h"
#include "frmBrowser.h"
#include "support/Controls.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <csignal>
#include <functional>

using namespace miravo;
using miravo::test::control;

namespace {

// Serves fixed answers by path, each on a connection of its own.
class PageServer final : public QObject {
public:
    PageServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    void addPage(const QString& path, const QByteArray& html) { add(path, "Content-Type: text/html\r\n", html); }
    void add(const QString& path, const QByteArray& headers, const QByteArray& body)
    {
        m_answers.insert(path, "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) +
                                   "\r\nConnection: close\r\n\r\n" + body);
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    bool isListening() const { return m_server.isListening(); }

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray request = socket->readAll();
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
        socket->write(
            m_answers.value(path, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, QByteArray> m_answers;
};

// A person in front of the screen while page boxes show: on each box of the browser window, `onBox` runs once it
// stands on screen (from the box's own event loop, as a person's click would).
class BoxWatcher final : public QObject {
public:
    explicit BoxWatcher(std::function<void(QDialog*)> onBox)
        : m_onBox(std::move(onBox))
    {
        qApp->installEventFilter(this);
    }
    ~BoxWatcher() override { qApp->removeEventFilter(this); }

    int shown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QDialog*>(watched);
        if (box && event->type() == QEvent::Show && box->parentWidget() &&
            box->parentWidget()->window()->objectName() == QLatin1String("frmBrowser") &&
            box->objectName() != QLatin1String("pageNote")) {
            ++m_shown;
            const QPointer<QDialog> shownBox(box);
            QTimer::singleShot(0, box, [this, shownBox] {
                if (shownBox)
                    m_onBox(shownBox);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QDialog*)> m_onBox;
    int m_shown = 0;
};

// Presses the box's OK button, as a person would.
void pressOk(QDialog* box)
{
    if (auto* buttons = box->findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->click();
    }
}

// A click on `button` through the window system, where a modal box blocks what it blocks.
void clickThroughWindow(QPushButton* button)
{
    QWindow* window = button->window()->windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, button->mapTo(button->window(), button->rect().center()));
}

QWebEngineView* viewOf(QWidget* window)
{
    return window->findChild<QWebEngineView*>();
}

// The visible note of the window whose text holds `part`, if any.
bool noteSays(QWidget* window, const QString& part)
{
    for (const QMessageBox* box : window->findChildren<QMessageBox*>()) {
        if (box->isVisible() && box->text().contains(part))
            return true;
    }
    return false;
}

void typeAddress(QWidget* window, const QString& address)
{
    QLineEdit* edit = control<QComboBox>(window, QStringLiteral("cboAddress"))->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, address);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class tst_HostilePages : public QObject {
    Q_OBJECT

private:
    PageServer m_server;

    // A browser window opened on `path`, destroyed when it closes, as the program's is.
    QPointer<frmBrowser> openOn(const QString& path)
    {
        auto* window = new frmBrowser(BrowserPages{m_server.url(path), m_server.url(path)});
        window->setAttribute(Qt::WA_DeleteOnClose);
        return window;
    }

private slots:
    void initTestCase();
    void pageBoxesBlockOnlyTheBrowserWindow_data();
    void pageBoxesBlockOnlyTheBrowserWindow();
    void closingTheWindowEndsItsBox();
    void permissionRequestsAreRefused_data();
    void permissionRequestsAreRefused();
    void rendererEndIsReported_data();
    void rendererEndIsReported();
    void downloadIsRefusedWithANote();
};

void tst_HostilePages::initTestCase()
{
    QVERIFY(m_server.isListening());
    m_server.addPage(QStringLiteral("/alerts.htm"),
                     "<title>boxes</title><script>for (let i = 0; i < 20; ++i) alert('x' + i);"
                     "document.title = 'done';</script>");
    m_server.addPage(QStringLiteral("/confirms.htm"),
                     "<title>boxes</title><script>for (let i = 0; i < 20; ++i) confirm('x' + i);"
                     "document.title = 'done';</script>");
    m_server.addPage(QStringLiteral("/prompts.htm"),
                     "<title>boxes</title><script>for (let i = 0; i < 20; ++i) prompt('x' + i, 'y');"
                     "document.title = 'done';</script>");
    m_server.addPage(QStringLiteral("/endless-alerts.htm"),
                     "<title>endless</title><script>while (true) alert('again');</script>");
    m_server.addPage(QStringLiteral("/position.htm"),
                     "<title>asking</title><script>navigator.geolocation.getCurrentPosition("
                     "() => document.title = 'granted', e => document.title = 'refused ' + e.code);</script>");
    m_server.addPage(QStringLiteral("/notifications.htm"),
                     "<title>asking</title><script>Notification.requestPermission().then("
                     "p => document.title = 'notifications ' + p);</script>");
    m_server.addPage(QStringLiteral("/plain.htm"), "<title>plain</title><p>A page.</p>");
    m_server.add(QStringLiteral("/price-list.pdf"),
                 "Content-Type: application/pdf\r\nContent-Disposition: attachment; filename=price-list.pdf\r\n",
                 QByteArray(2048, 'p'));
}

void tst_HostilePages::pageBoxesBlockOnlyTheBrowserWindow_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("alert in a loop") << QStringLiteral("/alerts.htm");
    QTest::newRow("confirm in a loop") << QStringLiteral("/confirms.htm");
    QTest::newRow("prompt in a loop") << QStringLiteral("/prompts.htm");
}

void tst_HostilePages::pageBoxesBlockOnlyTheBrowserWindow()
{
    QFETCH(QString, path);

    // Another window of the program, as the main window with its "Phonebook" button.
    QWidget other;
    other.setObjectName(QStringLiteral("other"));
    auto* button = new QPushButton(QStringLiteral("Phonebook"), &other);
    other.resize(200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QSignalSpy pressed(button, &QPushButton::clicked);

    int pressedDuringBoxes = 0;
    BoxWatcher person([&](QDialog* box) {
        clickThroughWindow(button);
        pressedDuringBoxes = int(pressed.size());
        pressOk(box);
    });

    QPointer<frmBrowser> window = openOn(path);
    QTRY_COMPARE_WITH_TIMEOUT(viewOf(window)->title(), QStringLiteral("done"), 60000);
    // The first boxes showed, each leaving the other window usable; the rest were passed over.
    QVERIFY(person.shown() >= 1);
    QCOMPARE(pressedDuringBoxes, person.shown());
    QVERIFY2(person.shown() < 20, qPrintable(QString::number(person.shown())));
    window->close();
    QTRY_VERIFY(!window);
}

void tst_HostilePages::closingTheWindowEndsItsBox()
{
    QPointer<frmBrowser> window;
    BoxWatcher person([&](QDialog*) {
        if (window)
            window->close();
    });
    window = openOn(QStringLiteral("/endless-alerts.htm"));
    QTRY_VERIFY_WITH_TIMEOUT(person.shown() >= 1, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!window, 10000);
    // No box came back after the window went.
    QCOMPARE(person.shown(), 1);
    for (QWidget* topLevel : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<QDialog*>(topLevel) || !topLevel->isVisible(), "a page box is still open");
}

void tst_HostilePages::permissionRequestsAreRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("answerSeen");
    QTest::newRow("the user's position") << QStringLiteral("/position.htm") << QStringLiteral("refused 1");
    QTest::newRow("notifications") << QStringLiteral("/notifications.htm") << QStringLiteral("notifications denied");
}

void tst_HostilePages::permissionRequestsAreRefused()
{
    QFETCH(QString, path);
    QFETCH(QString, answerSeen);

    QPointer<frmBrowser> window = openOn(path);
    // The page gets its answer (it would wait forever without one), and it is no.
    QTRY_COMPARE_WITH_TIMEOUT(viewOf(window)->title(), answerSeen, 60000);
    window->close();
    QTRY_VERIFY(!window);
}

void tst_HostilePages::rendererEndIsReported_data()
{
    QTest::addColumn<bool>("killed"); // false: the crash address typed into the address box
    QTest::addColumn<QString>("told");
    QTest::newRow("chrome://crash typed into the address box") << false << QStringLiteral("crashed");
    QTest::newRow("the renderer process killed") << true << QStringLiteral("killed");
}

void tst_HostilePages::rendererEndIsReported()
{
    QFETCH(bool, killed);
    QFETCH(QString, told);

    QPointer<frmBrowser> window = openOn(QStringLiteral("/plain.htm"));
    QTRY_COMPARE_WITH_TIMEOUT(viewOf(window)->title(), QStringLiteral("plain"), 60000);
    if (killed) {
        const qint64 renderer = viewOf(window)->page()->renderProcessPid();
        QVERIFY(renderer > 0);
        QCOMPARE(::kill(pid_t(renderer), SIGKILL), 0);
    } else {
        typeAddress(window, QStringLiteral("chrome://crash"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(noteSays(window, told), 30000);
    // The window stays usable: Refresh brings the page back.
    QVERIFY(noteSays(window, QStringLiteral("Refresh")));
    window->close();
    QTRY_VERIFY(!window);
}

void tst_HostilePages::downloadIsRefusedWithANote()
{
    QTemporaryDir downloads;
    QWebEngineProfile::defaultProfile()->setDownloadPath(downloads.path());

    QPointer<frmBrowser> window = openOn(QStringLiteral("/plain.htm"));
    QTRY_COMPARE_WITH_TIMEOUT(viewOf(window)->title(), QStringLiteral("plain"), 60000);
    typeAddress(window, m_server.url(QStringLiteral("/price-list.pdf")).toString());
    QTRY_VERIFY_WITH_TIMEOUT(noteSays(window, QStringLiteral("price-list.pdf")), 30000);
    QVERIFY(QDir(downloads.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    window->close();
    QTRY_VERIFY(!window);
}

MIRAVO_WEBENGINE_TEST_MAIN(tst_HostilePages)
#include "tst_hostilepages.moc"
