// SPDX-License-Identifier: GPL-3.0-or-later
// The phone-card database: one SQLite file, PCData.mdb, with the tables Vendors (card companies) and Clients
// (clients and friends). This is how the program finds the file, opens it and reads it; the main window's
// start-up lists and lookups are the reads below, and the editor windows open the file through openStore().
//
// The program never creates the file, a table or a column: opening a missing file fails, it is not created.
// Every query binds its values; no text from a field or the file is ever spliced into SQL.
#pragma once

#include "Result.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <optional>

namespace miravo {

// Fixed error numbers for what can go wrong when the program reads the store. The main window shows them as
// "Unanticipated error <number>".
enum class StoreError : int {
    None = 0,
    FileNotFound = 3024,  // no database file at the fixed path
    CannotOpen = 3051,    // the file exists but cannot be opened read-write (permissions, a directory, ...)
    TableMissing = 3078,  // the file has no such table
    ColumnMissing = 3265, // the table lacks a column the program reads
    NotADatabase = 3343,  // the file is not an SQLite database
    ReadFailed = 3197,    // any other failure while querying (a lock held too long, a damaged file, ...)
};

inline int errorNumber(StoreError error)
{
    return static_cast<int>(error);
}

// A failed read or open carries its StoreError number as its code and the store's own text as its reason (the
// editor windows show the text).
template <typename T>
StoreError storeError(const Result<T>& result)
{
    return static_cast<StoreError>(result.code());
}

// The store's own words for a failure: SQLite's text when it gave one ("database is locked"), else the driver's.
QString storeDescription(const QSqlError& error);

// A fresh connection name for one user of the file ("read", "editor-Clients"): every reader and editor window
// holds a connection of its own.
QString nextConnectionName(const QString& user);

// The identifier column of both tables; the store generates it for every new record.
inline const QString IdColumn = QStringLiteral("ID");

// How long an open connection waits for a lock that another program holds before it gives up. The driver's
// default (5 s) would freeze the window as long on every read or store of a locked file; the program's own
// connections hold their locks for a few milliseconds only.
inline constexpr int BusyTimeoutMs = 250;

// The lock wait of the connections opened from now on: BusyTimeoutMs unless set. The suites that hold a lock on
// purpose set 0, so that every refused read or store fails at once instead of waiting out the bound.
int lockWaitMs();
void setLockWaitMs(int ms);

// `<per-user data folder>/MiravoDialer/PCData.mdb`, the per-user data folder being
// QStandardPaths::GenericDataLocation (~/.local/share, or $XDG_DATA_HOME). Nothing else chooses the path.
QString phoneCardDatabasePath();

// What a chosen card company puts into the three dialing fields. A Null column gives empty text.
struct CompanyDialFields {
    QString business; // access number -> txtDial_Num1
    QString language; // language choice -> txtDial_Num2
    QString code;     // access PIN -> txtDial_Num3
};

// Opens the database file read-write (never creating it) on a connection of the given name, for a caller that
// keeps it open (the editor windows). The caller removes the connection when done, also after a failure.
Result<QSqlDatabase> openStore(const QString& connectionName);

// Start-up lists, in table order: every Company of Vendors, every Name of Clients. Records whose key is Null are
// skipped wherever they stand; there is no limit on the number of entries.
Result<QStringList> readCompanyNames();
Result<QStringList> readClientNames();

// Company lookup: the dialing fields of the last record in table order whose Company equals `company` exactly
// (letter case included), or no value when none does.
Result<std::optional<CompanyDialFields>> lookupCompany(const QString& company);

// Person lookup: for every record whose Name equals `name` exactly, in table order, its Home, Cell and Fax
// numbers, each only when it is not Null.
Result<QStringList> lookupPersonNumbers(const QString& name);

} // namespace miravo
