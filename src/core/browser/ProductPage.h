// SPDX-License-Identifier: GPL-3.0-or-later
// The web pages the program knows by address: the product information page, which the main window's "Products"
// button fetches and the browser window opens on, and the browser's search page. Widget-free, so the main window
// and the tests reach it without the browser module.
#pragma once

#include <QUrl>

namespace miravo {

// The fixed path of the product information page on the product's web host.
inline constexpr char ProductPagePath[] = "/products/miravodialer_rqt.htm";

// "http://<product host>/products/miravodialer_rqt.htm", the host being the build's MIRAVO_PRODUCT_HOST.
QUrl productPageUrl();

// The product page's address on `host`, which is "host" or "host:port" (an IPv6 address in brackets);
// an empty address when the setting cannot form one. The configure step refuses such a setting for the build.
QUrl productPageUrlForHost(const QString& host);

// The page that the browser's "Search" button opens.
QUrl searchPageUrl();

// Points the product page elsewhere: the tests and the benchmarks serve it from a loopback server. An empty address
// puts the built-in one back. The program itself never calls this.
void setProductPageUrl(const QUrl& url);

} // namespace miravo
