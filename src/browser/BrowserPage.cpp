// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserPage.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWidget>

namespace miravo {

BrowserPage::BrowserPage(QWidget* window)
    // No parent: the page decides itself when it goes (retire()).
    : QWebEnginePage(static_cast<QObject*>(nullptr))
    , m_window(window)
{
    m_window->installEventFilter(this);
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_boxesShown = 0; });
    // Position, notifications, camera and the rest: the product page needs none of them, and an unanswered
    // request leaves the page waiting forever.
    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    });
    connect(this, &QWebEnginePage::renderProcessTerminated, this,
            [this](RenderProcessTerminationStatus status, int) { rendererEnded(status); });
    // Every page of the window shares the profile; the one that asks to download is this window's own.
    connect(profile(), &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest* download) {
        if (download->page() != this)
            return;
        download->cancel();
        note(tr("Downloads are not available in this window: %1 was not saved.")
                 .arg(download->downloadFileName().isEmpty() ? QFileInfo(download->url().path()).fileName()
                                                             : download->downloadFileName()));
    });
}

BrowserPage::~BrowserPage() = default;

void BrowserPage::retire()
{
    m_retired = true;
    if (m_openBox)
        m_openBox->reject();
    if (m_boxDepth == 0) {
        delete this;
        return;
    }
    // Deleted when the box's call has returned (see runBox); a program that ends first, with the box's loop
    // left by its quitting, still deletes the page before the engine goes.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { delete this; });
}

bool BrowserPage::eventFilter(QObject* watched, QEvent* event)
{
    // The window closing ends its page's box: the box's loop would otherwise keep the engine's call, and the
    // window with it, waiting for an answer no one can give.
    if (watched == m_window && event->type() == QEvent::Close && m_openBox)
        m_openBox->reject();
    return QWebEnginePage::eventFilter(watched, event);
}

bool BrowserPage::mayShowBox() const
{
    return !m_retired && m_window && m_window->isVisible() && m_boxesShown < BoxesPerPage;
}

int BrowserPage::runBox(QDialog& box)
{
    ++m_boxesShown;
    box.setWindowModality(Qt::WindowModal);
    // Read with the title by screen readers, as the program's own boxes are.
    if (auto* message = qobject_cast<QMessageBox*>(&box))
        box.setAccessibleDescription(message->text());
    m_openBox = &box;
    ++m_boxDepth;
    const int answer = box.exec();
    --m_boxDepth;
    if (m_retired && m_boxDepth == 0) {
        // The window has gone meanwhile; the engine's call that asked for the box is still on the stack.
        deleteLater();
    }
    return m_retired ? QDialog::Rejected : answer;
}

void BrowserPage::javaScriptAlert(const QUrl& /*securityOrigin*/, const QString& msg)
{
    if (!mayShowBox())
        return;
    QMessageBox box(QMessageBox::Information, m_window->windowTitle(), msg, QMessageBox::Ok, m_window);
    runBox(box);
}

bool BrowserPage::javaScriptConfirm(const QUrl& /*securityOrigin*/, const QString& msg)
{
    if (!mayShowBox())
        return false;
    QMessageBox box(QMessageBox::Question, m_window->windowTitle(), msg, QMessageBox::Ok | QMessageBox::Cancel,
                    m_window);
    // A message box answers with the button pressed; closed in any other way it answers Rejected (0).
    return runBox(box) == QMessageBox::Ok;
}

bool BrowserPage::javaScriptPrompt(const QUrl& /*securityOrigin*/, const QString& msg, const QString& defaultValue,
                                   QString* result)
{
    if (!mayShowBox())
        return false;
    QInputDialog box(m_window);
    box.setWindowTitle(m_window->windowTitle());
    box.setLabelText(msg);
    box.setTextValue(defaultValue);
    if (runBox(box) != QDialog::Accepted)
        return false;
    *result = box.textValue();
    return true;
}

void BrowserPage::note(const QString& text)
{
    if (m_retired || !m_window)
        return;
    // A note, not a question: it blocks nothing, runs no loop of its own, and one at a time is enough.
    if (!m_note) {
        m_note =
            new QMessageBox(QMessageBox::Information, m_window->windowTitle(), QString(), QMessageBox::Ok, m_window);
        m_note->setObjectName(QStringLiteral("pageNote"));
        m_note->setAttribute(Qt::WA_DeleteOnClose);
        m_note->setWindowModality(Qt::WindowModal);
    }
    m_note->setText(text);
    m_note->open();
}

void BrowserPage::rendererEnded(RenderProcessTerminationStatus status)
{
    switch (status) {
    case NormalTerminationStatus:
        return;
    case CrashedTerminationStatus:
        note(tr("This page stopped working: its renderer crashed. Refresh loads it again."));
        return;
    case KilledTerminationStatus:
        note(tr("This page stopped working: its renderer was killed. Refresh loads it again."));
        return;
    case AbnormalTerminationStatus:
        note(tr("This page stopped working: its renderer ended abnormally. Refresh loads it again."));
        return;
    }
}

} // namespace miravo
