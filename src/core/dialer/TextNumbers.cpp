// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialer/TextNumbers.h"

#include <cmath>

namespace miravo {
namespace {

// Splits off an optional sign; returns the rest, trimmed of the surrounding blanks already.
QStringView takeSign(QStringView text, bool& negative)
{
    negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    return text;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<qint16> toPortNumber(const QString& text)
{
    // The C locale's digits and sign. toShort() itself passes over ASCII blanks only; a field may hold others
    // (a no-break space pasted in), which trimmed() removes like every blank.
    bool ok = false;
    const short value = text.trimmed().toShort(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> toPauseSeconds(const QString& text)
{
    bool negative = false;
    const QStringView number = takeSign(QStringView(text).trimmed(), negative);

    double whole = 0.0;
    double fraction = 0.0;
    double scale = 1.0;
    bool seenSeparator = false;
    int digitCount = 0;
    for (const QChar c : number) {
        if (c == u'.' || c == u',') {
            if (seenSeparator)
                return std::nullopt;
            seenSeparator = true;
        } else if (isAsciiDigit(c)) {
            ++digitCount;
            if (seenSeparator) {
                scale /= 10.0;
                fraction += (c.unicode() - u'0') * scale;
            } else {
                whole = whole * 10.0 + (c.unicode() - u'0');
            }
        } else {
            return std::nullopt;
        }
    }
    if (digitCount == 0)
        return std::nullopt;
    const double value = whole + fraction;
    if (!std::isfinite(value)) // hundreds of digits
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace miravo
