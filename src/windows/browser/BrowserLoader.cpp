// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/BrowserLoader.h"

#include "ProgramModules.h"
#include "Result.h"
#include "browser/BrowserModule.h"
#include "browser/ProductPage.h"
#include "browser/ShareContext.h"
#include "ui/MessageService.h"
#include "ui/WindowRegistry.h"

#include <QPointer>
#include <QWidget>

namespace miravo {
namespace {

const QString ModuleName = QStringLiteral("miravo_browser");

QPointer<QWidget>& openBrowserWindow()
{
    static QPointer<QWidget> window;
    return window;
}

// The browser module once loaded stays loaded for the rest of the program's life: the browser engine it brings
// cannot be unloaded safely.
Result<BrowserModule*> loadBrowserModule()
{
    static BrowserModule* loaded = nullptr;
    if (loaded)
        return loaded;

    // The engine looks for the shared context as soon as its library is loaded.
    if (const Outcome context = ensureGlobalShareContext(); !context.ok())
        return context.failure();
    const Result<QObject*> root = loadProgramModule(
        ModuleName, "browser", [](QObject* object) { return qobject_cast<BrowserModule*>(object) != nullptr; });
    if (!root.ok())
        return root.failure();
    loaded = qobject_cast<BrowserModule*>(root.value());
    return loaded;
}

} // namespace

QWidget* showBrowserWindow()
{
    // The window's class is the module's own: the program knows it only as a widget, in a slot of its own.
    return showWindowIn(openBrowserWindow(), []() -> QWidget* {
        const Result<BrowserModule*> loaded = loadBrowserModule();
        if (!loaded.ok()) {
            showMessage(QStringLiteral("The browser window cannot be opened: its module could not be loaded.\n%1")
                            .arg(loaded.reason()));
            return nullptr;
        }
        return loaded.value()->createBrowserWindow(BrowserPages{productPageUrl(), searchPageUrl()});
    });
}

} // namespace miravo
