// SPDX-License-Identifier: GPL-3.0-or-later
// A small HTTP server on 127.0.0.1 for the tests: it serves web pages with titles, holds the answer of a "slow"
// page until the test lets it go, and counts the requests per path. It runs on the test's own thread, so it
// answers whenever the test waits in an event loop (QTRY_VERIFY and friends).
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace miravo::test {

class LoopbackHttpServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoopbackHttpServer)

public:
    // Listens on a free port of 127.0.0.1 at once; check isListening().
    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    bool isListening() const { return m_server.isListening(); }
    // http://127.0.0.1:<port><path>
    QUrl url(const QString& path) const;

    // Serves an HTML page whose <title> is `title` at `path`.
    void addPage(const QString& path, const QString& title);
    // A page whose answer is held back until releaseHeld(): a load that stays under way for as long as the test
    // wants. Released answers are pages titled `title`.
    void addSlowPage(const QString& path, const QString& title);
    void releaseHeld();

    // Requests received for `path` (query left aside), and every path requested, in order.
    int requestCount(const QString& path) const { return int(m_requests.count(path)); }
    const QStringList& requests() const { return m_requests; }
    // The User-Agent header of each request for `path`, latest first: tells the browser's requests from others.
    QList<QByteArray> userAgents(const QString& path) const { return m_userAgents.values(path); }
    // Requests held back and not yet answered.
    int heldCount() const;

signals:
    void requested(const QString& path);

private:
    struct Page {
        QString title;
        bool slow = false;
    };

    void accept();
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& path, const QByteArray& userAgent);

    QTcpServer m_server;
    QHash<QString, Page> m_pages;
    QStringList m_requests;
    QMultiHash<QString, QByteArray> m_userAgents;
    QList<QPair<QPointer<QTcpSocket>, QString>> m_held;
};

} // namespace miravo::test
