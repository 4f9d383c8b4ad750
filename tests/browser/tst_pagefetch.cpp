// SPDX-License-Identifier: GPL-3.0-or-later
// The "Products" fetch against servers that misbehave: the content is dropped as it arrives, a page beyond any
// product page's size is cut off, and a server that never answers is given up at the deadline, with nothing left
// behind (no transfer objects, no open descriptors). The real fetch module, loaded as the program loads it,
// against a real server on 127.0.0.1; the bounds are set short through the module's limits, never waited out.
#include "browser/PageFetchModule.h"

#include <QDir>
#include <QNetworkReply>
#include <QPluginLoader>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

// What the server does with each request it gets.
enum class Answer {
    SmallPage,      // a whole page of a few hundred bytes, its length announced
    Endless,        // a page sent until the client lets go, no length announced
    HugeAnnounced,  // "4 GiB follow", then sent until the client lets go
    Silent,         // reads the request, never answers
    SilentAfterHead // the status line and headers, then nothing
};

class MisbehavingServer final : public QObject {
public:
    explicit MisbehavingServer(Answer kind)
        : m_answer(kind)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++m_connections;
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    ++m_closedByClient;
                    socket->deleteLater();
                });
            }
        });
    }

    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/products/page.htm").arg(m_server.serverPort()));
    }
    bool isListening() const { return m_server.isListening(); }
    int connections() const { return m_connections; }
    int closedByClient() const { return m_closedByClient; }
    qint64 bytesSent() const { return m_bytesSent; }

private:
    void answer(QTcpSocket* socket)
    {
        if (!socket->readAll().contains("\r\n\r\n") || m_answer == Answer::Silent)
            return;
        switch (m_answer) {
        case Answer::SmallPage: {
            const QByteArray page(400, 'x');
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                          QByteArray::number(page.size()) + "\r\n\r\n" + page);
            break;
        }
        case Answer::SilentAfterHead:
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1000\r\n\r\n");
            break;
        case Answer::Endless:
        case Answer::HugeAnnounced:
            socket->write(m_answer == Answer::Endless
                              ? QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n")
                              : QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                           "Content-Length: 4294967296\r\n\r\n"));
            // Keeps the connection's buffer topped up for as long as the client reads.
            connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { feed(socket); });
            feed(socket);
            break;
        case Answer::Silent:
            break;
        }
    }

    void feed(QTcpSocket* socket)
    {
        static const QByteArray chunk(64 * 1024, 'y');
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 2 * chunk.size()) {
            socket->write(chunk);
            m_bytesSent += chunk.size();
        }
    }

    Answer m_answer;
    QTcpServer m_server;
    int m_connections = 0;
    int m_closedByClient = 0;
    qint64 m_bytesSent = 0;
};

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class tst_PageFetch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fetchEndsWithNothingKept_data();
    void fetchEndsWithNothingKept();
    void manyFetchesOfASilentServerLeaveNoDescriptors();

private:
    miravo::PageFetchModule* m_module = nullptr;
};

void tst_PageFetch::initTestCase()
{
    QPluginLoader loader(QStringLiteral(MIRAVO_PAGEFETCH_MODULE));
    QObject* root = loader.instance();
    QVERIFY2(root, qPrintable(loader.errorString()));
    m_module = qobject_cast<miravo::PageFetchModule*>(root);
    QVERIFY(m_module);
}

void tst_PageFetch::fetchEndsWithNothingKept_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("cutOff"); // whether the fetch must drop the connection itself

    QTest::newRow("a small page is fetched to its end") << Answer::SmallPage << false;
    QTest::newRow("an endless page is cut off") << Answer::Endless << true;
    QTest::newRow("a page announced as 4 GiB is cut off") << Answer::HugeAnnounced << true;
    QTest::newRow("a server that never answers is given up") << Answer::Silent << true;
    QTest::newRow("a server silent after the headers is given up") << Answer::SilentAfterHead << true;
}

void tst_PageFetch::fetchEndsWithNothingKept()
{
    QFETCH(Answer, answer);
    QFETCH(bool, cutOff);

    MisbehavingServer server(answer);
    QVERIFY(server.isListening());
    // The small page must come well within the deadline, even on a busy machine; the others must be given up.
    const auto deadline = answer == Answer::SmallPage ? 20000ms : 500ms;
    const qint64 maxBytes = 256 * 1024;
    m_module->setLimits({deadline, maxBytes});

    QObject owner;
    m_module->fetchAndDrop(server.url(), &owner);
    QTRY_COMPARE_WITH_TIMEOUT(server.connections(), 1, 10000);
    // The transfer ends by itself: its objects go, and a connection it gave up is closed.
    QTRY_VERIFY_WITH_TIMEOUT(owner.findChildren<QNetworkReply*>().isEmpty(), 15000);
    if (cutOff)
        QTRY_COMPARE_WITH_TIMEOUT(server.closedByClient(), 1, 10000);
    if (answer == Answer::Endless || answer == Answer::HugeAnnounced) {
        // Cut off near the bound: what was sent beyond it lies in the connection's buffers, never in memory.
        QVERIFY2(server.bytesSent() < maxBytes + 64 * 1024 * 1024, qPrintable(QString::number(server.bytesSent())));
    }
}

void tst_PageFetch::manyFetchesOfASilentServerLeaveNoDescriptors()
{
    MisbehavingServer server(Answer::Silent);
    QVERIFY(server.isListening());
    m_module->setLimits({300ms, 256 * 1024});
    QObject owner;

    // The first fetch sets up what the transfer object keeps for its life; the presses after it add nothing.
    m_module->fetchAndDrop(server.url(), &owner);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedByClient(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(owner.findChildren<QNetworkReply*>().isEmpty(), 10000);
    const int before = openDescriptors();

    constexpr int Presses = 21;
    for (int press = 0; press < Presses; ++press)
        m_module->fetchAndDrop(server.url(), &owner);
    QTRY_VERIFY_WITH_TIMEOUT(owner.findChildren<QNetworkReply*>().isEmpty(), 20000);
    // A fetch may be given up while it still queues for one of the few connections to a host: only those that
    // reached the server count there.
    QTRY_COMPARE_WITH_TIMEOUT(server.closedByClient(), server.connections(), 10000);
    QVERIFY(server.connections() > 1);
    QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= before, 10000);
}

QTEST_GUILESS_MAIN(tst_PageFetch)
#include "tst_pagefetch.moc"
