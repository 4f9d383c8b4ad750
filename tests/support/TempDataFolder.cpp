// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempDataFolder.h"

#include "data/PhoneCardDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace miravo::test {

TempDataFolder::TempDataFolder()
    : m_previous(qgetenv("XDG_DATA_HOME"))
    , m_hadPrevious(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
}

TempDataFolder::~TempDataFolder()
{
    if (m_hadPrevious)
        qputenv("XDG_DATA_HOME", m_previous);
    else
        qunsetenv("XDG_DATA_HOME");
}

QString TempDataFolder::databasePath() const
{
    return phoneCardDatabasePath();
}

bool TempDataFolder::createDatabase(const QList<schema::Row>& vendors, const QList<schema::Row>& clients)
{
    const auto created = schema::createDatabase(databasePath());
    if (!created.ok()) {
        qWarning("createDatabase: %s", qPrintable(created.reason()));
        return false;
    }
    return addRows(QStringLiteral("Vendors"), vendors) && addRows(QStringLiteral("Clients"), clients);
}

bool TempDataFolder::addRows(const QString& table, const QList<schema::Row>& rows)
{
    if (rows.isEmpty())
        return true;
    const auto inserted = schema::insertRows(databasePath(), table, rows);
    if (!inserted.ok())
        qWarning("insertRows: %s", qPrintable(inserted.reason()));
    return inserted.ok();
}

QStringList readColumn(const QString& path, const QString& sql, const QVariantList& values)
{
    const QString connection = QStringLiteral("test-read");
    QStringList column;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(sql);
            for (const QVariant& value : values)
                query.addBindValue(value);
            if (!query.exec())
                qWarning("readColumn: %s", qPrintable(query.lastError().text()));
            while (query.next())
                column.append(query.isNull(0) ? QStringLiteral("<Null>") : query.value(0).toString());
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return column;
}

bool TempDataFolder::exec(const QString& sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-exec"));
        db.setDatabaseName(databasePath());
        if (db.open()) {
            QSqlQuery query(db);
            ok = query.exec(sql);
            if (!ok)
                qWarning("exec: %s", qPrintable(query.lastError().text()));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-exec"));
    return ok;
}

} // namespace miravo::test
