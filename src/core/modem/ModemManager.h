// SPDX-License-Identifier: GPL-3.0-or-later
// The names ModemManager uses on the system bus, and the few values of its enums the program reads.
#pragma once

#include "Result.h"

#include <QList>
#include <QString>

namespace miravo::modemmanager {

inline const QString Service = QStringLiteral("org.freedesktop.ModemManager1");
inline const QString ManagerPath = QStringLiteral("/org/freedesktop/ModemManager1");
inline const QString ModemInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem");
inline const QString VoiceInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem.Voice");
inline const QString CallInterface = QStringLiteral("org.freedesktop.ModemManager1.Call");

// MMModemState: registered on a network and beyond (connecting, connected) can place calls.
constexpr int ModemStateRegistered = 8;
// MMCallState
constexpr int CallStateActive = 4;
constexpr int CallStateTerminated = 7;

// How long a request waits for ModemManager's answer before it counts as failed.
constexpr int RequestTimeoutMs = 5000;

// A modem as ModemManager lists it.
struct Modem {
    QString path; // /org/freedesktop/ModemManager1/Modem/<n>
    QString equipmentIdentifier;
    QString manufacturer;
    QString model;
    int state = 0;
    bool hasVoice = false;
};

// Every modem ModemManager has, in the order it found them. Reaches the system bus on its first use; fails when
// there is no system bus or ModemManager does not answer.
Result<QList<Modem>> modems();

} // namespace miravo::modemmanager
