// What the page-fetch module (libmiravo_pagefetch.so) offers the program: the one thing the two share. The
// module is loaded on the first "Products" press (see the windows' browser/PageFetch.h).
#pragma once

#include <QtPlugin>

class QObject;
class QUrl;

namespace miravo {

class PageFetchModule {
public:
    virtual ~PageFetchModule() = default;
    virtual void fetchAndDrop(const QUrl& url, QObject* owner) = 0;
};

} // namespace miravo

#define MiravoPageFetchModule_iid "org.miravodialer.PageFetchModule/1.0"
Q_DECLARE_INTERFACE(miravo::PageFetchModule, MiravoPageFetchModule_iid)
