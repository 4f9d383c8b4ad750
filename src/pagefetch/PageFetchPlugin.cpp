#include "PageFetchPlugin.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace miravo {

void PageFetchPlugin::fetchAndDrop(const QUrl& url, QObject* owner)
{
    // One transfer object per owner, as the main window has one: made on its first fetch, gone with the window.
    auto* manager = owner->findChild<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly);
    if (!manager)
        manager = new QNetworkAccessManager(owner);
    QNetworkReply* reply = manager->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

} // namespace miravo
