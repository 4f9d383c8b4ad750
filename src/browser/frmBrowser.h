// frmBrowser, the small browser window that "Products" opens on the product information page: a toolbar of six
// buttons, an address box, the embedded browser, and a busy indicator that shows "Working..." in the caption
// while a page loads. It keeps nothing beyond its own life; closing it destroys it with its address list.
#pragma once

#include "browser/BrowserModule.h"

#include <QIcon>
#include <QList>
#include <QWidget>

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

    // The address the window opened on. The start-up sequence sets it; a value set before has no effect.
    QString StartingAddress;

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
    void tbToolBar_ButtonClick(QAction* button);
    void brwWebBrowser_DownloadComplete();
    void navigateToAddressBox();
    bool isAddressKey(const QKeyEvent* key) const;

    // Puts the page shown first in the address list, without duplicates: run after each completed navigation it
    // would keep a most-recent-first history. Nothing runs it, so the list keeps its one starting entry; attaching
    // it to the engine's loadFinished is all it would take. The address passed is not used.
    void RememberCurrentAddress(const QString& address);

    BrowserPages m_pages;
    bool m_UpdatingAddressList = false;

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
