// SPDX-License-Identifier: GPL-3.0-or-later
// A message-box service for tests: records every message the program shows and answers it from a queue of
// answers (OK for an OK box, the box's default No for a Yes/No box when the queue is empty).
// Installed for its lifetime; the real message boxes come back when it is destroyed.
#pragma once

#include "ui/MessageService.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace miravo::test {

class ScriptedMessages final : public MessageService {
public:
    ScriptedMessages();
    ~ScriptedMessages() override;
    Q_DISABLE_COPY_MOVE(ScriptedMessages)

    // The answers to give, in order, to Yes/No questions.
    void answerNext(MessageAnswer answer) { m_answers.append(answer); }
    // Runs while a message is "on screen", as a user could act then (nothing else in the program can run).
    void onShow(std::function<void(const MessageRequest&)> hook) { m_hook = std::move(hook); }

    const QList<MessageRequest>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

    MessageAnswer show(const MessageRequest& request) override;

private:
    QList<MessageRequest> m_shown;
    QList<MessageAnswer> m_answers;
    std::function<void(const MessageRequest&)> m_hook;
};

} // namespace miravo::test
