// SPDX-License-Identifier: GPL-3.0-or-later
// The page the browser window shows, with what a page asks of the program answered the way this window wants:
// - a page's alert, confirm and prompt boxes belong to the browser window alone (window-modal), so the main window
//   and the editors stay usable; after the first few on one page the rest are passed over (an alert in a loop
//   would come back forever), and closing the browser window ends the one open;
// - requests for the user's position, for notifications and the like are refused at once, never left pending;
// - a download is refused, with a short note in the window;
// - a page whose renderer process crashed or was killed says so in the window, instead of staying blank.
// WebBrowser makes one for its view. A page box runs an event loop of its own, inside the engine's call; the page
// must outlive that call, so it is not deleted with the window while a box is open: see retire().
#pragma once

#include <QPointer>
#include <QWebEnginePage>

class QDialog;
class QMessageBox;
class QWidget;

namespace miravo {

class BrowserPage final : public QWebEnginePage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrowserPage)

public:
    // Boxes of one page shown before the rest are passed over.
    static constexpr int BoxesPerPage = 3;

    // `window` is the browser window: the boxes and notes belong to it, and its closing ends an open box.
    explicit BrowserPage(QWidget* window);
    ~BrowserPage() override;

    // The window is going: the page ends its open box, if any, and deletes itself once the engine's call that
    // showed the box has returned; without one it is deleted at once.
    void retire();

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows `box` window-modal and returns its answer (QDialog::Rejected when the window went meanwhile).
    int runBox(QDialog& box);
    bool mayShowBox() const;
    void note(const QString& text);
    void rendererEnded(RenderProcessTerminationStatus status);

    QPointer<QWidget> m_window;
    QPointer<QDialog> m_openBox;
    QPointer<QMessageBox> m_note;
    int m_boxesShown = 0; // on the page shown; a new load starts again from none
    int m_boxDepth = 0;   // boxes open inside one another
    bool m_retired = false;
};

} // namespace miravo
