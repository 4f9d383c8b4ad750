// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box of the program goes through here. The real service shows a modal QMessageBox; tests
// install their own service, so that no test ever blocks on a popup and each can see what the user was told.
#pragma once

#include <QString>

namespace miravo {

// The program's title, shown by every message box that brings no title of its own.
inline const QString ApplicationTitle = QStringLiteral("MiravoDialer");

enum class MessageStyle {
    OkOnly,        // one OK button, no icon
    YesNoCritical, // Yes and No, the critical (stop) icon, No as the default button
};

enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MessageStyle style = MessageStyle::OkOnly;
    // Shown behind the box's "Show Details..." button: why, where the text itself is fixed.
    QString detail;
};

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MessageAnswer show(const MessageRequest& request) = 0;
};

// Shows a message box, modal for the whole program, and returns the button pressed.
// An empty title becomes the program's title; a detail, when given, is the box's detailed text.
MessageAnswer showMessage(const QString& text, MessageStyle style = MessageStyle::OkOnly, const QString& title = {},
                          const QString& detail = {});

// Replaces the service behind showMessage(); nullptr puts the real message boxes back.
// The caller keeps ownership and must restore the real service before destroying its own.
void setMessageService(MessageService* service);

} // namespace miravo
