// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace miravo {
namespace {

class QtMessageService final : public MessageService {
public:
    MessageAnswer show(const MessageRequest& request) override
    {
        // The box takes the focus; when it goes, the window and the control that had it get it back, so typing
        // goes on where it was (the window manager alone would leave the focus on the window's frame at best).
        const QPointer<QWidget> window = QApplication::activeWindow();
        const QPointer<QWidget> focus = QApplication::focusWidget();
        const MessageAnswer answer = ask(request);
        if (window && window->isVisible()) {
            window->activateWindow();
            if (focus && focus->isVisible() && focus->isEnabled() && window->isAncestorOf(focus))
                focus->setFocus(Qt::ActiveWindowFocusReason);
        }
        return answer;
    }

private:
    static MessageAnswer ask(const MessageRequest& request)
    {
        // No parent: the box belongs to no window, and application modality blocks every window while it shows.
        QMessageBox box;
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowTitle(request.title);
        box.setText(request.text);
        // Screen readers read a dialog's description with its title. Where Am I reads only the focused button, its
        // name and description: each button carries the text too, so the question is heard again there.
        box.setAccessibleDescription(request.text);
        if (!request.detail.isEmpty())
            box.setDetailedText(request.detail);
        switch (request.style) {
        case MessageStyle::OkOnly:
            box.setIcon(QMessageBox::NoIcon);
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case MessageStyle::YesNoCritical:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        }
        for (QAbstractButton* button : box.buttons())
            button->setAccessibleDescription(request.text);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            // A Yes/No box closed without a choice counts as the default, No.
            return request.style == MessageStyle::YesNoCritical ? MessageAnswer::No : MessageAnswer::Ok;
        }
    }
};

QtMessageService s_qtService;
MessageService* s_service = &s_qtService;

} // namespace

MessageAnswer showMessage(const QString& text, MessageStyle style, const QString& title, const QString& detail)
{
    return s_service->show(MessageRequest{text, title.isEmpty() ? ApplicationTitle : title, style, detail});
}

void setMessageService(MessageService* service)
{
    s_service = service ? service : &s_qtService;
}

} // namespace miravo
