// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/PhoneCardDatabase.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace miravo {
namespace {

StoreError classify(const QSqlError& error)
{
    // The SQLite driver reports SQLite's own result code as the native code.
    const QString code = error.nativeErrorCode();
    const QString text = error.databaseText();
    if (code == QLatin1String("26"))
        return StoreError::NotADatabase;
    if (code == QLatin1String("14"))
        return StoreError::CannotOpen;
    if (text.contains(QLatin1String("no such table")))
        return StoreError::TableMissing;
    if (text.contains(QLatin1String("no such column")))
        return StoreError::ColumnMissing;
    return StoreError::ReadFailed;
}

Failure failure(StoreError error, const QString& description)
{
    return Failure{description, errorNumber(error)};
}

Failure failure(const QSqlError& error)
{
    return failure(classify(error), storeDescription(error));
}

QString sqliteUri(const QString& path)
{
    // mode=rw opens an existing file for reading and writing and never creates one. Characters that mean
    // something in a URI ('?', '#', '%', blanks) are percent-encoded.
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) +
           QStringLiteral("?mode=rw");
}

// One read's handle on the file: opened for that read, closed and removed with it.
class ReadHandle {
public:
    ReadHandle()
        : m_name(nextConnectionName(QStringLiteral("read")))
        , m_result(openStore(m_name))
    {}
    ~ReadHandle()
    {
        m_result.value().close();
        m_result = Failure{};
        QSqlDatabase::removeDatabase(m_name);
    }
    Q_DISABLE_COPY_MOVE(ReadHandle)

    const Result<QSqlDatabase>& result() const { return m_result; }
    QSqlDatabase& database() { return m_result.value(); }

private:
    QString m_name;
    Result<QSqlDatabase> m_result;
};

// Runs one SELECT with bound values and hands each row to `onRow`.
template <typename T, typename RowFn>
Result<T> readRows(const QString& sql, const QVariantList& values, RowFn&& onRow)
{
    ReadHandle handle;
    if (!handle.result().ok())
        return handle.result().failure();

    T read{};
    {
        QSqlQuery query(handle.database());
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            return failure(query.lastError());
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            return failure(query.lastError());
        while (query.next())
            onRow(query, read);
        if (query.lastError().isValid())
            return failure(query.lastError());
    }
    return read;
}

Result<QStringList> readKeyColumn(const QString& sql, const QString& column)
{
    return readRows<QStringList>(sql, {}, [&column](const QSqlQuery& query, QStringList& names) {
        names.append(query.value(column).toString());
    });
}

} // namespace

QString phoneCardDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/MiravoDialer/PCData.mdb");
}

QString storeDescription(const QSqlError& error)
{
    if (!error.databaseText().isEmpty())
        return error.databaseText();
    if (!error.driverText().isEmpty())
        return error.driverText();
    return error.text();
}

QString nextConnectionName(const QString& user)
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("miravo-%1-%2").arg(user).arg(counter.fetchAndAddRelaxed(1));
}

namespace {

std::atomic<int>& lockWait()
{
    static std::atomic<int> ms{BusyTimeoutMs};
    return ms;
}

} // namespace

int lockWaitMs()
{
    return lockWait().load();
}

void setLockWaitMs(int ms)
{
    lockWait().store(ms);
}

Result<QSqlDatabase> openStore(const QString& connectionName)
{
    const QString path = phoneCardDatabasePath();
    const QFileInfo info(path);
    if (!info.exists())
        return failure(StoreError::FileNotFound,
                       QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        return failure(StoreError::CannotOpen,
                       QStringLiteral("'%1' is not a file.").arg(QDir::toNativeSeparators(path)));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(lockWaitMs()));
    db.setDatabaseName(sqliteUri(path));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        const StoreError kind = classify(error);
        return failure(kind == StoreError::ReadFailed ? StoreError::CannotOpen : kind, storeDescription(error));
    }
    return db;
}

Result<QStringList> readCompanyNames()
{
    return readKeyColumn(QStringLiteral("SELECT ID, Company FROM Vendors WHERE Company IS NOT NULL ORDER BY rowid"),
                         QStringLiteral("Company"));
}

Result<QStringList> readClientNames()
{
    return readKeyColumn(QStringLiteral("SELECT ID, Name FROM Clients WHERE Name IS NOT NULL ORDER BY rowid"),
                         QStringLiteral("Name"));
}

Result<std::optional<CompanyDialFields>> lookupCompany(const QString& company)
{
    // COLLATE BINARY keeps the match exact even in a file whose column was declared case-insensitive.
    // When several records carry the company, the last one in table order is the one that counts.
    return readRows<std::optional<CompanyDialFields>>(
        QStringLiteral("SELECT ID, Company, Business, Language, Code FROM Vendors "
                       "WHERE Company = ? COLLATE BINARY ORDER BY rowid DESC LIMIT 1"),
        {company}, [](const QSqlQuery& query, std::optional<CompanyDialFields>& fields) {
            // toString() of a Null is empty text: a missing value must not leave another card's PIN behind.
            fields = CompanyDialFields{query.value(QStringLiteral("Business")).toString(),
                                       query.value(QStringLiteral("Language")).toString(),
                                       query.value(QStringLiteral("Code")).toString()};
        });
}

Result<QStringList> lookupPersonNumbers(const QString& name)
{
    return readRows<QStringList>(
        QStringLiteral("SELECT ID, Name, Home, Cell, Fax FROM Clients WHERE Name = ? COLLATE BINARY ORDER BY rowid"),
        {name}, [](const QSqlQuery& query, QStringList& numbers) {
            for (const char* column : {"Home", "Cell", "Fax"}) {
                const QVariant number = query.value(QLatin1String(column));
                if (!number.isNull())
                    numbers.append(number.toString());
            }
        });
}

} // namespace miravo
