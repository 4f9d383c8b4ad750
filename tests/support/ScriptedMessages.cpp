// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedMessages.h"

namespace miravo::test {

ScriptedMessages::ScriptedMessages()
{
    setMessageService(this);
}

ScriptedMessages::~ScriptedMessages()
{
    setMessageService(nullptr);
}

QStringList ScriptedMessages::texts() const
{
    QStringList result;
    for (const MessageRequest& request : m_shown)
        result.append(request.text);
    return result;
}

MessageAnswer ScriptedMessages::show(const MessageRequest& request)
{
    m_shown.append(request);
    if (m_hook)
        m_hook(request);
    if (request.style == MessageStyle::OkOnly)
        return MessageAnswer::Ok;
    return m_answers.isEmpty() ? MessageAnswer::No : m_answers.takeFirst();
}

} // namespace miravo::test
