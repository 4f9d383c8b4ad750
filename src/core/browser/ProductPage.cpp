// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/ProductPage.h"

#ifndef MIRAVO_PRODUCT_HOST
#error "MIRAVO_PRODUCT_HOST must name the product's web host (a CMake cache variable)"
#endif

namespace miravo {
namespace {

QUrl& productPageOverride()
{
    static QUrl url;
    return url;
}

} // namespace

QUrl productPageUrl()
{
    if (!productPageOverride().isEmpty())
        return productPageOverride();
    return productPageUrlForHost(QStringLiteral(MIRAVO_PRODUCT_HOST));
}

QUrl productPageUrlForHost(const QString& host)
{
    // The setting is the address's authority; anything beyond a host and a port (a user, a path, an empty port)
    // would make another address than the one the setting names.
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setAuthority(host, QUrl::StrictMode);
    url.setPath(QLatin1String(ProductPagePath));
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.port() == 0 ||
        host.endsWith(QLatin1Char(':')) || host.contains(QLatin1Char('/')))
        return {};
    return url;
}

QUrl searchPageUrl()
{
    // A search engine that needs no account and sets no tracking cookies; the user asked for a search by pressing
    // the button, so leaving the product's own host here is the user's choice.
    return QUrl(QStringLiteral("https://duckduckgo.com/"));
}

void setProductPageUrl(const QUrl& url)
{
    productPageOverride() = url;
}

} // namespace miravo
