// The "Products" fetch of the product page. The transfer needs QtNetwork, which brings proxy and Kerberos
// libraries with it (about 1.5 MB and 5 ms at start); the program does not link it. A small module of its own,
// libmiravo_pagefetch.so, links it and is loaded on the first fetch, from the folders the browser module is looked
// for in. It is separate from the browser module so that the fetch happens even when the browser cannot be loaded.
#pragma once

#include <QObject>
#include <QtPlugin>

#include <chrono>

class QUrl;

namespace miravo {

// How far a fetch goes before it gives up. The content is dropped as it arrives, so memory stays small whatever
// the server sends; the bounds keep a server that sends without end, or never answers, from holding a transfer
// (and its connection) open for the rest of the program's life.
struct FetchLimits {
    // The whole transfer, from the request to its last byte.
    std::chrono::milliseconds deadline{30000};
    // Bytes of content; a product page is a few kilobytes.
    qint64 maxBytes = 4 * 1024 * 1024;
};

// Fetches `url` and drops the content: nothing waits for it, and a page that cannot be reached is not worth a
// message. The transfer's objects are children of `owner` and go with it. When the module is missing or cannot
// be loaded, nothing is fetched, silently.
void fetchAndDrop(const QUrl& url, QObject* owner);

// What the module offers.
class PageFetchModule {
public:
    virtual ~PageFetchModule() = default;
    virtual void fetchAndDrop(const QUrl& url, QObject* owner) = 0;
    // For the fetches that follow. The program keeps the defaults; tests set short bounds instead of waiting.
    virtual void setLimits(const FetchLimits& limits) = 0;
};

} // namespace miravo

#define MiravoPageFetchModule_iid "org.miravodialer.PageFetchModule/1.1"
Q_DECLARE_INTERFACE(miravo::PageFetchModule, MiravoPageFetchModule_iid)
