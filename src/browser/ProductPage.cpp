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

QUrl& searchPageOverride()
{
    static QUrl url;
    return url;
}

} // namespace

QUrl productPageUrl()
{
    if (!productPageOverride().isEmpty())
        return productPageOverride();
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral(MIRAVO_PRODUCT_HOST));
    url.setPath(QLatin1String(ProductPagePath));
    return url;
}

QUrl searchPageUrl()
{
    if (!searchPageOverride().isEmpty())
        return searchPageOverride();
    // A search engine that needs no account and sets no tracking cookies; the user asked for a search by pressing
    // the button, so leaving the product's own host here is the user's choice.
    return QUrl(QStringLiteral("https://duckduckgo.com/"));
}

void setProductPageUrl(const QUrl& url)
{
    productPageOverride() = url;
}

void setSearchPageUrl(const QUrl& url)
{
    searchPageOverride() = url;
}

} // namespace miravo
