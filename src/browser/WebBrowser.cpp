#include "browser/WebBrowser.h"

#include <QAction>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace miravo {

WebBrowser::WebBrowser(QWebEngineView* view, const BrowserPages& pages, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_pages(pages) {
    connect(m_view, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(m_view, &QWebEngineView::loadFinished, this, [this] {
        m_busy = false;
        emit DownloadComplete();
    });
}

WebBrowser::~WebBrowser() = default;

bool WebBrowser::load(const QUrl& url) {
    if (!url.isValid() || url.isEmpty())
        return false;
    // The engine reports the start a moment later, from its own process; until then the load is already under way
    // as far as the window is concerned.
    m_busy = true;
    m_view->load(url);
    return true;
}

bool WebBrowser::Navigate(const QString& address) {
    return load(QUrl::fromUserInput(address));
}

bool WebBrowser::GoBack() {
    if (!m_view->history()->canGoBack())
        return false;
    m_busy = true;
    m_view->back();
    return true;
}

bool WebBrowser::GoForward() {
    if (!m_view->history()->canGoForward())
        return false;
    m_busy = true;
    m_view->forward();
    return true;
}

bool WebBrowser::GoHome() {
    return load(m_pages.home);
}

bool WebBrowser::GoSearch() {
    return load(m_pages.search);
}

bool WebBrowser::Refresh() {
    if (m_view->url().isEmpty())
        return false;
    m_busy = true;
    m_view->reload();
    return true;
}

void WebBrowser::Stop() {
    m_view->stop();
    m_busy = false;
}

QString WebBrowser::LocationName() const {
    return m_view->title();
}

QString WebBrowser::LocationURL() const {
    return m_view->url().toString();
}

} // namespace miravo
