// SPDX-License-Identifier: GPL-3.0-or-later
// The "Products" fetch of the product page. The transfer needs QtNetwork, which brings proxy and Kerberos
// libraries with it (their cost at start is in bench/README.md); the program does not link it. A small module of its
// own, libmiravo_pagefetch.so, links it and is loaded on the first fetch, from the folders the browser module is looked
// for in. It is separate from the browser module so that the fetch happens even when the browser cannot be loaded.
#pragma once

#include "browser/PageFetchModule.h"

class QObject;
class QUrl;

namespace miravo {

// Fetches `url` and drops the content: nothing waits for it, and a page that cannot be reached is not worth a
// message. The transfer's objects are children of `owner` and go with it. When the module is missing or cannot
// be loaded, nothing is fetched, silently.
void fetchAndDrop(const QUrl& url, QObject* owner);

} // namespace miravo
