// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemManager.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QVariantMap>

#include <algorithm>
#include <limits>

namespace miravo::modemmanager {
namespace {

using InterfaceProperties = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;

} // namespace
} // namespace miravo::modemmanager

Q_DECLARE_METATYPE(miravo::modemmanager::InterfaceProperties)
Q_DECLARE_METATYPE(miravo::modemmanager::ManagedObjects)

namespace miravo::modemmanager {
namespace {

// ModemManager numbers its modems in the order it found them: /org/freedesktop/ModemManager1/Modem/<n>.
int modemIndex(const QString& path)
{
    bool ok = false;
    const int index = path.section(QLatin1Char('/'), -1).toInt(&ok);
    return ok ? index : std::numeric_limits<int>::max();
}

} // namespace

Result<QList<Modem>> modems()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return Failure{QObject::tr("No system bus: %1").arg(bus.lastError().message())};
    qDBusRegisterMetaType<InterfaceProperties>();
    qDBusRegisterMetaType<ManagedObjects>();
    const QDBusMessage request =
        QDBusMessage::createMethodCall(Service, ManagerPath, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                       QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = QDBusConnection(bus).call(request, QDBus::Block, RequestTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return Failure{QObject::tr("ModemManager does not answer: %1").arg(reply.errorMessage())};
    const auto objects = qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
    QList<Modem> found;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (!it.value().contains(ModemInterface))
            continue; // calls, bearers and the like live under the same path
        const QVariantMap modem = it.value().value(ModemInterface);
        found.append(Modem{it.key().path(), modem.value(QStringLiteral("EquipmentIdentifier")).toString(),
                           modem.value(QStringLiteral("Manufacturer")).toString(),
                           modem.value(QStringLiteral("Model")).toString(),
                           modem.value(QStringLiteral("State")).toInt(), it.value().contains(VoiceInterface)});
    }
    std::sort(found.begin(), found.end(),
              [](const Modem& a, const Modem& b) { return modemIndex(a.path) < modemIndex(b.path); });
    return found;
}

} // namespace miravo::modemmanager
