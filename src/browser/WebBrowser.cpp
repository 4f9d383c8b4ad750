// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebBrowser.h"

#include "BrowserPage.h"

#include <QWebEngineHistory>
#include <QWebEngineView>

#include <atomic>

namespace miravo {
namespace {

// A load starts within milliseconds (tens at the first start of the engine): a request unanswered this long is one
// the engine will not answer.
std::atomic<int> unansweredMs{2000};

} // namespace

WebBrowser::WebBrowser(QWebEngineView* view, const BrowserPages& pages, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_pages(pages)
    , m_page(new BrowserPage(view->window()))
{
    m_view->setPage(m_page);
    connect(m_view, &QWebEngineView::loadStarted, this, [this] {
        m_requested = false;
        m_unanswered.stop();
        m_loading = true;
    });
    connect(m_view, &QWebEngineView::loadFinished, this, [this] {
        m_requested = false;
        m_loading = false;
        emit DownloadComplete();
    });
    // A move within the page (an anchor of the page shown, or history between two of them) starts no load: the
    // address changes and that is all. A real load has started before its address changes.
    connect(m_view, &QWebEngineView::urlChanged, this, [this] {
        if (!m_loading)
            m_requested = false;
    });
    // Some requests change nothing and the engine says nothing about them: "Back" to an entry with the very address
    // shown, for one. Such a request is over when the engine has not started a load after a good while.
    m_unanswered.setSingleShot(true);
    m_unanswered.setInterval(unansweredMs.load());
    connect(&m_unanswered, &QTimer::timeout, this, [this] { m_requested = false; });
}

WebBrowser::~WebBrowser()
{
    // The page may be showing a box inside the engine's call; it goes when that call has returned.
    if (m_page)
        m_page->retire();
}

int WebBrowser::unansweredRequestMs()
{
    return unansweredMs.load();
}

void WebBrowser::setUnansweredRequestMs(int ms)
{
    unansweredMs.store(ms);
}

void WebBrowser::requested()
{
    m_requested = true;
    m_unanswered.start();
}

bool WebBrowser::load(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    // A script address runs in the page shown and loads nothing, so the engine reports nothing either.
    if (url.scheme() != QLatin1String("javascript"))
        requested();
    m_view->load(url);
    return true;
}

bool WebBrowser::Navigate(const QString& address)
{
    return load(QUrl::fromUserInput(address));
}

bool WebBrowser::GoBack()
{
    if (!m_view->history()->canGoBack())
        return false;
    requested();
    m_view->back();
    return true;
}

bool WebBrowser::GoForward()
{
    if (!m_view->history()->canGoForward())
        return false;
    requested();
    m_view->forward();
    return true;
}

bool WebBrowser::GoHome()
{
    return load(m_pages.home);
}

bool WebBrowser::GoSearch()
{
    return load(m_pages.search);
}

bool WebBrowser::Refresh()
{
    if (m_view->url().isEmpty())
        return false;
    requested();
    m_view->reload();
    return true;
}

void WebBrowser::Stop()
{
    m_view->stop();
    m_requested = false;
    m_unanswered.stop();
    m_loading = false;
}

QString WebBrowser::LocationName() const
{
    return m_view->title();
}

} // namespace miravo
