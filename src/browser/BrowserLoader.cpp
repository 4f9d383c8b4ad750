#include "browser/BrowserLoader.h"

#include "browser/ProductPage.h"
#include "browser/ShareContext.h"
#include "ui/BrowserModule.h"
#include "ui/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <QPointer>
#include <QWidget>

namespace miravo {
namespace {

const QString ModuleName = QStringLiteral("miravo_browser");

QStringList& folderOverride()
{
    static QStringList folders;
    return folders;
}

QPointer<QWidget>& openBrowserWindow()
{
    static QPointer<QWidget> window;
    return window;
}

struct Loaded {
    BrowserModule* module = nullptr;
    QString error;
};

// Loads the module from the first folder that holds a loadable one. A module once loaded stays loaded for the rest
// of the program's life: the browser engine it brings cannot be unloaded safely.
Loaded loadModule()
{
    static BrowserModule* loaded = nullptr;
    if (loaded)
        return {loaded, {}};

    // The engine looks for the shared context as soon as its library is loaded.
    QString error;
    if (!ensureGlobalShareContext(error))
        return {nullptr, error};
    for (const QString& folder : browserModuleFolders()) {
        // QPluginLoader adds the platform's prefix and suffix (lib....so) to the base name.
        QPluginLoader loader(QDir(folder).filePath(ModuleName));
        QObject* root = loader.instance();
        if (!root) {
            // A module that is there but broken says more than one that is missing from a later folder.
            if (error.isEmpty() || QFileInfo::exists(loader.fileName()))
                error = loader.errorString();
            continue;
        }
        if (auto* module = qobject_cast<BrowserModule*>(root)) {
            loaded = module;
            return {loaded, {}};
        }
        error =
            QStringLiteral("%1 is not the program's browser module.").arg(QDir::toNativeSeparators(loader.fileName()));
    }
    if (error.isEmpty())
        error = QStringLiteral("No folder to look for %1 in.").arg(ModuleName);
    return {nullptr, error};
}

} // namespace

QStringList browserModuleFolders()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const QString programFolder = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(programFolder + QStringLiteral("/../lib")), programFolder};
}

void setBrowserModuleFolders(const QStringList& folders)
{
    folderOverride() = folders;
}

QWidget* showBrowserWindow()
{
    QPointer<QWidget>& window = openBrowserWindow();
    if (!window) {
        const Loaded loaded = loadModule();
        if (!loaded.module) {
            showMessage(QStringLiteral("The browser window cannot be opened: its module could not be loaded.\n%1")
                            .arg(loaded.error));
            return nullptr;
        }
        window = loaded.module->createBrowserWindow(BrowserPages{productPageUrl(), searchPageUrl()});
        if (!window)
            return nullptr;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window.data();
}

} // namespace miravo
