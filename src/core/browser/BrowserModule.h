// SPDX-License-Identifier: GPL-3.0-or-later
// The browser window lives in a module of its own (libmiravo_browser.so), loaded the first time "Products" is
// pressed: the browser engine is large, and a program that linked it would pay for it at every start. This is
// the one thing the program and the module share.
#pragma once

#include <QUrl>
#include <QtPlugin>

class QWidget;

namespace miravo {

// The pages the browser window knows by itself: where it opens and what its "Home" and "Search" buttons show.
struct BrowserPages {
    QUrl home;   // the product information page: the starting address and the "Home" page
    QUrl search; // the "Search" page
};

class BrowserModule {
public:
    virtual ~BrowserModule() = default;

    // Creates the browser window and runs its start-up sequence, which shows it and starts loading `pages.home`.
    // The window has no parent; the caller owns it (it is meant to be destroyed when it closes).
    virtual QWidget* createBrowserWindow(const BrowserPages& pages) = 0;
};

} // namespace miravo

#define MiravoBrowserModule_iid "org.miravodialer.BrowserModule/1.0"
Q_DECLARE_INTERFACE(miravo::BrowserModule, MiravoBrowserModule_iid)
