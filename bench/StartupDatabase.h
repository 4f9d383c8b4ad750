// SPDX-License-Identifier: GPL-3.0-or-later
// The database the start-up benchmarks open: 100 card companies and 100 clients in a temporary data folder,
// which XDG_DATA_HOME points at for this process and the child processes it starts.
#pragma once

#include "PhoneCardSchema.h"
#include "data/PhoneCardDatabase.h"

#include <QTemporaryDir>

inline void fillStartupDatabase(const QString& folder)
{
    qputenv("XDG_DATA_HOME", folder.toLocal8Bit());
    const QString path = miravo::phoneCardDatabasePath();
    miravo::schema::createDatabase(path);
    QList<miravo::schema::Row> vendors, clients;
    for (int i = 0; i < 100; ++i) {
        vendors.append({{"Company", QStringLiteral("Card company %1").arg(i)}, {"Business", "18005550000"}});
        clients.append({{"Name", QStringLiteral("Person %1").arg(i)}, {"Home", "0114412345678"}});
    }
    miravo::schema::insertRows(path, QStringLiteral("Vendors"), vendors);
    miravo::schema::insertRows(path, QStringLiteral("Clients"), clients);
}

inline void fillStartupDatabase(const QTemporaryDir& data)
{
    fillStartupDatabase(data.path());
}
