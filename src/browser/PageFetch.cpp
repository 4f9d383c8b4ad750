#include "browser/PageFetch.h"

#include "browser/BrowserLoader.h"

#include <QDir>
#include <QPluginLoader>

namespace miravo {
namespace {

// Loaded once and kept: QtNetwork's objects live on in the windows that own them.
PageFetchModule* loadModule()
{
    static PageFetchModule* loaded = nullptr;
    if (loaded)
        return loaded;
    for (const QString& folder : browserModuleFolders()) {
        QPluginLoader loader(QDir(folder).filePath(QStringLiteral("miravo_pagefetch")));
        if (auto* module = qobject_cast<PageFetchModule*>(loader.instance())) {
            loaded = module;
            break;
        }
    }
    return loaded;
}

} // namespace

void fetchAndDrop(const QUrl& url, QObject* owner)
{
    if (PageFetchModule* module = loadModule())
        module->fetchAndDrop(url, owner);
}

} // namespace miravo
