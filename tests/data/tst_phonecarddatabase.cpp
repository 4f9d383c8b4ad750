// SPDX-License-Identifier: GPL-3.0-or-later
// The database reads the main window relies on, against real SQLite files in a temporary data folder.
#include "data/PhoneCardDatabase.h"
#include "modem/ModemPort.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

using namespace miravo;
using miravo::test::row;
using miravo::test::TempDataFolder;

Q_DECLARE_METATYPE(QList<miravo::schema::Row>)

class tst_PhoneCardDatabase : public QObject {
    Q_OBJECT

private slots:
    void companyList_data();
    void companyList();
    void clientListStandsOnItsOwn();
    void manyRecordsHaveNoLimit();
    void missingFileStaysMissing();
    void brokenFiles_data();
    void brokenFiles();
    void companyLookup_data();
    void companyLookup();
    void personNumbers_data();
    void personNumbers();
    void pathWithUriCharacters();
    void installerRefusesToOverwrite();
    void createdForTheOwnerAlone_data();
    void createdForTheOwnerAlone();
};

void tst_PhoneCardDatabase::companyList_data()
{
    QTest::addColumn<QList<schema::Row>>("vendors");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty table") << QList<schema::Row>{} << QStringList{};
    QTest::newRow("table order, not sorted")
        << QList<schema::Row>{row({{"Company", "Zeta"}}), row({{"Company", "Alpha"}})} << QStringList{"Zeta", "Alpha"};
    QTest::newRow("Nulls at the start are skipped")
        << QList<schema::Row>{row({{"Business", "1"}}), row({{"Business", "2"}}), row({{"Company", "Alpha"}})}
        << QStringList{"Alpha"};
    QTest::newRow("a Null in the middle does not end the list")
        << QList<schema::Row>{row({{"Company", "Alpha"}}), row({{"Company", QVariant()}}), row({{"Company", "Beta"}})}
        << QStringList{"Alpha", "Beta"};
    QTest::newRow("duplicates and empty text are listed as stored")
        << QList<schema::Row>{row({{"Company", "Alpha"}}), row({{"Company", ""}}), row({{"Company", "Alpha"}})}
        << QStringList{"Alpha", "", "Alpha"};
    QTest::newRow("text that looks like SQL is only text")
        << QList<schema::Row>{row({{"Company", "x'); DROP TABLE Vendors; --"}}), row({{"Company", "O'Brien"}})}
        << QStringList{"x'); DROP TABLE Vendors; --", "O'Brien"};
}

void tst_PhoneCardDatabase::companyList()
{
    QFETCH(QList<schema::Row>, vendors);
    QFETCH(QStringList, expected);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase(vendors));

    const auto names = readCompanyNames();
    QVERIFY(names.ok());
    QCOMPARE(names.value(), expected);
}

void tst_PhoneCardDatabase::clientListStandsOnItsOwn()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {row({{"Name", "Ann"}}), row({{"Name", QVariant()}}), row({{"Name", "Bob"}})}));
    QVERIFY(folder.exec(QStringLiteral("DROP TABLE Vendors")));

    const auto companies = readCompanyNames();
    QCOMPARE(storeError(companies), StoreError::TableMissing);
    const auto clients = readClientNames();
    QVERIFY(clients.ok());
    QCOMPARE(clients.value(), (QStringList{"Ann", "Bob"}));
}

void tst_PhoneCardDatabase::manyRecordsHaveNoLimit()
{
    TempDataFolder folder;
    QList<schema::Row> vendors;
    QList<schema::Row> clients;
    for (int i = 1; i <= 250; ++i) {
        vendors.append(row({{"Company", QStringLiteral("Company %1").arg(i)}}));
        clients.append(row({{"Name", QStringLiteral("Person %1").arg(i)}}));
    }
    QVERIFY(folder.createDatabase(vendors, clients));

    const auto companies = readCompanyNames();
    QCOMPARE(companies.value().size(), 250);
    QCOMPARE(companies.value().last(), QStringLiteral("Company 250"));
    QCOMPARE(readClientNames().value().size(), 250);
}

void tst_PhoneCardDatabase::missingFileStaysMissing()
{
    TempDataFolder folder;
    QVERIFY(!QFile::exists(folder.databasePath()));

    QCOMPARE(storeError(readCompanyNames()), StoreError::FileNotFound);
    QCOMPARE(storeError(lookupCompany(QStringLiteral("Alpha"))), StoreError::FileNotFound);
    QCOMPARE(storeError(lookupPersonNumbers(QStringLiteral("Ann"))), StoreError::FileNotFound);
    QVERIFY(!QFile::exists(folder.databasePath()));
}

void tst_PhoneCardDatabase::brokenFiles_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("expected");

    QTest::newRow("not a database") << QString() << errorNumber(StoreError::NotADatabase);
    QTest::newRow("Clients table missing") << "DROP TABLE Clients" << errorNumber(StoreError::TableMissing);
    QTest::newRow("Home column missing") << "ALTER TABLE Clients DROP COLUMN Home"
                                         << errorNumber(StoreError::ColumnMissing);
}

void tst_PhoneCardDatabase::brokenFiles()
{
    QFETCH(QString, damage);
    QFETCH(int, expected);
    TempDataFolder folder;
    if (damage.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(folder.databasePath()).absolutePath()));
        QFile file(folder.databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    } else {
        QVERIFY(folder.createDatabase({}, {row({{"Name", "Ann"}, {"Home", "1"}})}));
        QVERIFY(folder.exec(damage));
    }

    const auto numbers = lookupPersonNumbers(QStringLiteral("Ann"));
    QCOMPARE(numbers.code(), expected);
    QVERIFY(!numbers.reason().isEmpty());
}

void tst_PhoneCardDatabase::companyLookup_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("exact match") << "Alpha" << true << QStringList{"18005550101", "1", "4321"};
    QTest::newRow("other letter case matches nothing") << "alpha" << false << QStringList{};
    QTest::newRow("a prefix matches nothing") << "Alp" << false << QStringList{};
    QTest::newRow("trailing blank matches nothing") << "Alpha " << false << QStringList{};
    QTest::newRow("the later of two records wins") << "Twice" << true << QStringList{"222", "2", "second"};
    QTest::newRow("Null columns give empty text") << "Sparse" << true << QStringList{"555", "", ""};
    QTest::newRow("SQL-looking text is a plain key") << "' OR '1'='1" << false << QStringList{};
    QTest::newRow("quotes in a stored name") << "O'Brien" << true << QStringList{"9", "3", "7"};
}

void tst_PhoneCardDatabase::companyLookup()
{
    QFETCH(QString, typed);
    QFETCH(bool, found);
    QFETCH(QStringList, fields);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({
        row({{"Company", "Alpha"}, {"Business", "18005550101"}, {"Language", "1"}, {"Code", "4321"}}),
        row({{"Company", "Twice"}, {"Business", "111"}, {"Language", "1"}, {"Code", "first"}}),
        row({{"Company", QVariant()}, {"Business", "000"}}),
        row({{"Company", "Twice"}, {"Business", "222"}, {"Language", "2"}, {"Code", "second"}}),
        row({{"Company", "Sparse"}, {"Business", "555"}}),
        row({{"Company", "O'Brien"}, {"Business", "9"}, {"Language", "3"}, {"Code", "7"}}),
    }));

    const auto result = lookupCompany(typed);
    QVERIFY(result.ok());
    QCOMPARE(result.value().has_value(), found);
    if (found) {
        QCOMPARE((QStringList{result.value()->business, result.value()->language, result.value()->code}), fields);
    }
    QCOMPARE(readCompanyNames().value().size(), 5); // nothing was dropped or changed by any key
}

void tst_PhoneCardDatabase::personNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("numbers");

    QTest::newRow("Home and Fax, no Cell: Home first") << "Ann" << QStringList{"111", "333"};
    QTest::newRow("two records of one name: both, in table order") << "Bob" << QStringList{"1", "2", "3", "4"};
    QTest::newRow("found after a Null name") << "Cy" << QStringList{"77"};
    QTest::newRow("letter case matters") << "ann" << QStringList{};
    QTest::newRow("empty-text numbers are offered, Nulls are not") << "Dee" << QStringList{""};
}

void tst_PhoneCardDatabase::personNumbers()
{
    QFETCH(QString, name);
    QFETCH(QStringList, numbers);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {
                                          row({{"Name", "Ann"}, {"Home", "111"}, {"Fax", "333"}}),
                                          row({{"Name", "Bob"}, {"Home", "1"}, {"Cell", "2"}}),
                                          row({{"Name", QVariant()}, {"Home", "999"}}),
                                          row({{"Name", "Bob"}, {"Cell", "3"}, {"Fax", "4"}}),
                                          row({{"Name", "Cy"}, {"Cell", "77"}}),
                                          row({{"Name", "Dee"}, {"Cell", ""}}),
                                      }));

    const auto result = lookupPersonNumbers(name);
    QVERIFY(result.ok());
    QCOMPARE(result.value(), numbers);
}

void tst_PhoneCardDatabase::pathWithUriCharacters()
{
    // The data folder is the user's: blanks, '#', '?' and '%' in it must not change which file is opened.
    QTemporaryDir base;
    const QString odd = base.path() + QStringLiteral("/my data #1?%20x");
    QVERIFY(QDir().mkpath(odd));
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", odd.toLocal8Bit());
    QVERIFY(schema::createDatabase(phoneCardDatabasePath()).ok());
    QVERIFY(schema::insertRows(phoneCardDatabasePath(), "Vendors", {row({{"Company", "Alpha"}})}).ok());

    const auto names = readCompanyNames();
    qputenv("XDG_DATA_HOME", previous);
    QVERIFY2(names.ok(), qPrintable(names.reason()));
    QCOMPARE(names.value(), QStringList{"Alpha"});
}

void tst_PhoneCardDatabase::installerRefusesToOverwrite()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({row({{"Company", "Keep me"}})}));
    const auto again = schema::createDatabase(folder.databasePath());
    QVERIFY(!again.ok());
    QCOMPARE(readCompanyNames().value(), QStringList{"Keep me"});
}

// The file's and a folder's permission bits, as "0700"; "missing" when there is nothing.
QString modeOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("missing");
    return QStringLiteral("0%1").arg(info.st_mode & 07777, 3, 8, QLatin1Char('0'));
}

void tst_PhoneCardDatabase::createdForTheOwnerAlone_data()
{
    QTest::addColumn<QString>("creator"); // the installer tool with its arguments, or "schema" for the tests' helper
    QTest::addColumn<bool>("dataFolderExists");

    QTest::newRow("installer tool, no data folder yet") << "miravo-create-database" << false;
    QTest::newRow("installer tool with samples") << "miravo-create-database --samples" << false;
    QTest::newRow("installer tool with samples, data folder there") << "miravo-create-database --samples" << true;
    QTest::newRow("the tests' database helper") << "schema" << false;
    QTest::newRow("the virtual modem first, then the tests' helper") << "virtual modem, schema" << false;
}

void tst_PhoneCardDatabase::createdForTheOwnerAlone()
{
    QFETCH(QString, creator);
    QFETCH(bool, dataFolderExists);
    TempDataFolder folder;
    // The data folder (XDG_DATA_HOME) one level further down, so that the creator makes it too; the usual umask,
    // which leaves files readable by every account.
    const QString dataHome = folder.root() + QStringLiteral("/share");
    if (dataFolderExists)
        QVERIFY(QDir().mkdir(dataHome));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    const mode_t previousMask = ::umask(022);
    const auto restore = qScopeGuard([&] { ::umask(previousMask); });
    const QString path = phoneCardDatabasePath();
    QVERIFY(path.startsWith(dataHome));

    if (creator.endsWith(QLatin1String("schema"))) {
        // The virtual modem's ports folder lies in the database's folder, which it makes when it is the first.
        std::unique_ptr<test::VirtualModemRecorder> modem;
        if (creator.startsWith(QLatin1String("virtual modem"))) {
            modem = std::make_unique<test::VirtualModemRecorder>(3);
            QVERIFY2(modem->isReady(), qPrintable(modem->errorString()));
            QCOMPARE(modeOf(portLinksFolder()), QStringLiteral("0700"));
        }
        QVERIFY(folder.createDatabase({row({{"Company", "Alpha"}})}));
    } else {
        QStringList arguments = creator.split(u' ');
        const QString program = QCoreApplication::applicationDirPath() + u'/' + arguments.takeFirst();
        QCOMPARE(QProcess::execute(program, arguments), 0);
    }

    QCOMPARE(modeOf(path), QStringLiteral("0600"));
    QCOMPARE(modeOf(QFileInfo(path).absolutePath()), QStringLiteral("0700"));
    // A folder that was there already is left as it was; one made for the file is private too.
    QCOMPARE(modeOf(dataHome), dataFolderExists ? QStringLiteral("0755") : QStringLiteral("0700"));
    // Reading and storing (a journal comes and goes beside the file) leaves it as private as it was made.
    QVERIFY(folder.addRows(QStringLiteral("Clients"), {row({{"Name", "Zed"}})}));
    QVERIFY(readClientNames().ok());
    QCOMPARE(modeOf(path), QStringLiteral("0600"));
}

QTEST_GUILESS_MAIN(tst_PhoneCardDatabase)
#include "tst_phonecarddatabase.moc"
