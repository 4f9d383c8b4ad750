// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageFetchPlugin.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace miravo {
namespace {

// What the transfer may hold unread at a time; the rest waits in the connection until it is dropped.
constexpr qint64 ReadBufferBytes = 64 * 1024;

} // namespace

void PageFetchPlugin::fetchAndDrop(const QUrl& url, QObject* owner)
{
    // One transfer object per owner, as the main window has one: made on its first fetch, gone with the window.
    auto* manager = owner->findChild<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly);
    if (!manager)
        manager = new QNetworkAccessManager(owner);
    QNetworkReply* reply = manager->get(QNetworkRequest(url));
    reply->setReadBufferSize(ReadBufferBytes);
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    // A connection the transfer object opened for a fetch given up while it queued stays in its cache, idle, for as
    // long as the object lives: once no fetch is running, nothing is kept for a next one, which may never come.
    connect(reply, &QNetworkReply::finished, manager, [manager] {
        const QList<QNetworkReply*> replies = manager->findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
        if (std::none_of(replies.begin(), replies.end(), [](const QNetworkReply* r) { return r->isRunning(); }))
            manager->clearConnectionCache();
    });

    // Nothing uses the content: it is dropped as it arrives, and a page beyond any product page's size (an endless
    // one) is cut off there.
    const qint64 maxBytes = m_limits.maxBytes;
    auto received = std::make_shared<qint64>(0);
    connect(reply, &QIODevice::readyRead, reply, [reply, received, maxBytes] {
        *received += reply->skip(reply->bytesAvailable());
        if (*received > maxBytes)
            reply->abort();
    });
    // A server that never answers, or answers without end, does not keep the transfer and its connection.
    QTimer::singleShot(m_limits.deadline, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
}

} // namespace miravo
