#include "data/PhoneCardDatabase.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

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

template <typename T>
StoreResult<T> failure(StoreError error, const QString& description)
{
    StoreResult<T> result;
    result.error = error;
    result.description = description;
    return result;
}

QString sqliteUri(const QString& path)
{
    // mode=rw opens an existing file for reading and writing and never creates one. Characters that mean
    // something in a URI ('?', '#', '%', blanks) are percent-encoded.
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) +
           QStringLiteral("?mode=rw");
}

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("miravo-read-%1").arg(counter.fetchAndAddRelaxed(1));
}

// One read's handle on the file: opened for that read, closed and removed with it.
class ReadHandle {
public:
    ReadHandle()
        : m_name(nextConnectionName())
    {
        m_result = openStore(m_name);
    }
    ~ReadHandle()
    {
        m_result.value.close();
        m_result.value = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Q_DISABLE_COPY_MOVE(ReadHandle)

    bool ok() const { return m_result.ok(); }
    StoreError error() const { return m_result.error; }
    QString description() const { return m_result.description; }
    QSqlDatabase& database() { return m_result.value; }

private:
    QString m_name;
    StoreResult<QSqlDatabase> m_result;
};

// Runs one SELECT with bound values and hands each row to `onRow`.
template <typename T, typename RowFn>
StoreResult<T> readRows(const QString& sql, const QVariantList& values, RowFn&& onRow)
{
    ReadHandle handle;
    if (!handle.ok())
        return failure<T>(handle.error(), handle.description());

    StoreResult<T> result;
    {
        QSqlQuery query(handle.database());
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            return failure<T>(classify(query.lastError()), query.lastError().text());
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            return failure<T>(classify(query.lastError()), query.lastError().text());
        while (query.next())
            onRow(query, result.value);
        if (query.lastError().isValid())
            return failure<T>(classify(query.lastError()), query.lastError().text());
    }
    return result;
}

StoreResult<QStringList> readKeyColumn(const QString& sql)
{
    return readRows<QStringList>(
        sql, {}, [](const QSqlQuery& query, QStringList& names) { names.append(query.value(1).toString()); });
}

} // namespace

QString phoneCardDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/MiravoDialer/PCData.mdb");
}

StoreResult<QSqlDatabase> openStore(const QString& connectionName)
{
    const QString path = phoneCardDatabasePath();
    const QFileInfo info(path);
    if (!info.exists())
        return failure<QSqlDatabase>(StoreError::FileNotFound,
                                     QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        return failure<QSqlDatabase>(StoreError::CannotOpen,
                                     QStringLiteral("'%1' is not a file.").arg(QDir::toNativeSeparators(path)));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    db.setDatabaseName(sqliteUri(path));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        StoreResult<QSqlDatabase> result = failure<QSqlDatabase>(classify(error), error.text());
        if (result.error == StoreError::ReadFailed)
            result.error = StoreError::CannotOpen;
        result.value = db;
        return result;
    }
    StoreResult<QSqlDatabase> result;
    result.value = db;
    return result;
}

StoreResult<QStringList> readCompanyNames()
{
    return readKeyColumn(QStringLiteral("SELECT ID, Company FROM Vendors WHERE Company IS NOT NULL ORDER BY rowid"));
}

StoreResult<QStringList> readClientNames()
{
    return readKeyColumn(QStringLiteral("SELECT ID, Name FROM Clients WHERE Name IS NOT NULL ORDER BY rowid"));
}

StoreResult<std::optional<CompanyDialFields>> lookupCompany(const QString& company)
{
    // COLLATE BINARY keeps the match exact even in a file whose column was declared case-insensitive.
    // When several records carry the company, the last one in table order is the one that counts.
    return readRows<std::optional<CompanyDialFields>>(
        QStringLiteral("SELECT ID, Company, Business, Language, Code FROM Vendors "
                       "WHERE Company = ? COLLATE BINARY ORDER BY rowid DESC LIMIT 1"),
        {company}, [](const QSqlQuery& query, std::optional<CompanyDialFields>& fields) {
            // toString() of a Null is empty text: a missing value must not leave another card's PIN behind.
            fields = CompanyDialFields{query.value(2).toString(), query.value(3).toString(), query.value(4).toString()};
        });
}

StoreResult<QStringList> lookupPersonNumbers(const QString& name)
{
    return readRows<QStringList>(
        QStringLiteral("SELECT ID, Name, Home, Cell, Fax FROM Clients WHERE Name = ? COLLATE BINARY ORDER BY rowid"),
        {name}, [](const QSqlQuery& query, QStringList& numbers) {
            for (int column = 2; column <= 4; ++column) {
                const QVariant number = query.value(column);
                if (!number.isNull())
                    numbers.append(number.toString());
            }
        });
}

} // namespace miravo
