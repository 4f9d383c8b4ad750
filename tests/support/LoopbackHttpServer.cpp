// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <utility>

namespace miravo::test {
namespace {

constexpr int MaxRequestHead = 64 * 1024;

QByteArray response(int status, const QByteArray& reason, const QString& title)
{
    const QByteArray body = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                                           "</head><body><h1>%1</h1></body></html>")
                                .arg(title.toHtmlEscaped())
                                .toUtf8();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    head += "Content-Type: text/html; charset=utf-8\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "Cache-Control: no-store\r\n";
    head += "Connection: close\r\n\r\n";
    return head + body;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    for (const auto& held : std::as_const(m_held)) {
        if (held.first)
            held.first->abort();
    }
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    QUrl result;
    result.setScheme(QStringLiteral("http"));
    result.setHost(QStringLiteral("127.0.0.1"));
    result.setPort(m_server.serverPort());
    result.setPath(path);
    return result;
}

void LoopbackHttpServer::addPage(const QString& path, const QString& title)
{
    m_pages.insert(path, {title, false});
}

void LoopbackHttpServer::addSlowPage(const QString& path, const QString& title)
{
    m_pages.insert(path, {title, true});
}

void LoopbackHttpServer::releaseHeld()
{
    const auto held = std::exchange(m_held, {});
    for (const auto& [socket, path] : held) {
        if (!socket)
            continue;
        socket->write(response(200, "OK", m_pages.value(path).title));
        socket->disconnectFromHost();
    }
}

int LoopbackHttpServer::heldCount() const
{
    int count = 0;
    for (const auto& held : m_held)
        count += held.first && held.first->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    return count;
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LoopbackHttpServer::read(QTcpSocket* socket)
{
    // One request per connection, since every answer closes it: wait for the whole head, then answer once.
    if (socket->property("answered").toBool())
        return;
    const QByteArray head = socket->peek(MaxRequestHead);
    if (!head.contains("\r\n\r\n")) {
        if (head.size() >= MaxRequestHead)
            socket->abort();
        return;
    }
    socket->readAll();
    socket->setProperty("answered", true);
    // "GET /path?query HTTP/1.1"
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString target = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    QByteArray userAgent;
    for (const QByteArray& line : head.split('\n')) {
        if (line.toLower().startsWith("user-agent:"))
            userAgent = line.mid(int(qstrlen("user-agent:"))).trimmed();
    }
    answer(socket, QUrl(target).path(), userAgent);
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const QString& path, const QByteArray& userAgent)
{
    m_requests.append(path);
    m_userAgents.insert(path, userAgent);
    emit requested(path);
    const auto page = m_pages.constFind(path);
    if (page == m_pages.cend()) {
        socket->write(response(404, "Not Found", QStringLiteral("Not Found")));
        socket->disconnectFromHost();
        return;
    }
    if (page->slow) {
        m_held.append({QPointer<QTcpSocket>(socket), path});
        return;
    }
    socket->write(response(200, "OK", page->title));
    socket->disconnectFromHost();
}

} // namespace miravo::test
