// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform, with its database in a temporary data folder: start-up lists,
// the company and person lookups, and the window's designed shape.
#include "dialer/frmMiravoCall.h"
#include "support/Announcements.h"
#include "support/Controls.h"
#include "support/DatabaseLock.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

using namespace miravo;
using miravo::test::Announcements;
using miravo::test::control;
using miravo::test::DatabaseLock;
using miravo::test::entries;
using miravo::test::pick;
using miravo::test::row;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;

class tst_frmMiravoCall : public QObject {
    Q_OBJECT

private slots:
    void startUp();
    void startUpLists_data();
    void startUpLists();
    void startUpWithoutFileShowsNothing();
    void companyLookupByPick();
    void companyLookupTypedLetterByLetter();
    void companyWithNullCode();
    void companyLookupSeesChangesWithoutRestart();
    void lookupWithoutFileShowsError();
    void personLookupAppends();
    void typingIntoClientLooksNothingUp();
    void downPicksTheFirstEntry_data();
    void downPicksTheFirstEntry();
    void designedShape();
    void closeClosesThisWindowOnly();
    void startUpNotice_data();
    void startUpNotice();
    void lookupWhileLocked();
};

void tst_frmMiravoCall::startUp()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase());
    frmMiravoCall window;
    QCOMPARE(control<QLineEdit>(&window, "txtPort")->text(), QStringLiteral("3"));
    for (const char* name : {"txtDial_Num1", "txtDial_Num2", "txtDial_Num3"})
        QVERIFY(control<QLineEdit>(&window, name)->text().isEmpty());
    for (const char* name : {"Combo1", "Combo2", "txtDial_Num4"})
        QVERIFY(control<QComboBox>(&window, name)->currentText().isEmpty());
}

void tst_frmMiravoCall::startUpLists_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("companies");
    QTest::addColumn<int>("clients");

    QTest::newRow("all records, beyond 100") << QString() << 120 << 130;
    QTest::newRow("Vendors missing: clients still listed") << "DROP TABLE Vendors" << 0 << 130;
    QTest::newRow("Clients missing: companies still listed") << "DROP TABLE Clients" << 120 << 0;
    QTest::newRow("a Null company in the middle ends nothing")
        << "UPDATE Vendors SET Company = NULL WHERE ID = 50" << 119 << 130;
}

void tst_frmMiravoCall::startUpLists()
{
    QFETCH(QString, damage);
    QFETCH(int, companies);
    QFETCH(int, clients);
    TempDataFolder folder;
    QList<schema::Row> vendors;
    for (int i = 1; i <= 120; ++i)
        vendors.append(row({{"Company", QStringLiteral("Card %1").arg(i)}}));
    QList<schema::Row> people;
    for (int i = 1; i <= 130; ++i)
        people.append(row({{"Name", QStringLiteral("Person %1").arg(i)}}));
    QVERIFY(folder.createDatabase(vendors, people));
    if (!damage.isEmpty())
        QVERIFY(folder.exec(damage));

    ScriptedMessages messages;
    frmMiravoCall window;
    QCOMPARE(control<QComboBox>(&window, "Combo1")->count(), companies);
    QCOMPARE(control<QComboBox>(&window, "Combo2")->count(), clients);
    if (companies > 0)
        QCOMPARE(control<QComboBox>(&window, "Combo1")->itemText(companies - 1), QStringLiteral("Card 120"));
    QVERIFY(messages.shown().isEmpty());
}

void tst_frmMiravoCall::startUpWithoutFileShowsNothing()
{
    TempDataFolder folder;
    ScriptedMessages messages;
    frmMiravoCall window;
    QCOMPARE(control<QComboBox>(&window, "Combo1")->count(), 0);
    QCOMPARE(control<QComboBox>(&window, "Combo2")->count(), 0);
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(!QFile::exists(folder.databasePath()));
}

void tst_frmMiravoCall::companyLookupByPick()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({
        row({{"Company", "Alpha"}, {"Business", "18005550101"}, {"Language", "1"}, {"Code", "4321"}}),
        row({{"Company", "Beta"}, {"Business", "18005550142"}, {"Language", "2"}, {"Code", "9999"}}),
    }));
    frmMiravoCall window;
    window.show();
    auto* combo = control<QComboBox>(&window, "Combo1");
    QCOMPARE(entries(combo), (QStringList{"Alpha", "Beta"}));

    pick(combo, "Beta");
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num1")->text(), QStringLiteral("18005550142"));
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num2")->text(), QStringLiteral("2"));
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num3")->text(), QStringLiteral("9999"));
    QVERIFY(control<QComboBox>(&window, "txtDial_Num4")->currentText().isEmpty());
}

void tst_frmMiravoCall::companyLookupTypedLetterByLetter()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({
        row({{"Company", "Al"}, {"Business", "1"}, {"Language", "1"}, {"Code", "1"}}),
        row({{"Company", "Alpha"}, {"Business", "5"}, {"Language", "6"}, {"Code", "7"}}),
    }));
    frmMiravoCall window;
    window.show();
    auto* combo = control<QComboBox>(&window, "Combo1");
    auto* access = control<QLineEdit>(&window, "txtDial_Num1");

    QTest::keyClicks(combo, "A");
    QVERIFY(access->text().isEmpty());
    QTest::keyClicks(combo, "l");
    QCOMPARE(access->text(), QStringLiteral("1")); // "Al" is a company of its own
    QTest::keyClicks(combo, "ph");
    QCOMPARE(access->text(), QStringLiteral("1")); // "Alph" matches nothing: the fields stay
    QTest::keyClicks(combo, "a");
    QCOMPARE(access->text(), QStringLiteral("5"));
    QCOMPARE(combo->currentText(), QStringLiteral("Alpha")); // no completion added letters

    combo->lineEdit()->clear();
    QTest::keyClicks(combo, "ALPHA");
    QCOMPARE(access->text(), QStringLiteral("5")); // other letter case fills nothing
    QCOMPARE(combo->count(), 2);                   // typing adds no entries
}

void tst_frmMiravoCall::companyWithNullCode()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({
        row({{"Company", "Full"}, {"Business", "111"}, {"Language", "1"}, {"Code", "SECRET"}}),
        row({{"Company", "NoCode"}, {"Business", "222"}, {"Language", "2"}}),
    }));
    ScriptedMessages messages;
    frmMiravoCall window;
    auto* combo = control<QComboBox>(&window, "Combo1");
    pick(combo, "Full");
    pick(combo, "NoCode");
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num1")->text(), QStringLiteral("222"));
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num2")->text(), QStringLiteral("2"));
    // The previous card's PIN must not stay behind to be dialed with this company.
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num3")->text(), QString());
    QVERIFY(messages.shown().isEmpty());
}

void tst_frmMiravoCall::companyLookupSeesChangesWithoutRestart()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({row({{"Company", "Alpha"}, {"Business", "1"}, {"Language", "1"}, {"Code", "1"}})}));
    frmMiravoCall window;
    QVERIFY(folder.exec("UPDATE Vendors SET Business = '999' WHERE Company = 'Alpha'"));
    QVERIFY(folder.addRows("Vendors", {row({{"Company", "Later"}, {"Business", "2"}})}));

    auto* combo = control<QComboBox>(&window, "Combo1");
    pick(combo, "Alpha");
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num1")->text(), QStringLiteral("999"));
    QCOMPARE(entries(combo), QStringList{"Alpha"}); // the list keeps its start-up contents
    combo->lineEdit()->clear();
    QTest::keyClicks(combo, "Later");
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num1")->text(), QStringLiteral("2"));
}

void tst_frmMiravoCall::lookupWithoutFileShowsError()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({row({{"Company", "Alpha"}, {"Business", "1"}})},
                                  {row({{"Name", "Ann"}, {"Home", "1"}})}));
    ScriptedMessages messages;
    frmMiravoCall window;
    QVERIFY(QFile::remove(folder.databasePath()));

    pick(control<QComboBox>(&window, "Combo1"), "Alpha");
    pick(control<QComboBox>(&window, "Combo2"), "Ann");
    QCOMPARE(messages.texts(), (QStringList{"Unanticipated error 3024", "Unanticipated error 3024"}));
    QCOMPARE(messages.shown().first().title, QStringLiteral("MiravoDialer"));
    QCOMPARE(messages.shown().first().style, MessageStyle::OkOnly);
    QVERIFY(control<QLineEdit>(&window, "txtDial_Num1")->text().isEmpty());
    QVERIFY(!QFile::exists(folder.databasePath()));
}

void tst_frmMiravoCall::personLookupAppends()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {
                                          row({{"Name", "Ann"}, {"Home", "111"}, {"Fax", "333"}}),
                                          row({{"Name", "Bob"}, {"Cell", "222"}}),
                                      }));
    frmMiravoCall window;
    auto* people = control<QComboBox>(&window, "Combo2");
    auto* numbers = control<QComboBox>(&window, "txtDial_Num4");

    pick(people, "Ann");
    QCOMPARE(entries(numbers), (QStringList{"111", "333"}));
    QVERIFY(numbers->currentText().isEmpty()); // the number to dial is still the user's choice
    QTest::keyClicks(numbers, "5551234");
    pick(people, "Bob");
    pick(people, "Ann");
    QCOMPARE(entries(numbers), (QStringList{"111", "333", "222", "111", "333"}));
    QCOMPARE(numbers->currentText(), QStringLiteral("5551234"));
    QCOMPARE(window.dialFields().destination, QStringLiteral("5551234"));
}

void tst_frmMiravoCall::typingIntoClientLooksNothingUp()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {row({{"Name", "Ann"}, {"Home", "111"}})}));
    frmMiravoCall window;
    window.show();
    auto* people = control<QComboBox>(&window, "Combo2");
    people->lineEdit()->clear();
    QTest::keyClicks(people, "Ann");
    QTest::keyClick(people, Qt::Key_Return);
    control<QLineEdit>(&window, "txtDial_Num1")->setFocus(); // leaving the box looks nothing up either
    QCOMPARE(control<QComboBox>(&window, "txtDial_Num4")->count(), 0);
    QCOMPARE(people->count(), 1); // Enter does not add the typed text to the list
}

void tst_frmMiravoCall::downPicksTheFirstEntry_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("first");
    QTest::newRow("card companies after start-up") << "Combo1"
                                                   << "Acme";
    QTest::newRow("clients after start-up") << "Combo2"
                                            << "Ann";
    QTest::newRow("numbers after two people were picked") << "txtDial_Num4"
                                                          << "111";
}

// After a list is filled or appended to, no entry is current, so Down picks the first, as in any drop-down list.
void tst_frmMiravoCall::downPicksTheFirstEntry()
{
    QFETCH(QString, list);
    QFETCH(QString, first);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase(
        {row({{"Company", "Acme"}, {"Business", "1800"}, {"Language", "2"}, {"Code", "9"}}),
         row({{"Company", "Bell"}, {"Business", "1900"}, {"Language", "1"}, {"Code", "8"}})},
        {row({{"Name", "Ann"}, {"Home", "111"}, {"Cell", "222"}}), row({{"Name", "Bob"}, {"Home", "333"}})}));
    frmMiravoCall window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* combo = control<QComboBox>(&window, list);
    if (list == "txtDial_Num4") {
        pick(control<QComboBox>(&window, "Combo2"), "Ann");
        pick(control<QComboBox>(&window, "Combo2"), "Bob");
    }
    QCOMPARE(combo->currentIndex(), -1);
    QVERIFY(combo->currentText().isEmpty());

    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), first);
    if (list == "Combo1")
        QCOMPARE(control<QLineEdit>(&window, "txtDial_Num1")->text(), QStringLiteral("1800"));
    if (list == "Combo2")
        QCOMPARE(entries(control<QComboBox>(&window, "txtDial_Num4")), (QStringList{"111", "222"}));
}

void tst_frmMiravoCall::designedShape()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase());
    frmMiravoCall window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Miravo"));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(control<QPushButton>(&window, "Command1")->text(), QStringLiteral("Products"));
    for (const char* name : {"Image1", "Image2"}) // the pictures are in the program, stretched to their frames
        QVERIFY(!control<QLabel>(&window, name)->pixmap().isNull() &&
                control<QLabel>(&window, name)->hasScaledContents());
    QTRY_COMPARE(QApplication::focusWidget(), control<QPushButton>(&window, "cmdConnect"));

    // Tab walks the designed order from the initial focus.
    const QStringList order{"txtDial_Num1", "txtDial_Num2", "txtDial_Num3", "cmdClose",      "Combo1",
                            "Combo2",       "Command1",     "cmdDial",      "cmdDisconnect", "cmdPhonebook",
                            "txtPort",      "txtDial_Num4", "cmdConnect"};
    for (const QString& name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        // An editable combo box hands its focus to its line edit.
        if (focused && focused->parentWidget() && qobject_cast<QComboBox*>(focused->parentWidget()))
            focused = focused->parentWidget();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), name);
    }
}

void tst_frmMiravoCall::closeClosesThisWindowOnly()
{
    TempDataFolder folder;
    QWidget other;
    other.show();
    frmMiravoCall* window = showMainWindow();
    QPointer<frmMiravoCall> guard(window);
    QTest::mouseClick(control<QPushButton>(window, "cmdClose"), Qt::LeftButton);
    QTRY_VERIFY(guard.isNull());
    QVERIFY(other.isVisible());
}

void tst_frmMiravoCall::startUpNotice_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QStringList>("said"); // besides the file's path
    QTest::addColumn<int>("companies");    // listed despite the cause
    QTest::addColumn<int>("clients");

    QTest::newRow("no database file") << "missing"
                                      << QStringList{"miravo-create-database --samples",
                                                     "build/bin/miravo-create-database", "Read again"}
                                      << 0 << 0;
    QTest::newRow("file locked by another program")
        << "locked" << QStringList{"card companies", "clients", "database is locked", "Read again", "restart"} << 0
        << 0;
    QTest::newRow("Vendors table missing: clients still listed")
        << "no Vendors" << QStringList{"card companies", "no such table: Vendors", "Read again"} << 0 << 2;
}

void tst_frmMiravoCall::startUpNotice()
{
    QFETCH(QString, cause);
    QFETCH(QStringList, said);
    QFETCH(int, companies);
    QFETCH(int, clients);
    TempDataFolder folder;
    const QList<schema::Row> vendors{row({{"Company", "Alpha"}}), row({{"Company", "Beta"}})};
    const QList<schema::Row> people{row({{"Name", "Ann"}}), row({{"Name", "Bob"}})};
    if (cause != QLatin1String("missing"))
        QVERIFY(folder.createDatabase(vendors, people));
    if (cause == QLatin1String("no Vendors"))
        QVERIFY(folder.exec("DROP TABLE Vendors"));
    std::unique_ptr<DatabaseLock> lock;
    if (cause == QLatin1String("locked")) {
        lock = std::make_unique<DatabaseLock>(folder.databasePath(), DatabaseLock::Kind::Exclusive);
        QVERIFY(lock->held());
    }

    ScriptedMessages messages;
    frmMiravoCall window;
    const Announcements heard(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* notice = window.findChild<QLabel*>("lblStartupNotice");
    auto* readAgain = window.findChild<QPushButton*>("cmdReadAgain");
    QVERIFY(notice && readAgain);
    QVERIFY(notice->isVisible());
    QVERIFY(readAgain->isVisible());
    QCOMPARE(readAgain->text(), QStringLiteral("Read again"));
    QVERIFY2(notice->text().contains(folder.databasePath()), qPrintable(notice->text()));
    for (const QString& words : said)
        QVERIFY2(notice->text().contains(words), qPrintable(notice->text()));
    QCOMPARE(control<QComboBox>(&window, "Combo1")->count(), companies);
    QCOMPARE(control<QComboBox>(&window, "Combo2")->count(), clients);
    // The designed area stays as it is; the notice stands below it, and no message box stops the user.
    QCOMPARE(window.width(), 539);
    QVERIFY(window.height() > 296);
    QVERIFY(notice->mapTo(&window, QPoint(0, 0)).y() >= 296);
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
    // A screen reader says the notice as the window appears, and "Read again" says what it does.
    const QString noticeText = notice->text();
    QCOMPARE(heard.said(), QStringList{noticeText});
    QVERIFY(readAgain->accessibleDescription().contains(QStringLiteral("again")));

    // The user types meanwhile; the cause goes away; Read again reads what failed, keeping what was typed.
    QTest::keyClicks(control<QComboBox>(&window, "Combo2"), "An");
    if (cause == QLatin1String("missing"))
        QVERIFY(folder.createDatabase(vendors, people));
    else if (lock)
        lock->release();
    else
        QVERIFY(folder.exec("CREATE TABLE Vendors (ID INTEGER PRIMARY KEY, Company TEXT, Business TEXT, "
                            "Language TEXT, Code TEXT)") &&
                folder.addRows("Vendors", vendors));
    QTest::mouseClick(readAgain, Qt::LeftButton);

    QCOMPARE(entries(control<QComboBox>(&window, "Combo1")), (QStringList{"Alpha", "Beta"}));
    QCOMPARE(entries(control<QComboBox>(&window, "Combo2")), (QStringList{"Ann", "Bob"}));
    QCOMPARE(control<QComboBox>(&window, "Combo2")->currentText(), QStringLiteral("An"));
    QVERIFY(control<QComboBox>(&window, "Combo1")->currentText().isEmpty());
    QVERIFY(!notice->isVisible());
    QTRY_COMPARE(window.size(), QSize(539, 296));
    QVERIFY(messages.shown().isEmpty());
    // The outcome is said too, once the notice has gone.
    QCOMPARE(heard.said(), (QStringList{noticeText, QStringLiteral("The card companies and the clients were read.")}));
}

void tst_frmMiravoCall::lookupWhileLocked()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({row({{"Company", "Alpha"}, {"Business", "1"}, {"Language", "2"}, {"Code", "3"}})},
                                  {row({{"Name", "Ann"}, {"Home", "100"}})}));
    ScriptedMessages messages;
    frmMiravoCall window;
    DatabaseLock lock(folder.databasePath(), DatabaseLock::Kind::Exclusive);
    QVERIFY(lock.held());

    // The lookups give up on the lock and say so; the fields keep their texts.
    pick(control<QComboBox>(&window, "Combo1"), "Alpha");
    pick(control<QComboBox>(&window, "Combo2"), "Ann");
    QCOMPARE(messages.texts(), (QStringList{"Unanticipated error 3197", "Unanticipated error 3197"}));
    QVERIFY(control<QLineEdit>(&window, "txtDial_Num1")->text().isEmpty());
    QCOMPARE(control<QComboBox>(&window, "txtDial_Num4")->count(), 0);

    lock.release();
    pick(control<QComboBox>(&window, "Combo1"), "Alpha");
    QCOMPARE(control<QLineEdit>(&window, "txtDial_Num1")->text(), QStringLiteral("1"));
    QCOMPARE(messages.shown().size(), 2);
}

QTEST_MAIN(tst_frmMiravoCall)
#include "tst_frmmiravocall.moc"
