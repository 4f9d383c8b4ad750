// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhoneCardSchema.h"

#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace miravo::schema {
namespace {

QString createTableSql(const QString& table, const QStringList& columns)
{
    QStringList definitions{QStringLiteral("ID INTEGER PRIMARY KEY")};
    for (const QString& column : columns.mid(1))
        definitions.append(column + QStringLiteral(" TEXT"));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table, definitions.join(QStringLiteral(", ")));
}

// A connection used for one task and removed afterwards.
template <typename Fn>
Outcome withConnection(const QString& path, Fn&& task)
{
    const QString name = QStringLiteral("miravo-schema");
    Outcome result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            result = Failure{db.lastError().text()};
        } else {
            result = task(db);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

Row row(std::initializer_list<QPair<QString, QVariant>> values)
{
    return Row(values);
}

} // namespace

const QStringList& vendorColumns()
{
    static const QStringList columns{
        QStringLiteral("ID"),       QStringLiteral("Language"), QStringLiteral("Name"), QStringLiteral("Address"),
        QStringLiteral("Business"), QStringLiteral("City"),     QStringLiteral("Code"), QStringLiteral("CompAddress"),
        QStringLiteral("Company"),  QStringLiteral("Fax")};
    return columns;
}

const QStringList& clientColumns()
{
    static const QStringList columns{
        QStringLiteral("ID"),       QStringLiteral("Name"),          QStringLiteral("Address"),
        QStringLiteral("Card_num"), QStringLiteral("Card_Password"), QStringLiteral("Cell"),
        QStringLiteral("City"),     QStringLiteral("Code"),          QStringLiteral("Fax"),
        QStringLiteral("Home"),     QStringLiteral("Notes")};
    return columns;
}

Outcome createDatabase(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return Failure{QStringLiteral("%1 exists already; it is left as it is.").arg(QDir::toNativeSeparators(path))};
    // The file holds PINs and card passwords: it and the folders made for it are its owner's alone, made so
    // before SQLite writes a byte (an empty file is a new database to SQLite, and its journals take the file's
    // permissions).
    if (const Outcome folder = makePrivateFolder(info.absolutePath()); !folder.ok())
        return Failure{QStringLiteral("Cannot create the folder %1: %2")
                           .arg(QDir::toNativeSeparators(info.absolutePath()), folder.reason())};
    if (const Outcome file = createPrivateFile(path); !file.ok())
        return Failure{QStringLiteral("Cannot create %1").arg(file.reason())};

    const Outcome created = withConnection(path, [](QSqlDatabase& db) -> Outcome {
        QSqlQuery query(db);
        for (const QString& sql : {createTableSql(QStringLiteral("Vendors"), vendorColumns()),
                                   createTableSql(QStringLiteral("Clients"), clientColumns())}) {
            if (!query.exec(sql))
                return Failure{query.lastError().text()};
        }
        return Outcome{};
    });
    // A file without its tables would only stop the next attempt ("exists already").
    if (!created.ok())
        QFile::remove(path);
    return created;
}

Outcome insertRows(const QString& path, const QString& table, const QList<Row>& rows)
{
    if (!QFileInfo::exists(path))
        return Failure{QStringLiteral("%1 does not exist.").arg(QDir::toNativeSeparators(path))};
    if (table != QLatin1String("Vendors") && table != QLatin1String("Clients"))
        return Failure{QStringLiteral("Unknown table %1.").arg(table)};
    const QStringList& known = table == QLatin1String("Vendors") ? vendorColumns() : clientColumns();

    return withConnection(path, [&](QSqlDatabase& db) -> Outcome {
        db.transaction();
        for (const Row& values : rows) {
            QStringList columns;
            for (const auto& [column, value] : values) {
                // Column names come from the caller's code, not from user input; still, only known names pass.
                if (!known.contains(column))
                    return Failure{QStringLiteral("Unknown column %1.").arg(column)};
                columns.append(column);
            }
            QSqlQuery query(db);
            const QString sql =
                columns.isEmpty()
                    ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                    : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(table, columns.join(QStringLiteral(", ")),
                               QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
            if (!query.prepare(sql))
                return Failure{query.lastError().text()};
            for (const auto& value : values)
                query.addBindValue(value.second);
            if (!query.exec()) {
                db.rollback();
                return Failure{query.lastError().text()};
            }
        }
        if (!db.commit())
            return Failure{db.lastError().text()};
        return Outcome{};
    });
}

QList<Row> sampleVendors()
{
    return {
        row({{"Company", "Maple Leaf Cards"},
             {"Business", "18005550101"},
             {"Language", "1"},
             {"Code", "4321"},
             {"City", "Toronto"}}),
        row({{"Company", "Atlas Talk"},
             {"Business", "18005550142"},
             {"Language", "2"},
             {"Code", "909182"},
             {"City", "Montreal"}}),
        row({{"Company", "Sunrise Global"}, {"Business", "18885550177"}, {"Language", "1"}, {"Code", "55501"}}),
    };
}

QList<Row> sampleClients()
{
    return {
        row({{"Name", "Amina Diallo"}, {"Home", "0114412345678"}, {"Cell", "0114479001122"}, {"City", "London"}}),
        row({{"Name", "Jean Tremblay"}, {"Home", "0113314567890"}, {"Fax", "0113314567891"}}),
        row({{"Name", "Rosa Martins"}, {"Cell", "01155119876543"}, {"Notes", "Calls after 8 pm"}}),
    };
}

} // namespace miravo::schema
