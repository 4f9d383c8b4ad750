// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/RecordSource.h"

#include "data/PhoneCardDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace miravo {
namespace {

const QString NoCurrentRecord = QStringLiteral("No current record.");
const QString RecordDeleted =
    QStringLiteral("Record is deleted. What you typed is kept as a new record; Update stores it.");

// The table as the editors see it: in table order (the order the main window's readers walk), with ID kept by
// the store, and an emptied field stored as Null, so that the readers skip it (an emptied Cell is not offered
// as an empty number, an emptied Company is no blank entry of the card-company list).
class RecordTableModel final : public QSqlTableModel {
public:
    RecordTableModel(const QSqlDatabase& db, const QString& table)
        : QSqlTableModel(nullptr, db)
    {
        setEditStrategy(QSqlTableModel::OnManualSubmit);
        setTable(table);
        m_idColumn = fieldIndex(IdColumn);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags result = QSqlTableModel::flags(index);
        if (index.column() == m_idColumn)
            result &= ~Qt::ItemIsEditable;
        return result;
    }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override
    {
        // Every value is text or Null. A Null of the ID column (a new record's) would be an integer that a
        // text field cannot show; as a null text it shows empty, like every other Null.
        const QVariant value = QSqlTableModel::data(index, role);
        if (value.isNull() && (role == Qt::DisplayRole || role == Qt::EditRole))
            return QVariant(QMetaType::fromType<QString>());
        return value;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override
    {
        if (role == Qt::EditRole && value.toString().isEmpty())
            return QSqlTableModel::setData(index, QVariant(QMetaType::fromType<QString>()), role);
        return QSqlTableModel::setData(index, value, role);
    }

    // The key of a row as read from the file, whatever is pending on it.
    using QSqlTableModel::primaryValues;

    // The columns whose stores were refused by the last submit because another program had changed them since
    // this model read them; empty after a store that went through.
    const QStringList& changedElsewhere() const { return m_changedElsewhere; }
    void forgetChangedElsewhere() { m_changedElsewhere.clear(); }

protected:
    QString orderByClause() const override { return QStringLiteral("ORDER BY rowid"); }

    // Writes only the changed columns, and only where each still holds the value this model read (or already
    // the value being stored): a value another program stored meanwhile is never overwritten unseen. Different
    // columns of one record, changed by two programs, still both arrive.
    bool updateRowInTable(int row, const QSqlRecord& values) override
    {
        m_changedElsewhere.clear();
        QSqlDriver* driver = database().driver();
        const auto name = [driver](const QString& column) {
            return driver->escapeIdentifier(column, QSqlDriver::FieldName);
        };
        QStringList assignments;
        QStringList conditions;
        QVariantList assigned;
        QVariantList compared;
        QStringList changed;
        for (int column = 0; column < values.count(); ++column) {
            if (!values.isGenerated(column))
                continue;
            const QString field = name(values.fieldName(column));
            assignments.append(field + QStringLiteral(" = ?"));
            assigned.append(values.value(column));
            conditions.append(QStringLiteral("(%1 IS ? OR %1 IS ?)").arg(field));
            compared << readValue(row, column) << values.value(column);
            changed.append(values.fieldName(column));
        }
        if (assignments.isEmpty())
            return true;
        const QSqlRecord key = primaryValues(row);
        QStringList keyConditions;
        for (int i = 0; i < key.count(); ++i) {
            keyConditions.append(name(key.fieldName(i)) + QStringLiteral(" = ?"));
            compared.append(key.value(i));
        }

        QSqlQuery query(database());
        // Table and column names are the file's own, escaped; every value is bound.
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 AND %4")
                                .arg(driver->escapeIdentifier(tableName(), QSqlDriver::TableName),
                                     assignments.join(QStringLiteral(", ")), conditions.join(QStringLiteral(" AND ")),
                                     keyConditions.join(QStringLiteral(" AND ")));
        if (!query.prepare(sql)) {
            setLastError(query.lastError());
            return false;
        }
        for (const QVariant& value : std::as_const(assigned))
            query.addBindValue(value);
        for (const QVariant& value : std::as_const(compared))
            query.addBindValue(value);
        if (!query.exec()) {
            setLastError(query.lastError());
            return false;
        }
        if (query.numRowsAffected() > 0)
            return true;
        m_changedElsewhere = changedColumns(row, key, changed);
        if (m_changedElsewhere.isEmpty())
            m_changedElsewhere = changed; // the record itself went meanwhile: nothing of it was written
        setLastError(QSqlError(QString(), changedElsewhereText(m_changedElsewhere), QSqlError::StatementError));
        return false;
    }

private:
    // The value of a column as read from the file, whatever the user has typed over it since.
    QVariant readValue(int row, int column) const { return QSqlQueryModel::data(index(row, column), Qt::EditRole); }

    // Of the columns the user changed, those whose stored value is neither the one read nor the one typed.
    QStringList changedColumns(int row, const QSqlRecord& key, const QStringList& columns) const
    {
        QSqlDriver* driver = database().driver();
        QStringList selected;
        for (const QString& column : columns)
            selected.append(driver->escapeIdentifier(column, QSqlDriver::FieldName));
        QStringList keyConditions;
        for (int i = 0; i < key.count(); ++i)
            keyConditions.append(driver->escapeIdentifier(key.fieldName(i), QSqlDriver::FieldName) +
                                 QStringLiteral(" = ?"));
        QSqlQuery query(database());
        query.setForwardOnly(true);
        if (!query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                               .arg(selected.join(QStringLiteral(", ")),
                                    driver->escapeIdentifier(tableName(), QSqlDriver::TableName),
                                    keyConditions.join(QStringLiteral(" AND ")))))
            return {};
        for (int i = 0; i < key.count(); ++i)
            query.addBindValue(key.value(i));
        if (!query.exec() || !query.next())
            return {};
        const QSqlRecord typed = record(row);
        QStringList found;
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant now = query.value(i);
            const QVariant read = readValue(row, fieldIndex(columns[i]));
            const QVariant mine = typed.value(columns[i]);
            const auto same = [](const QVariant& a, const QVariant& b) {
                return a.isNull() == b.isNull() && a.toString() == b.toString();
            };
            if (!same(now, read) && !same(now, mine))
                found.append(columns[i]);
        }
        return found;
    }

    static QString changedElsewhereText(const QStringList& columns)
    {
        QString names = columns.last();
        if (columns.size() > 1)
            names = columns.mid(0, columns.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names;
        return QStringLiteral("Another program has changed %1 of this record since this window read it, so your "
                              "change was not stored. What you typed is kept; Refresh shows the record as it is "
                              "stored now.")
            .arg(names);
    }

    int m_idColumn = -1;
    QStringList m_changedElsewhere;
};

Failure failure(const QSqlError& error)
{
    return Failure{storeDescription(error)};
}

// What identifies a file whatever its name: a file moved away, deleted or replaced at the path is another one.
std::optional<std::pair<dev_t, ino_t>> fileIdentity(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::pair{info.st_dev, info.st_ino};
}

bool writableByThisUser(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

RecordSource::RecordSource(const QString& table, const QStringList& columns, QObject* parent)
    : QObject(parent)
    , m_table(table)
    , m_columns(columns)
{}

RecordSource::~RecordSource()
{
    close();
}

void RecordSource::close()
{
    m_model.reset();
    m_db.close();
    m_db = QSqlDatabase();
    if (!m_connectionName.isEmpty())
        QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
    m_currentRow = -1;
    m_adding = false;
    m_rowBeforeAdd = -1;
    m_openedFile.reset();
    m_cannotStore.clear();
}

Outcome RecordSource::open()
{
    close();
    m_connectionName = nextConnectionName(QStringLiteral("editor-") + m_table);
    const Outcome outcome = [this]() -> Outcome {
        const Result<QSqlDatabase> opened = openStore(m_connectionName);
        if (!opened.ok())
            return opened.failure();
        m_db = opened.value();

        QSqlQuery query(m_db);
        // The table name is the window's own constant, never user input. This read gives the store's own words
        // for a missing table or a file that is no database, which the model would replace by its own.
        if (!query.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(m_table)))
            return failure(query.lastError());
        query.finish();

        auto model = std::make_unique<RecordTableModel>(m_db, m_table);
        for (const QString& column : m_columns) {
            if (model->fieldIndex(column) < 0)
                return Failure{QStringLiteral("no such column: %1").arg(column)};
        }
        // Without a key the store tells a record only by all its values: a change to one of two records alike
        // would change both. Tables made by the installer tool always have the key; a file made elsewhere may not.
        if (model->primaryKey().isEmpty()) {
            return Failure{QStringLiteral("The table %1 has no primary key: its records cannot be told apart, so "
                                          "this window does not open it for editing.")
                               .arg(m_table)};
        }
        m_model = std::move(model);
        return selectAll();
    }();
    if (!outcome.ok()) {
        m_openError = outcome.reason();
        close();
        emit currentRowChanged(-1);
        return outcome;
    }
    m_openError.clear();
    m_path = phoneCardDatabasePath();
    m_openedFile = fileIdentity(m_path);
    m_cannotStore = cannotStoreReason(m_path);
    setCurrentRow(m_model->rowCount() > 0 ? 0 : -1);
    return outcome;
}

QString RecordSource::cannotStoreReason(const QString& path)
{
    // SQLite opens a file it may not write read-only without a word, and says so only when a store fails.
    // The folder matters too: a store writes its journal beside the file.
    const QString native = QDir::toNativeSeparators(path);
    if (!writableByThisUser(path))
        return QStringLiteral("%1 is read-only: this window shows its records but cannot store changes.").arg(native);
    const QString folder = QFileInfo(path).absolutePath();
    if (!writableByThisUser(folder))
        return QStringLiteral("The folder %1 is read-only: this window shows the records of %2 but cannot store "
                              "changes.")
            .arg(QDir::toNativeSeparators(folder), native);
    return {};
}

Failure RecordSource::storeFailure(const QSqlError& error) const
{
    // A file moved away or deleted while the window held it open is still open, but SQLite no longer writes
    // it and only says "attempt to write a readonly database".
    const auto now = fileIdentity(m_path);
    const QString native = QDir::toNativeSeparators(m_path);
    if (m_openedFile && !now)
        return Failure{QStringLiteral("The database file was moved or deleted while this window had it open: there "
                                      "is no %1 any more, so nothing was stored. What you typed is kept; Refresh "
                                      "opens the file at that path again once it is back.")
                           .arg(native)};
    if (m_openedFile && now && *now != *m_openedFile)
        return Failure{QStringLiteral("The database file was replaced by another file while this window had it "
                                      "open, so nothing was stored. What you typed is kept; Refresh opens %1 again.")
                           .arg(native)};
    auto* model = static_cast<const RecordTableModel*>(m_model.get());
    if (model && !model->changedElsewhere().isEmpty())
        return Failure{storeDescription(error), ChangedElsewhere};
    return failure(error);
}

int RecordSource::fieldIndex(const QString& column) const
{
    return m_model ? m_model->fieldIndex(column) : -1;
}

bool RecordSource::hasUnstoredValues() const
{
    return m_model && m_model->isDirty();
}

QVariant RecordSource::currentValue(int column) const
{
    if (!m_model || m_currentRow < 0)
        return {};
    return m_model->data(m_model->index(m_currentRow, column), Qt::EditRole);
}

Outcome RecordSource::addNew()
{
    if (!m_model)
        return Failure{m_openError};
    if (m_adding)
        return {};
    const int row = m_model->rowCount();
    if (!m_model->insertRow(row))
        return failure(m_model->lastError());
    m_rowBeforeAdd = m_currentRow;
    m_adding = true;
    setCurrentRow(row);
    return {};
}

void RecordSource::discardNew()
{
    if (!m_model || !m_adding)
        return;
    m_model->revertRow(m_currentRow);
    m_adding = false;
    setCurrentRow(std::min(m_rowBeforeAdd, m_model->rowCount() - 1));
}

Outcome RecordSource::store()
{
    if (!m_model)
        return Failure{m_openError};
    if (m_currentRow < 0)
        return Failure{NoCurrentRecord};

    if (!m_adding && !currentRecordExists())
        return keepAsNewRecord();

    const QVariant id = m_adding ? QVariant() : idAt(m_currentRow);
    // On failure the model keeps every pending value: the fields go on showing what the user typed, and the
    // next store tries them again.
    static_cast<RecordTableModel*>(m_model.get())->forgetChangedElsewhere();
    if (!m_model->submitAll())
        return storeFailure(m_model->lastError());

    QVariant storedId = id;
    if (m_adding) {
        QSqlQuery query(m_db);
        if (query.exec(QStringLiteral("SELECT last_insert_rowid()")) && query.next())
            storedId = query.value(0);
        m_adding = false;
    }
    fetchAll();
    const int row = rowOfId(storedId);
    setCurrentRow(row >= 0 ? row : std::min(m_currentRow, m_model->rowCount() - 1));
    return {};
}

Outcome RecordSource::remove()
{
    if (!m_model)
        return Failure{m_openError};
    if (m_adding) {
        // The new record is not in the table yet: deleting it only drops it. Then, as after any delete at the
        // end, the last record is current.
        m_model->revertRow(m_currentRow);
        m_adding = false;
        setCurrentRow(m_model->rowCount() - 1);
        return {};
    }
    if (m_currentRow < 0)
        return Failure{NoCurrentRecord};

    const int row = m_currentRow;
    const QVariant followingId = row + 1 < m_model->rowCount() ? idAt(row + 1) : QVariant();
    m_model->removeRow(row);
    static_cast<RecordTableModel*>(m_model.get())->forgetChangedElsewhere();
    if (!m_model->submitAll()) {
        const Failure refused = storeFailure(m_model->lastError());
        m_model->revertRow(row); // the record is still in the table, so it stays in the model
        return refused;
    }
    fetchAll();
    // The record that followed the deleted one, or the new last record. Deleting the only record leaves no
    // current record, and that is no failure: the delete itself succeeded.
    const int following = followingId.isValid() ? rowOfId(followingId) : -1;
    setCurrentRow(following >= 0 ? following : m_model->rowCount() - 1);
    return {};
}

Outcome RecordSource::reload()
{
    // A connection keeps reading the file it opened, even after that file was removed or replaced at the path:
    // reading the table again means opening the path again.
    return open();
}

void RecordSource::move(RecordMove move)
{
    if (!m_model || m_adding || m_currentRow < 0)
        return;
    const int last = m_model->rowCount() - 1;
    int row = m_currentRow;
    switch (move) {
    case RecordMove::First:
        row = 0;
        break;
    case RecordMove::Previous:
        row = std::max(0, row - 1);
        break;
    case RecordMove::Next:
        row = std::min(last, row + 1);
        break;
    case RecordMove::Last:
        row = last;
        break;
    }
    setCurrentRow(row);
}

Outcome RecordSource::selectAll()
{
    if (!m_model->select())
        return failure(m_model->lastError());
    fetchAll();
    return {};
}

void RecordSource::fetchAll()
{
    // The model reads a table a chunk at a time, also after submitAll() has read it again. Reading every record
    // at once also ends the read statement, so this window holds no read lock that would keep the other editor
    // from storing.
    while (m_model->canFetchMore())
        m_model->fetchMore();
}

bool RecordSource::currentRecordExists() const
{
    auto* model = static_cast<RecordTableModel*>(m_model.get());
    const QSqlRecord key = model->primaryValues(m_currentRow);
    QStringList conditions;
    for (int i = 0; i < key.count(); ++i)
        conditions.append(m_db.driver()->escapeIdentifier(key.fieldName(i), QSqlDriver::FieldName) +
                          QStringLiteral(" = ?"));
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // The table name is the window's own constant; the key's values are bound.
    if (!query.prepare(
            QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(m_table, conditions.join(QStringLiteral(" AND ")))))
        return true;
    for (int i = 0; i < key.count(); ++i)
        query.addBindValue(key.value(i));
    // A read that fails (a lock) proves nothing: the store that follows meets the same cause and reports it.
    if (!query.exec())
        return true;
    return query.next() || query.lastError().isValid();
}

Outcome RecordSource::keepAsNewRecord()
{
    // Another program deleted the record: an UPDATE would change nothing and the typed values would be gone.
    // They move into a new record at the end of the table read again, where the next store adds them.
    QVariantList values;
    for (int column = 0; column < m_model->columnCount(); ++column)
        values.append(m_model->data(m_model->index(m_currentRow, column), Qt::EditRole));
    m_model->revertAll();
    if (const Outcome read = selectAll(); !read.ok())
        return read;
    const int row = m_model->rowCount();
    if (!m_model->insertRow(row))
        return failure(m_model->lastError());
    const int idColumn = m_model->fieldIndex(IdColumn);
    for (int column = 0; column < m_model->columnCount() && column < values.size(); ++column) {
        if (column != idColumn && !values[column].isNull())
            m_model->setData(m_model->index(row, column), values[column]);
    }
    m_rowBeforeAdd = std::min(m_currentRow, row - 1);
    m_adding = true;
    setCurrentRow(row);
    return Failure{RecordDeleted};
}

QVariant RecordSource::idAt(int row) const
{
    return m_model->data(m_model->index(row, m_model->fieldIndex(IdColumn)), Qt::EditRole);
}

int RecordSource::rowOfId(const QVariant& id) const
{
    if (!id.isValid() || id.isNull())
        return -1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (idAt(row).toString() == id.toString())
            return row;
    }
    return -1;
}

void RecordSource::setCurrentRow(int row)
{
    m_currentRow = row;
    // Also when the row number stays the same: the model may have been read again, and the fields follow it.
    emit currentRowChanged(row);
}

} // namespace miravo
