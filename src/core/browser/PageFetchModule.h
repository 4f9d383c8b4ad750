// SPDX-License-Identifier: GPL-3.0-or-later
// What the page-fetch module (libmiravo_pagefetch.so) offers the program: the one thing the two share. The
// module is loaded on the first "Products" press (see the windows' browser/PageFetch.h).
#pragma once

#include <QtGlobal>
#include <QtPlugin>

#include <chrono>

class QObject;
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
