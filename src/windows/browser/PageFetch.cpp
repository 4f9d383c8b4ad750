// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/PageFetch.h"

#include "browser/BrowserLoader.h"

namespace miravo {
namespace {

// Loaded once and kept: QtNetwork's objects live on in the windows that own them.
PageFetchModule* loadModule()
{
    static PageFetchModule* loaded = nullptr;
    if (loaded)
        return loaded;
    // A missing fetch module is not the user's concern: the browser window says what is wrong with the installation.
    const Result<QObject*> root =
        loadProgramModule(QStringLiteral("miravo_pagefetch"), "page fetch",
                          [](QObject* object) { return qobject_cast<PageFetchModule*>(object) != nullptr; });
    if (root.ok())
        loaded = qobject_cast<PageFetchModule*>(root.value());
    return loaded;
}

} // namespace

void fetchAndDrop(const QUrl& url, QObject* owner)
{
    if (PageFetchModule* module = loadModule())
        module->fetchAndDrop(url, owner);
}

} // namespace miravo
