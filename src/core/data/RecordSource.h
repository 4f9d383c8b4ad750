// SPDX-License-Identifier: GPL-3.0-or-later
// The bound data source behind a record editor window (frmClients, frmVendors): one table of the phone-card
// database, held open on a connection of its own from the window's opening to its closing, with a current
// record and the editing operations the window's buttons use.
//
// It has no widgets. model() is a QSqlTableModel over the whole table in table order; the window maps its fields
// onto it with a QDataWidgetMapper and calls store() once the mapper has put the user's values into the model.
// Every change waits in the model (OnManualSubmit) until store() writes it, so a write the file refuses leaves
// the user's values in the model, never reverted.
#pragma once

#include "Result.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <sys/types.h>

#include <memory>
#include <optional>
#include <utility>

class QSqlError;
class QSqlTableModel;

namespace miravo {

enum class RecordMove { First, Previous, Next, Last };

class RecordSource final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordSource)

public:
    // `columns` are the columns the window binds; the table must have every one of them. ID is among them.
    RecordSource(const QString& table, const QStringList& columns, QObject* parent = nullptr);
    ~RecordSource() override;

    // Opens the file (read-write, never creating it) and the whole table; the first record becomes current, or
    // none when the table is empty. Opening again after a failure starts afresh. Every operation returns
    // Outcome: done, or failed with the store's own description as its reason.
    // A table without a primary key is refused: its records cannot be told apart, so a store or a delete could
    // change every record alike.
    Outcome open();
    bool isOpen() const { return m_model != nullptr; }
    // Why the last open() failed.
    QString openError() const { return m_openError; }
    // Why stores into the open table cannot work (the file or its folder is read-only for this user), or empty.
    // The table still opens: its records can be read.
    QString cannotStore() const { return m_cannotStore; }

    // The code of a store() refused because another program changed a changed field meanwhile.
    static constexpr int ChangedElsewhere = 1;

    // The whole table, in table order; nullptr while the table is not open.
    QSqlTableModel* model() const { return m_model.get(); }
    int fieldIndex(const QString& column) const;

    // The model row of the current record, or -1 when there is none (the table is empty or not open).
    int currentRow() const { return m_currentRow; }
    // A new record has been begun with addNew() and not stored yet; it is the current row.
    bool isAdding() const { return m_adding; }
    // The model holds values not yet written into the file (a store that the file refused, for example).
    bool hasUnstoredValues() const;
    // The value of a column on the current record (a null QVariant when there is none, or for Null).
    QVariant currentValue(int column) const;

    // Begins a blank new record after the last one and makes it current. The caller stores what it had first.
    Outcome addNew();
    // Drops a new record begun with addNew() and goes back to the record that was current before it.
    void discardNew();
    // Writes the model's pending values into the file: the changed fields of the current record, or the new
    // record. The current record stays current (a stored new record with the ID the store gave it).
    // When another program has deleted the current record, nothing is written and the values wait in a new
    // record instead (the outcome says so): the next store() adds them.
    // A field is written only while the file still holds the value this source read, or already the one being
    // stored: when another program changed it meanwhile, nothing is written, the values stay pending and the
    // failure's code is ChangedElsewhere (reload() then shows the other program's values).
    // A file moved away, deleted or replaced at its path since open() is named as the reason.
    Outcome store();
    // Deletes the current record from the file; the record that followed it becomes current, or the new last
    // one. A new record not stored yet is simply dropped.
    Outcome remove();
    // Opens the file at its path and the table again, as open() does: a file replaced or removed meanwhile is
    // seen as it now is. The first record becomes current.
    Outcome reload();
    // Moves the current record; before the first stays on the first, past the last stays on the last.
    void move(RecordMove move);

signals:
    // The current record changed, or was read again: the window shows it (row -1: blank fields).
    void currentRowChanged(int row);

private:
    static QString cannotStoreReason(const QString& path);
    Failure storeFailure(const QSqlError& error) const;
    void close();
    Outcome selectAll();
    bool currentRecordExists() const;
    Outcome keepAsNewRecord();
    void fetchAll();
    int rowOfId(const QVariant& id) const;
    QVariant idAt(int row) const;
    void setCurrentRow(int row);

    QString m_table;
    QStringList m_columns;
    QString m_connectionName;
    QSqlDatabase m_db;
    QString m_openError; // why the last open() failed: every operation but reload() fails with it
    QString m_path;      // the file opened
    std::optional<std::pair<dev_t, ino_t>> m_openedFile; // which file that was
    QString m_cannotStore;
    std::unique_ptr<QSqlTableModel> m_model;
    int m_currentRow = -1;
    bool m_adding = false;
    int m_rowBeforeAdd = -1;
};

} // namespace miravo
