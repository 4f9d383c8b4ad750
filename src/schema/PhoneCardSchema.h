// SPDX-License-Identifier: GPL-3.0-or-later
// Creates a new phone-card database file: the installer's part. The program itself never calls this (it never
// creates the file, a table or a column); the installer tool and the tests do.
#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace miravo::schema {

// Column names in their designed order, ID first. Every column is TEXT except ID, an INTEGER PRIMARY KEY that
// the store generates, so table order (rowid order) is the order of insertion.
const QStringList& vendorColumns();
const QStringList& clientColumns();

// One record to insert: column name -> value (a null QVariant is stored as Null). ID is left to the store.
using Row = QList<QPair<QString, QVariant>>;

// Creates `path` with both tables. Refuses (and leaves the file alone) when anything exists at `path`.
Outcome createDatabase(const QString& path);

// Appends rows to a table of an existing file (used for the sample data and by the tests).
Outcome insertRows(const QString& path, const QString& table, const QList<Row>& rows);

// A handful of card companies and contacts, so that a newcomer sees filled lists at once.
QList<Row> sampleVendors();
QList<Row> sampleClients();

} // namespace miravo::schema
