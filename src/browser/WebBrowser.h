// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded browser as the browser window sees it: a QWebEngineView behind the few operations the window
// uses, and nothing more. The window polls Busy() from its timer and reads LocationName() for its caption.
#pragma once

#include "browser/BrowserModule.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QWebEngineView;

namespace miravo {

class BrowserPage;

class WebBrowser final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebBrowser)

public:
    // Drives `view` (which stays the caller's) with a page of ours; `pages` gives the pages of GoHome() and GoSearch().
    WebBrowser(QWebEngineView* view, const BrowserPages& pages, QObject* parent = nullptr);
    ~WebBrowser() override;

    // Starts loading `address`, completed the way a browser's address bar does ("example.org" is a web page).
    // Returns false, loading nothing, when the text is no address at all (an empty one, for instance).
    bool Navigate(const QString& address);
    // Move through the browser's own history; false, doing nothing, when there is no page in that direction.
    bool GoBack();
    bool GoForward();
    bool GoHome();
    bool GoSearch();
    // Reloads the current page; false when there is none yet.
    bool Refresh();
    void Stop();

    // True from the moment a load is asked for (or the page starts one of its own) until it has finished, failed
    // or been stopped. The engine reports the start of a load a moment later, from its own threads, so a request
    // counts as a load at once: a poll right after Navigate() already sees it.
    bool Busy() const { return m_requested || m_loading; }
    // The current page's title (the engine falls back on the address for a page without one).
    QString LocationName() const;

    // How long a request may go without the engine starting a load before it counts as done (see
    // m_unanswered); for the browsers made from now on. The window's suite shortens it, so that its cases do not
    // wait out the program's bound.
    static int unansweredRequestMs();
    static void setUnansweredRequestMs(int ms);

signals:
    // A load has ended, whether it completed, failed or was stopped.
    void DownloadComplete();

private:
    bool load(const QUrl& url);
    void requested();

    QWebEngineView* m_view;
    BrowserPages m_pages;
    QPointer<BrowserPage> m_page; // the view's page, ours (see BrowserPage::retire)
    bool m_requested = false;     // asked for, not yet started (or done without a load)
    bool m_loading = false;       // between the engine's loadStarted and loadFinished
    QTimer m_unanswered;          // ends a request that the engine never turned into a load
};

} // namespace miravo
