// SPDX-License-Identifier: GPL-3.0-or-later
// A per-test data folder: points XDG_DATA_HOME at a fresh temporary folder, so the program's fixed database
// path lands inside it, and builds PCData.mdb there from rows.
#pragma once

#include "PhoneCardSchema.h"

#include <QTemporaryDir>

namespace miravo::test {

class TempDataFolder {
public:
    TempDataFolder();
    ~TempDataFolder();
    Q_DISABLE_COPY_MOVE(TempDataFolder)

    QString root() const { return m_dir.path(); }
    QString databasePath() const; // where the program looks for PCData.mdb

    // Creates the database with both tables and these rows; fails the calling test on error (use QVERIFY).
    bool createDatabase(const QList<schema::Row>& vendors = {}, const QList<schema::Row>& clients = {});
    bool addRows(const QString& table, const QList<schema::Row>& rows);
    // Runs raw SQL on the file (for damaging it on purpose: dropping a table or a column).
    bool exec(const QString& sql);

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

// Reads a database file as another program would, on a connection of its own: the first column of `sql` (with
// `values` bound to its placeholders), row by row, a Null as "<Null>". A query that fails warns and reads nothing.
QStringList readColumn(const QString& path, const QString& sql, const QVariantList& values = {});

// Shorthand for building rows: row({{"Company", "Acme"}, {"Code", QVariant()}}).
inline schema::Row row(std::initializer_list<QPair<QString, QVariant>> values)
{
    return schema::Row(values);
}

} // namespace miravo::test
