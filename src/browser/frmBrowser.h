// SPDX-License-Identifier: GPL-3.0-or-later
// frmBrowser, the small browser window that "Products" opens on the product information page: a toolbar of six
// buttons, an address box, the embedded browser, and a busy indicator that shows "Working..." in the caption
// while a page loads. It keeps nothing beyond its own life; closing it destroys it with its address list.
#pragma once

#include "browser/BrowserModule.h"

#include <QIcon>
#include <QList>
#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QTimer;
class QToolBar;
class QWebEngineView;

namespace miravo {

class Announcer;
class WebBrowser;

class frmBrowser final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmBrowser)

public:
    // Builds the window and runs its start-up sequence: the window shows, and the starting address (the home page
    // of `pages`) becomes the address list's one entry and starts loading.
    explicit frmBrowser(const BrowserPages& pages, QWidget* parent = nullptr);
    ~frmBrowser() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_Resize();
    void cboAddress_Click();
    void cboAddress_KeyPress();
    void timTimer_Timer();
    void tbToolBar_ButtonClick(const std::function<void()>& command);
    void brwWebBrowser_DownloadComplete();
    void navigateToAddressBox();
    bool isAddressKey(const QKeyEvent* key) const;

    BrowserPages m_pages;
    // The address the window opened on: the start-up sequence sets it from the pages' home.
    QString StartingAddress;

    QToolBar* m_tbToolBar = nullptr;
    QWebEngineView* m_brwWebBrowser = nullptr;
    WebBrowser* m_browser = nullptr;
    QTimer* m_timTimer = nullptr;
    QWidget* m_picAddress = nullptr;
    QLabel* m_lblAddress = nullptr;
    QComboBox* m_cboAddress = nullptr;
    QList<QIcon> m_imlIcons;
    Announcer* m_announcer = nullptr;
};

} // namespace miravo
