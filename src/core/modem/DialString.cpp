// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/DialString.h"

namespace miravo {
namespace {

constexpr char CR = 13;
constexpr char LF = 10;

bool isSkippedInNumber(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('(') || c == QLatin1Char(')') ||
           c == QLatin1Char('.');
}

std::optional<QChar> toneKey(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= '0' && u <= '9') || u == '*' || u == '#' || (u >= 'A' && u <= 'D'))
        return c;
    if (u >= 'a' && u <= 'd')
        return c.toUpper();
    return std::nullopt;
}

} // namespace

std::optional<QString> dialString(const QByteArray& command)
{
    QByteArray body = command;
    if (body.endsWith(LF))
        body.chop(1);
    if (!body.endsWith(CR))
        return std::nullopt;
    body.chop(1);
    if (body.size() < 3 || body.left(3).toUpper() != "ATD")
        return std::nullopt;
    qsizetype start = 3;
    if (body.size() > start &&
        (body.at(start) == 'T' || body.at(start) == 't' || body.at(start) == 'P' || body.at(start) == 'p'))
        ++start;
    const QByteArray rest = body.mid(start);
    // A second command inside the first (a CR or LF before the end) is no single dial.
    if (rest.contains(CR) || rest.contains(LF))
        return std::nullopt;
    return QString::fromLatin1(rest);
}

bool isToneCommand(const QByteArray& command)
{
    return command.endsWith(QByteArrayView("\r\n", 2)) && dialString(command).has_value();
}

QString numberToCall(const QString& dialString)
{
    QString number;
    number.reserve(dialString.size());
    for (const QChar c : dialString) {
        if (!isSkippedInNumber(c))
            number.append(c);
    }
    return number;
}

QList<ToneStep> toneSteps(const QString& dialString)
{
    QList<ToneStep> steps;
    for (const QChar c : dialString) {
        if (c == QLatin1Char(','))
            steps.append(ToneStep{ToneStep::Kind::Pause, {}});
        else if (const auto key = toneKey(c))
            steps.append(ToneStep{ToneStep::Kind::Key, *key});
    }
    return steps;
}

} // namespace miravo
