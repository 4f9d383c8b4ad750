// Two editors' data sources over one real database file, each on a connection of its own, as two instances of
// the program hold it: what the later store does when both changed the same record.
#include "data/PhoneCardDatabase.h"
#include "data/RecordSource.h"
#include "support/TempDataFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QtTest>

using namespace miravo;
using miravo::test::row;
using miravo::test::TempDataFolder;

namespace {

const QStringList ClientColumns{"ID",   "Name", "Address", "Card_num", "Card_Password", "Cell",
                                "City", "Code", "Fax",     "Home",     "Notes"};

// A column of the first client as stored in the file; Null reads "<Null>".
QString storedValue(const QString& column)
{
    QString value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-read"));
        db.setDatabaseName(phoneCardDatabasePath());
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT %1 FROM Clients ORDER BY rowid LIMIT 1").arg(column)) && query.next())
                value = query.isNull(0) ? QStringLiteral("<Null>") : query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-read"));
    return value;
}

// What a window does on Update: the typed value into the model, then store().
Outcome typeAndStore(RecordSource& source, const QString& column, const QString& value)
{
    QSqlTableModel* model = source.model();
    model->setData(model->index(source.currentRow(), source.fieldIndex(column)), value);
    return source.store();
}

QString shown(const RecordSource& source, const QString& column)
{
    const QVariant value = source.currentValue(source.fieldIndex(column));
    return value.isNull() ? QStringLiteral("<Null>") : value.toString();
}

} // namespace

class tst_RecordSource : public QObject {
    Q_OBJECT

private slots:
    void twoInstancesOneRecord_data();
    void twoInstancesOneRecord();
};

void tst_RecordSource::twoInstancesOneRecord_data()
{
    QTest::addColumn<QString>("bColumn");
    QTest::addColumn<QString>("bValue"); // "" empties the field: stored as Null
    QTest::addColumn<QString>("aColumn");
    QTest::addColumn<QString>("aValue");
    QTest::addColumn<bool>("refused");

    QTest::newRow("same field, other values: the later store is refused") << "City"
                                                                          << "Berlin"
                                                                          << "City"
                                                                          << "Madrid" << true;
    QTest::newRow("same field emptied by the first: refused") << "City"
                                                              << ""
                                                              << "City"
                                                              << "Madrid" << true;
    QTest::newRow("same field, same value: stored") << "City"
                                                    << "Berlin"
                                                    << "City"
                                                    << "Berlin" << false;
    QTest::newRow("different fields: both stored") << "City"
                                                   << "Berlin"
                                                   << "Notes"
                                                   << "call after 8" << false;
    QTest::newRow("a field that was Null, filled by both: refused") << "Fax"
                                                                    << "111"
                                                                    << "Fax"
                                                                    << "222" << true;
}

void tst_RecordSource::twoInstancesOneRecord()
{
    QFETCH(QString, bColumn);
    QFETCH(QString, bValue);
    QFETCH(QString, aColumn);
    QFETCH(QString, aValue);
    QFETCH(bool, refused);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {row({{"Name", "Alpha"}, {"City", "Oslo"}, {"Notes", "old"}})}));

    // Instances A and B show the same client; B stores first, then A.
    RecordSource a(QStringLiteral("Clients"), ClientColumns);
    RecordSource b(QStringLiteral("Clients"), ClientColumns);
    QVERIFY(a.open().ok());
    QVERIFY(b.open().ok());
    const Outcome first = typeAndStore(b, bColumn, bValue);
    QVERIFY2(first.ok(), qPrintable(first.reason()));
    const QString bStored = bValue.isEmpty() ? QStringLiteral("<Null>") : bValue;
    const Outcome later = typeAndStore(a, aColumn, aValue);

    if (!refused) {
        QVERIFY2(later.ok(), qPrintable(later.reason()));
        QCOMPARE(storedValue(aColumn), aValue);
        QCOMPARE(storedValue(bColumn), aColumn == bColumn ? aValue : bStored);
        // A reads the record again after its store: it shows B's change too.
        QCOMPARE(shown(a, bColumn), storedValue(bColumn));
        return;
    }

    QVERIFY(!later.ok());
    QCOMPARE(later.code(), RecordSource::ChangedElsewhere);
    QVERIFY2(later.reason().contains(aColumn), qPrintable(later.reason()));
    QCOMPARE(storedValue(aColumn), bStored);
    // What A's user typed waits, and a second try is refused the same way.
    QVERIFY(a.hasUnstoredValues());
    QCOMPARE(shown(a, aColumn), aValue);
    QCOMPARE(typeAndStore(a, aColumn, aValue).code(), RecordSource::ChangedElsewhere);
    QCOMPARE(storedValue(aColumn), bStored);
    // Read again, A shows B's value; a change made after that is stored.
    QVERIFY(a.reload().ok());
    QCOMPARE(shown(a, aColumn), bStored);
    QVERIFY(typeAndStore(a, aColumn, aValue).ok());
    QCOMPARE(storedValue(aColumn), aValue);
}

QTEST_GUILESS_MAIN(tst_RecordSource)
#include "tst_recordsource.moc"
