// SPDX-License-Identifier: GPL-3.0-or-later
// The entry point of the browser module: the program loads libmiravo_browser.so with QPluginLoader and asks this
// object for the browser window.
#pragma once

#include "browser/BrowserModule.h"

#include <QObject>

namespace miravo {

class BrowserPlugin final : public QObject, public BrowserModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID MiravoBrowserModule_iid)
    Q_INTERFACES(miravo::BrowserModule)
    Q_DISABLE_COPY_MOVE(BrowserPlugin)

public:
    BrowserPlugin() = default;
    ~BrowserPlugin() override = default;

    QWidget* createBrowserWindow(const BrowserPages& pages) override;
};

} // namespace miravo
