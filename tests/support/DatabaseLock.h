// SPDX-License-Identifier: GPL-3.0-or-later
// Another program's lock on a database file, held from construction until release() or destruction.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace miravo::test {

class DatabaseLock {
public:
    enum class Kind {
        Write,     // BEGIN IMMEDIATE: others still read, but no one else writes
        Exclusive, // BEGIN EXCLUSIVE: no one else reads or writes
    };

    DatabaseLock(const QString& path, Kind kind)
        : m_name(QStringLiteral("test-lock-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        const QString begin =
            kind == Kind::Write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN EXCLUSIVE");
        m_held = db.open() && QSqlQuery(db).exec(begin);
    }
    ~DatabaseLock()
    {
        release();
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    bool held() const { return m_held; }
    void release()
    {
        if (m_held)
            QSqlQuery(QSqlDatabase::database(m_name)).exec(QStringLiteral("ROLLBACK"));
        m_held = false;
    }

private:
    static inline int s_count = 0;
    QString m_name;
    bool m_held = false;
};

} // namespace miravo::test
