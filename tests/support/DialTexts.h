// SPDX-License-Identifier: GPL-3.0-or-later
// The sample dial the dialing suites share: the bytes its two commands put on the line (access number
// 18005551234; language 2, PIN 4321, destination 5551234) and the message every failing port step shows.
#pragma once

#include <QByteArray>
#include <QString>

namespace miravo::test {

inline const QString PortMessage = QStringLiteral("Check your com port settings.!");
inline const QByteArray Access = "ATDT18005551234\r";
inline const QByteArray Tone = "ATDT2,4321,,5551234,#\r\n";

} // namespace miravo::test
