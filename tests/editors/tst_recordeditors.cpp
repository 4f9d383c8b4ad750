// SPDX-License-Identifier: GPL-3.0-or-later
// The two record editor windows, frmClients and frmVendors, on the offscreen platform over a real database file
// in a temporary data folder, driven through their buttons and fields. The two windows behave alike, so most
// cases run over both.
#include "PhoneCardSchema.h"
#include "data/PhoneCardDatabase.h"
#include "dialer/frmMiravoCall.h"
#include "editors/frmClients.h"
#include "editors/frmVendors.h"
#include "support/Announcements.h"
#include "support/Controls.h"
#include "support/DatabaseLock.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"
#include "ui/WindowRegistry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <memory>

using namespace miravo;
using miravo::test::Announcements;
using miravo::test::click;
using miravo::test::control;
using miravo::test::DatabaseLock;
using miravo::test::readColumn;
using miravo::test::row;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;

namespace {

// What the cases need to know of each window: its table and the column that names a record.
struct EditorKind {
    QString window;
    QString table;
    QString keyColumn;
    int keyIndex;
    QStringList columns; // by field index
};

const EditorKind& editorKind(const QString& window)
{
    // The fields are the table's columns in the file's designed order.
    static const EditorKind clients{"frmClients", "Clients", "Name", int(schema::clientColumns().indexOf("Name")),
                                    schema::clientColumns()};
    static const EditorKind vendors{"frmVendors", "Vendors", "Company", int(schema::vendorColumns().indexOf("Company")),
                                    schema::vendorColumns()};
    return window == clients.window ? clients : vendors;
}

QWidget* showEditor(const QString& window)
{
    if (window == QLatin1String("frmClients"))
        return showWindow<frmClients>();
    return showWindow<frmVendors>();
}

QList<schema::Row> vendorRows(int count)
{
    const QList<schema::Row> all{
        row({{"Company", "Alpha"}, {"Business", "1800100"}, {"Language", "1"}, {"Code", "111"}, {"City", "Oslo"}}),
        row({{"Company", "Bravo"}, {"Business", "1800200"}, {"Language", "2"}, {"Code", "222"}, {"City", "Rome"}}),
        row({{"Company", "Charlie"}, {"Business", "1800300"}, {"Language", "1"}, {"Code", "333"}}),
    };
    return all.mid(0, count);
}

QList<schema::Row> clientRows(int count)
{
    const QList<schema::Row> all{
        row({{"Name", "Alpha"}, {"Home", "100"}, {"Cell", "101"}, {"Fax", "102"}, {"City", "Oslo"}}),
        row({{"Name", "Bravo"}, {"Home", "200"}, {"Cell", "201"}, {"Notes", "after 8"}}),
        row({{"Name", "Charlie"}, {"Home", "300"}}),
    };
    return all.mid(0, count);
}

QLineEdit* field(QWidget* window, int index)
{
    return control<QLineEdit>(window, QStringLiteral("txtFields_%1").arg(index));
}

// What a person does to replace a field's text: select all, delete, type.
void retype(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

QStringList fieldTexts(QWidget* window, int count)
{
    QStringList texts;
    for (int index = 0; index < count; ++index)
        texts.append(field(window, index)->text());
    return texts;
}

// The column as stored in the file, in table order; Null reads "<Null>".
QStringList stored(const QString& table, const QString& column)
{
    return readColumn(phoneCardDatabasePath(), QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(column, table));
}

// Makes the file (or folder) read-only for this process. Permissions do not bind root, which is how CI runs, so
// root sets the immutable flag as well. Returns false when neither works here.
bool makeReadOnly(const QString& path)
{
    const bool folder = QFileInfo(path).isDir();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                    (folder ? QFileDevice::ExeOwner : QFileDevice::Permissions()));
    const QByteArray native = QFile::encodeName(path);
    const auto writable = [&] { return ::access(native.constData(), W_OK) == 0; };
    if (!writable())
        return true;
    const int fd = ::open(native.constData(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags |= FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0)
        ::close(fd);
    return !writable();
}

void makeWritable(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0)
        ::close(fd);
    const bool folder = QFileInfo(path).isDir();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    (folder ? QFileDevice::ExeOwner : QFileDevice::Permissions()));
}

} // namespace

class tst_RecordEditors : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void designedShape_data();
    void designedShape();
    void navigationStaysWithinTable_data() { bothWindows(); }
    void navigationStaysWithinTable();
    void navigationKeysInFields_data() { bothWindows(); }
    void navigationKeysInFields();
    void longTable_data() { bothWindows(); }
    void longTable();
    void deleteRecord_data();
    void deleteRecord();
    void addThenUpdate_data() { bothWindows(); }
    void addThenUpdate();
    void leavingRecordStoresIt_data();
    void leavingRecordStoresIt();
    void addLeftBlankAddsNothing_data() { bothWindows(); }
    void addLeftBlankAddsNothing();
    void refreshReadsTheFileAgain_data() { bothWindows(); }
    void refreshReadsTheFileAgain();
    void emptiedFieldIsStoredAsNull_data() { bothWindows(); }
    void emptiedFieldIsStoredAsNull();
    void emptyTable_data() { bothWindows(); }
    void emptyTable();
    void storeRefused_data();
    void storeRefused();
    void closeWithRefusedValues_data() { bothWindows(); }
    void closeWithRefusedValues();
    void tableCannotBeOpened_data();
    void tableCannotBeOpened();
    void phonebookShowsBothEditors();
    void mainWindowSeesStoredChanges();

    void longValuesStayWhole_data();
    void longValuesStayWhole();
    void recordDeletedMeanwhile_data() { bothWindows(); }
    void recordDeletedMeanwhile();
    void textTypedIntoEmptyWindow_data();
    void textTypedIntoEmptyWindow();
    void refreshAfterFileRemoved_data() { bothWindows(); }
    void refreshAfterFileRemoved();
    void tableWithoutKey_data() { bothWindows(); }
    void tableWithoutKey();
    void changedByAnotherProgram_data();
    void changedByAnotherProgram();
    void fileGoneWhileOpen_data();
    void fileGoneWhileOpen();
    void readOnlyFileSaidAtOnce_data();
    void readOnlyFileSaidAtOnce();
    void recordMovesAreSaid_data();
    void recordMovesAreSaid();
    void phonebookFocusesTheFirstControls();
    void addIsSaid_data() { bothWindows(); }
    void addIsSaid();

private:
    static void bothWindows()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("frmClients") << QStringLiteral("frmClients");
        QTest::newRow("frmVendors") << QStringLiteral("frmVendors");
    }
    bool createDatabase(int records) { return m_folder->createDatabase(vendorRows(records), clientRows(records)); }

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedMessages> m_messages;
    bool m_madeReadOnly = false;
};

void tst_RecordEditors::init()
{
    // The locks these cases hold are held on purpose: a refused read or store fails at once instead of waiting out
    // the program's bound.
    setLockWaitMs(0);
    m_folder = std::make_unique<TempDataFolder>();
    m_messages = std::make_unique<ScriptedMessages>();
}

void tst_RecordEditors::cleanup()
{
    // The windows hold the file open: they go before the folder.
    delete openWindow<frmClients>().data();
    delete openWindow<frmVendors>().data();
    delete openWindow<frmMiravoCall>().data();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (m_madeReadOnly)
        makeWritable(m_folder->databasePath());
    m_madeReadOnly = false;
    m_messages.reset();
    m_folder.reset();
}

void tst_RecordEditors::designedShape_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("tabOrder");

    QStringList clientsOrder;
    for (int index = 10; index >= 0; --index)
        clientsOrder.append(QStringLiteral("txtFields_%1").arg(index));
    clientsOrder << "cmdClose"
                 << "cmdRefresh"
                 << "cmdDelete"
                 << "cmdUpdate"
                 << "cmdAdd";
    // The navigation bar's buttons come after the five buttons.
    const QStringList navigator{"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"};
    clientsOrder << navigator;
    QStringList vendorsOrder{"cmdClose", "cmdRefresh", "cmdDelete", "cmdUpdate", "cmdAdd"};
    vendorsOrder << navigator;
    for (int index = 9; index >= 0; --index)
        vendorsOrder.append(QStringLiteral("txtFields_%1").arg(index));

    // Where each control stands is checked on a real desktop, as the user sees it.
    QTest::newRow("frmClients") << "frmClients"
                                << "Clients - Contacts" << clientsOrder;
    QTest::newRow("frmVendors") << "frmVendors"
                                << "Vendors" << vendorsOrder;
}

void tst_RecordEditors::designedShape()
{
    QFETCH(QString, window);
    QFETCH(QString, title);
    QFETCH(QStringList, tabOrder);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(1));

    QWidget* editor = showEditor(window);
    QVERIFY(QTest::qWaitForWindowExposed(editor));
    QCOMPARE(editor->objectName(), window);
    QCOMPARE(editor->windowTitle(), title);
    QVERIFY(editor->minimumSize() != editor->maximumSize()); // resizable

    QCOMPARE(editor->findChildren<QLineEdit*>(QRegularExpression("^txtFields_")).size(), kind.columns.size());
    for (int index = 0; index < kind.columns.size(); ++index) {
        auto* label = editor->findChild<QLabel*>(QStringLiteral("lblLabels_%1").arg(index));
        QVERIFY(label);
        QCOMPARE(label->text(), kind.columns[index] + ':');
    }
    const QString sourceName = window == "frmClients" ? "datClients" : "datVendors";
    QWidget* bar = editor->findChild<QWidget*>(sourceName);
    QVERIFY(bar);
    QCOMPARE(bar->findChild<QLabel*>()->text(), sourceName);

    const QStringList captions{"&Add", "&Update", "&Delete", "&Refresh", "&Close"};
    const QStringList buttons{"cmdAdd", "cmdUpdate", "cmdDelete", "cmdRefresh", "cmdClose"};
    for (int i = 0; i < buttons.size(); ++i)
        QCOMPARE(editor->findChild<QAbstractButton*>(buttons[i])->text(), captions[i]);

    // The first of the tab order has the focus; Tab walks the rest and comes back round to it.
    QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), tabOrder[0]);
    for (int i = 1; i <= tabOrder.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), tabOrder[i % tabOrder.size()]);
    }
}

void tst_RecordEditors::navigationStaysWithinTable()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    QLineEdit* key = field(editor, kind.keyIndex);
    QLineEdit* id = field(editor, 0);

    QCOMPARE(key->text(), QStringLiteral("Alpha"));
    QCOMPARE(id->text(), QStringLiteral("1"));
    QVERIFY(id->isReadOnly());
    QTest::keyClicks(id, "77");
    QCOMPARE(id->text(), QStringLiteral("1"));

    click(editor, "cmdPrevious");
    QCOMPARE(key->text(), QStringLiteral("Alpha"));
    click(editor, "cmdNext");
    QCOMPARE(key->text(), QStringLiteral("Bravo"));
    QCOMPARE(id->text(), QStringLiteral("2"));
    click(editor, "cmdLast");
    QCOMPARE(key->text(), QStringLiteral("Charlie"));
    click(editor, "cmdNext");
    QCOMPARE(key->text(), QStringLiteral("Charlie"));
    click(editor, "cmdFirst");
    QCOMPARE(key->text(), QStringLiteral("Alpha"));
    QVERIFY(m_messages->shown().isEmpty());
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Alpha", "Bravo", "Charlie"}));
}

void tst_RecordEditors::navigationKeysInFields()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    QVERIFY(QTest::qWaitForWindowActive(editor));
    QLineEdit* key = field(editor, kind.keyIndex);
    QLineEdit* city = field(editor, kind.columns.indexOf("City"));

    // The keys work while a field has the focus, and a move stores the record being left.
    city->setFocus();
    QTest::keyClick(city, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(key->text(), QStringLiteral("Charlie"));
    QVERIFY(city->hasFocus());
    retype(city, "Lima");
    QTest::keyClick(city, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(key->text(), QStringLiteral("Bravo"));
    QTest::keyClick(city, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(key->text(), QStringLiteral("Alpha"));
    QTest::keyClick(city, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(key->text(), QStringLiteral("Bravo"));
    QCOMPARE(stored(kind.table, "City").last(), QStringLiteral("Lima"));
    QVERIFY(m_messages->shown().isEmpty());

    // The tooltips say which key does what.
    const QList<std::pair<const char*, QString>> tips{{"cmdFirst", "First record (Ctrl+Home)"},
                                                      {"cmdPrevious", "Previous record (Ctrl+PgUp)"},
                                                      {"cmdNext", "Next record (Ctrl+PgDown)"},
                                                      {"cmdLast", "Last record (Ctrl+End)"}};
    for (const auto& [name, tip] : tips)
        QCOMPARE(editor->findChild<QAbstractButton*>(name)->toolTip(), tip);
}

void tst_RecordEditors::longTable()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QList<schema::Row> many;
    for (int i = 1; i <= 600; ++i)
        many.append(row({{kind.keyColumn, QStringLiteral("Record %1").arg(i)}}));
    QVERIFY(m_folder->createDatabase(window == "frmVendors" ? many : QList<schema::Row>{},
                                     window == "frmClients" ? many : QList<schema::Row>{}));
    QWidget* editor = showEditor(window);
    // The other editor stores while this one holds its long table open.
    QWidget* other = window == "frmClients" ? static_cast<QWidget*>(showWindow<frmVendors>())
                                            : static_cast<QWidget*>(showWindow<frmClients>());
    click(other, "cmdAdd");
    QTest::keyClicks(field(other, editorKind(other->objectName()).keyIndex), "Other");
    click(other, "cmdUpdate");
    QCOMPARE(m_messages->texts(), QStringList());

    click(editor, "cmdLast");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Record 600"));
    click(editor, "cmdDelete");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Record 599"));
    click(editor, "cmdAdd");
    QTest::keyClicks(field(editor, kind.keyIndex), "Record 601");
    click(editor, "cmdUpdate");
    click(editor, "cmdPrevious");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Record 599"));
    QCOMPARE(stored(kind.table, kind.keyColumn).size(), 600);
    QCOMPARE(m_messages->texts(), QStringList());
}

void tst_RecordEditors::deleteRecord_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("moves"); // with the next button, before Delete
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("left");

    for (const QString window : {"frmClients", "frmVendors"}) {
        QTest::addRow("%s: in the middle shows the one that followed", qPrintable(window))
            << window << 3 << 1 << "Charlie" << QStringList{"Alpha", "Charlie"};
        QTest::addRow("%s: the first shows the new first", qPrintable(window))
            << window << 3 << 0 << "Bravo" << QStringList{"Bravo", "Charlie"};
        QTest::addRow("%s: the last shows the new last", qPrintable(window))
            << window << 3 << 2 << "Bravo" << QStringList{"Alpha", "Bravo"};
        QTest::addRow("%s: the only one leaves the table empty, no message", qPrintable(window))
            << window << 1 << 0 << "" << QStringList{};
    }
}

void tst_RecordEditors::deleteRecord()
{
    QFETCH(QString, window);
    QFETCH(int, records);
    QFETCH(int, moves);
    QFETCH(QString, shown);
    QFETCH(QStringList, left);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(records));
    QWidget* editor = showEditor(window);
    for (int i = 0; i < moves; ++i)
        click(editor, "cmdNext");

    click(editor, "cmdDelete");
    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(stored(kind.table, kind.keyColumn), left);
    QCOMPARE(field(editor, kind.keyIndex)->text(), shown);
    if (left.isEmpty())
        QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));

    // The window goes on working from there: the shown record is the current one.
    click(editor, "cmdDelete");
    QCOMPARE(stored(kind.table, kind.keyColumn).size(), std::max(0, int(left.size()) - 1));
    QCOMPARE(m_messages->shown().size(), left.isEmpty() ? 1 : 0); // nothing left to delete the second time
}

void tst_RecordEditors::addThenUpdate()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    click(editor, "cmdNext");

    click(editor, "cmdAdd");
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));
    QTest::keyClicks(field(editor, kind.keyIndex), "Delta");
    QTest::keyClicks(field(editor, 3), "12 Main St"); // Address in both tables
    // Update by its access key, as the keyboard user does.
    QTRY_COMPARE(QApplication::activeWindow(), editor);
    QTest::keyClick(editor->windowHandle(), Qt::Key_U, Qt::AltModifier);

    // An access key presses its button the way a click does, a moment later.
    QTRY_COMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Alpha", "Bravo", "Charlie", "Delta"}));
    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(stored(kind.table, kind.columns[3]).last(), QStringLiteral("12 Main St"));
    // The window stays on the stored record, which now shows the ID the store gave it.
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Delta"));
    QCOMPARE(field(editor, 0)->text(), stored(kind.table, "ID").last());
    click(editor, "cmdPrevious");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Charlie"));

    click(editor, "cmdRefresh");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha"));
    click(editor, "cmdLast");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Delta"));
    QCOMPARE(stored(kind.table, kind.keyColumn).size(), 4); // moving around stored nothing twice
}

enum class Leave { Previous, Next, Add, Refresh, Close };

void tst_RecordEditors::leavingRecordStoresIt_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("add");         // a new record, or a change to the second one
    QTest::addColumn<int>("leave");        // how the record is left
    QTest::addColumn<QString>("shownKey"); // afterwards, when the window is still open
    QTest::addColumn<QStringList>("keys");

    const QStringList added{"Alpha", "Bravo", "Charlie", "Delta"};
    const QStringList changed{"Alpha", "Delta", "Charlie"};
    for (const QString window : {"frmClients", "frmVendors"}) {
        const QByteArray name = window.toLatin1();
        const char* w = name.constData();
        QTest::addRow("%s: Add, then previous record", w)
            << window << true << int(Leave::Previous) << "Charlie" << added;
        QTest::addRow("%s: Add, then Add", w) << window << true << int(Leave::Add) << "" << added;
        QTest::addRow("%s: Add, then close", w) << window << true << int(Leave::Close) << "" << added;
        QTest::addRow("%s: change, then next record", w) << window << false << int(Leave::Next) << "Charlie" << changed;
        QTest::addRow("%s: change, then Add", w) << window << false << int(Leave::Add) << "" << changed;
        QTest::addRow("%s: change, then Refresh", w) << window << false << int(Leave::Refresh) << "Alpha" << changed;
        QTest::addRow("%s: change, then close", w) << window << false << int(Leave::Close) << "" << changed;
    }
}

void tst_RecordEditors::leavingRecordStoresIt()
{
    QFETCH(QString, window);
    QFETCH(bool, add);
    QFETCH(int, leave);
    QFETCH(QString, shownKey);
    QFETCH(QStringList, keys);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QPointer<QWidget> editor = showEditor(window);
    click(editor, "cmdNext");
    if (add)
        click(editor, "cmdAdd");
    retype(field(editor, kind.keyIndex), "Delta");

    switch (Leave(leave)) {
    case Leave::Previous:
        click(editor, "cmdPrevious");
        break;
    case Leave::Next:
        click(editor, "cmdNext");
        break;
    case Leave::Add:
        click(editor, "cmdAdd");
        break;
    case Leave::Refresh:
        click(editor, "cmdRefresh");
        break;
    case Leave::Close:
        // Closing puts the application-wide pointer back, whatever other windows set.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        click(editor, "cmdClose");
        QTRY_VERIFY(editor.isNull());
        QVERIFY(!QGuiApplication::overrideCursor());
        break;
    }

    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(stored(kind.table, kind.keyColumn), keys);
    if (editor)
        QCOMPARE(field(editor, kind.keyIndex)->text(), shownKey);
}

void tst_RecordEditors::addLeftBlankAddsNothing()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);

    click(editor, "cmdAdd");
    click(editor, "cmdNext"); // from the record that was current before Add
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Bravo"));
    click(editor, "cmdAdd");
    click(editor, "cmdRefresh");
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(m_messages->texts(), QStringList());
}

void tst_RecordEditors::refreshReadsTheFileAgain()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    click(editor, "cmdLast");

    // Another program changes the file; the window shows what it read until Refresh.
    QVERIFY(
        m_folder->exec(QStringLiteral("UPDATE %1 SET %2 = 'Alpha 2' WHERE ID = 1").arg(kind.table, kind.keyColumn)));
    QVERIFY(m_folder->exec(QStringLiteral("DELETE FROM %1 WHERE ID = 2").arg(kind.table)));
    click(editor, "cmdFirst");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha"));

    click(editor, "cmdLast");
    click(editor, "cmdRefresh");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha 2"));
    click(editor, "cmdNext");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Charlie"));
    click(editor, "cmdNext");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Charlie"));
    QCOMPARE(m_messages->texts(), QStringList());
}

void tst_RecordEditors::emptiedFieldIsStoredAsNull()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    const int city = kind.columns.indexOf("City");

    QCOMPARE(field(editor, city)->text(), QStringLiteral("Oslo"));
    retype(field(editor, city), QString());
    retype(field(editor, kind.keyIndex), "Alpha 2");
    click(editor, "cmdNext");
    click(editor, "cmdPrevious");

    // Null, not empty text: "<Null>" is how the file's Null reads here, an empty text would read "".
    QCOMPARE(stored(kind.table, "City").first(), QStringLiteral("<Null>"));
    QCOMPARE(stored(kind.table, kind.keyColumn).first(), QStringLiteral("Alpha 2"));
    QVERIFY(field(editor, city)->text().isEmpty());
    QCOMPARE(m_messages->texts(), QStringList());
}

void tst_RecordEditors::emptyTable()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(0));
    QWidget* editor = showEditor(window);
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));

    click(editor, "cmdDelete");
    click(editor, "cmdUpdate");
    QCOMPARE(m_messages->texts(), (QStringList{"No current record.", "No current record."}));
    click(editor, "cmdNext");
    click(editor, "cmdRefresh");
    QCOMPARE(m_messages->shown().size(), 2);

    click(editor, "cmdAdd");
    QTest::keyClicks(field(editor, kind.keyIndex), "First");
    click(editor, "cmdUpdate");
    QCOMPARE(m_messages->shown().size(), 2);
    QCOMPARE(stored(kind.table, kind.keyColumn), QStringList{"First"});
}

void tst_RecordEditors::storeRefused_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("locked"); // or read-only
    QTest::addColumn<bool>("add");    // a new record, or a change to the second one
    QTest::addColumn<QString>("description");

    for (const QString window : {"frmClients", "frmVendors"}) {
        QTest::addRow("%s: read-only file", qPrintable(window))
            << window << false << false << "attempt to write a readonly database";
        QTest::addRow("%s: file locked by another program", qPrintable(window))
            << window << true << false << "database is locked";
        QTest::addRow("%s: new record, file locked by another program", qPrintable(window))
            << window << true << true << "database is locked";
    }
}

void tst_RecordEditors::storeRefused()
{
    QFETCH(QString, window);
    QFETCH(bool, locked);
    QFETCH(bool, add);
    QFETCH(QString, description);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    std::unique_ptr<DatabaseLock> lock;
    if (locked) {
        lock = std::make_unique<DatabaseLock>(phoneCardDatabasePath(), DatabaseLock::Kind::Write);
        QVERIFY(lock->held());
    } else {
        m_madeReadOnly = true;
        if (!makeReadOnly(m_folder->databasePath()))
            QSKIP("this user cannot make a file read-only for itself");
    }
    QWidget* editor = showEditor(window);
    click(editor, "cmdNext");
    if (add)
        click(editor, "cmdAdd");
    retype(field(editor, kind.keyIndex), "Bravo 2");
    retype(field(editor, 3), "Side St");
    QStringList typed = fieldTexts(editor, kind.columns.size());

    click(editor, "cmdUpdate");
    QCOMPARE(m_messages->texts(), QStringList{description});
    QCOMPARE(m_messages->shown().first().title, QStringLiteral("MiravoDialer"));
    QCOMPARE(m_messages->shown().first().style, MessageStyle::OkOnly);
    QCOMPARE(fieldTexts(editor, kind.columns.size()), typed);

    // Leaving the record tries again and stays on it; so does Delete of a stored record, which fails the
    // same way (deleting a new record only drops it).
    click(editor, "cmdNext");
    click(editor, "cmdAdd");
    if (!add)
        click(editor, "cmdDelete");
    QCOMPARE(m_messages->texts(), QStringList(add ? 3 : 4, description));
    QCOMPARE(fieldTexts(editor, kind.columns.size()), typed);
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Alpha", "Bravo", "Charlie"}));

    if (lock) {
        lock->release();
        click(editor, "cmdUpdate");
        QCOMPARE(m_messages->shown().size(), add ? 3 : 4);
        const QStringList keys =
            add ? QStringList{"Alpha", "Bravo", "Charlie", "Bravo 2"} : QStringList{"Alpha", "Bravo 2", "Charlie"};
        QCOMPARE(stored(kind.table, kind.keyColumn), keys);
        QCOMPARE(stored(kind.table, kind.columns[3])[keys.indexOf("Bravo 2")], QStringLiteral("Side St"));
        // The stored new record now shows the ID the store gave it.
        if (add)
            typed[0] = stored(kind.table, "ID").last();
        QCOMPARE(fieldTexts(editor, kind.columns.size()), typed);
    }
}

void tst_RecordEditors::closeWithRefusedValues()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    DatabaseLock lock(phoneCardDatabasePath(), DatabaseLock::Kind::Write);
    QVERIFY(lock.held());
    QPointer<QWidget> editor = showEditor(window);
    retype(field(editor, kind.keyIndex), "Alpha 2");

    // The first close says why the values cannot be stored and keeps them on screen.
    click(editor, "cmdClose");
    QCOMPARE(m_messages->texts(), QStringList{"database is locked"});
    QVERIFY(editor);
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha 2"));

    // Once the lock is gone, closing stores them.
    lock.release();
    click(editor, "cmdClose");
    QTRY_VERIFY(editor.isNull());
    QCOMPARE(stored(kind.table, kind.keyColumn).first(), QStringLiteral("Alpha 2"));

    // A close refused again right after a refusal closes: the user has read why, and chose to close. The same
    // message does not come back to be answered a second time.
    DatabaseLock again(phoneCardDatabasePath(), DatabaseLock::Kind::Write);
    QVERIFY(again.held());
    editor = showEditor(window);
    retype(field(editor, kind.keyIndex), "Alpha 3");
    click(editor, "cmdClose");
    QVERIFY(editor);
    QCOMPARE(m_messages->shown().size(), 2);
    click(editor, "cmdClose");
    QTRY_VERIFY(editor.isNull());
    QCOMPARE(m_messages->shown().size(), 2);
    again.release();
    QCOMPARE(stored(kind.table, kind.keyColumn).first(), QStringLiteral("Alpha 2"));
}

void tst_RecordEditors::tableCannotBeOpened_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("damage"); // empty: no file at all
    QTest::addColumn<QString>("description");

    for (const QString window : {"frmClients", "frmVendors"}) {
        const EditorKind& kind = editorKind(window);
        QTest::addRow("%s: no file", qPrintable(window)) << window << QString() << "Could not find file";
        QTest::addRow("%s: no table", qPrintable(window))
            << window << QStringLiteral("DROP TABLE %1").arg(kind.table) << QStringLiteral("no such table");
        QTest::addRow("%s: a column missing", qPrintable(window))
            << window << QStringLiteral("ALTER TABLE %1 DROP COLUMN City").arg(kind.table)
            << QStringLiteral("no such column: City");
    }
}

void tst_RecordEditors::tableCannotBeOpened()
{
    QFETCH(QString, window);
    QFETCH(QString, damage);
    QFETCH(QString, description);
    const EditorKind& kind = editorKind(window);
    if (!damage.isEmpty()) {
        QVERIFY(createDatabase(3));
        QVERIFY(m_folder->exec(damage));
    }

    QPointer<QWidget> editor = showEditor(window);
    QTRY_COMPARE(m_messages->shown().size(), 1);
    QVERIFY2(m_messages->texts().first().contains(description), qPrintable(m_messages->texts().first()));
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));

    for (const char* button : {"cmdAdd", "cmdUpdate", "cmdDelete", "cmdRefresh"})
        click(editor, button);
    QCOMPARE(m_messages->shown().size(), 5);
    for (const QString& text : m_messages->texts())
        QVERIFY2(text.contains(description), qPrintable(text));
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));

    click(editor, "cmdClose");
    QTRY_VERIFY(editor.isNull());
    QCOMPARE(m_messages->shown().size(), 5);
}

void tst_RecordEditors::phonebookShowsBothEditors()
{
    QVERIFY(createDatabase(3));
    frmMiravoCall* main = showMainWindow();
    click(main, "cmdPhonebook");
    QPointer<frmClients> clients = openWindow<frmClients>().data();
    QPointer<frmVendors> vendors = openWindow<frmVendors>().data();
    QVERIFY(clients && clients->isVisible());
    QVERIFY(vendors && vendors->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(vendors.data()));

    click(clients, "cmdNext");
    click(vendors, "cmdLast");
    main->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(main));

    // Already open: only brought forward, on the records they were showing.
    click(main, "cmdPhonebook");
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(vendors.data()));
    QCOMPARE(openWindow<frmClients>().data(), clients.data());
    QCOMPARE(openWindow<frmVendors>().data(), vendors.data());
    QCOMPARE(field(clients, 1)->text(), QStringLiteral("Bravo"));
    QCOMPARE(field(vendors, 8)->text(), QStringLiteral("Charlie"));

    // A closed editor opens afresh on the first record.
    click(clients, "cmdClose");
    QTRY_VERIFY(clients.isNull());
    click(main, "cmdPhonebook");
    QVERIFY(openWindow<frmClients>());
    QCOMPARE(field(openWindow<frmClients>(), 1)->text(), QStringLiteral("Alpha"));
    QCOMPARE(field(vendors, 8)->text(), QStringLiteral("Charlie"));
    QCOMPARE(m_messages->texts(), QStringList());
}

void tst_RecordEditors::mainWindowSeesStoredChanges()
{
    QVERIFY(createDatabase(3));
    frmMiravoCall* main = showMainWindow();
    click(main, "cmdPhonebook");
    QWidget* vendors = openWindow<frmVendors>();
    QWidget* clients = openWindow<frmClients>();
    auto* companies = main->findChild<QComboBox*>("Combo1");
    auto* people = main->findChild<QComboBox*>("Combo2");
    auto* numbers = main->findChild<QComboBox*>("txtDial_Num4");

    // A changed access number, stored by moving on while the other editor holds its own table open.
    retype(field(vendors, 4), "1800999");
    click(vendors, "cmdNext");
    // A new company, stored by Update.
    click(vendors, "cmdAdd");
    QTest::keyClicks(field(vendors, 8), "Delta");
    QTest::keyClicks(field(vendors, 4), "1800444");
    click(vendors, "cmdUpdate");
    // A person's cell number emptied: Null, so the number list does not offer an empty number.
    retype(field(clients, 5), QString());
    click(clients, "cmdNext");
    QCOMPARE(m_messages->texts(), QStringList());

    QTest::keyClicks(companies, "Alpha");
    QCOMPARE(main->findChild<QLineEdit*>("txtDial_Num1")->text(), QStringLiteral("1800999"));
    companies->lineEdit()->clear();
    QTest::keyClicks(companies, "Delta");
    QCOMPARE(main->findChild<QLineEdit*>("txtDial_Num1")->text(), QStringLiteral("1800444"));
    const int alpha = people->findText("Alpha");
    QVERIFY(alpha >= 0);
    people->setCurrentIndex(alpha);
    emit people->activated(alpha);
    QStringList offered;
    for (int i = 0; i < numbers->count(); ++i)
        offered.append(numbers->itemText(i));
    QCOMPARE(offered, (QStringList{"100", "102"}));

    // The lists keep what they read at start-up.
    QCOMPARE(companies->count(), 3);
    QCOMPARE(companies->findText("Delta"), -1);
    QCOMPARE(m_messages->texts(), QStringList());
}

void tst_RecordEditors::longValuesStayWhole_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value"); // an SQL expression
    QTest::addColumn<int>("length");

    // 40,000 characters: longer than a text field takes unless told otherwise.
    const QString forty = QStringLiteral("hex(zeroblob(20000))");
    QTest::newRow("frmClients: Notes") << "frmClients"
                                       << "Notes" << forty << 40000;
    QTest::newRow("frmVendors: Business") << "frmVendors"
                                          << "Business" << forty << 40000;
    QTest::newRow("frmVendors: CompAddress") << "frmVendors"
                                             << "CompAddress" << forty << 40000;
    QTest::newRow("frmClients: Notes on two lines") << "frmClients"
                                                    << "Notes"
                                                    << "'first line' || char(13, 10) || 'second line'" << 23;
}

void tst_RecordEditors::longValuesStayWhole()
{
    QFETCH(QString, window);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(int, length);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QVERIFY(m_folder->exec(QStringLiteral("UPDATE %1 SET %2 = %3 WHERE ID IN (1, 2)").arg(kind.table, column, value)));
    value = stored(kind.table, column).first();
    QCOMPARE(value.size(), length);
    const int index = kind.columns.indexOf(column);

    // Looking at a record and leaving it stores nothing short.
    QPointer<QWidget> editor = showEditor(window);
    QCOMPARE(field(editor, index)->text().size(), value.size());
    QVERIFY(field(editor, index)->text() == value);
    click(editor, "cmdNext");
    click(editor, "cmdPrevious");
    // A change of another field stores that field; the long one stays whole.
    retype(field(editor, kind.keyIndex), "Alpha 2");
    click(editor, "cmdUpdate");
    click(editor, "cmdNext");
    click(editor, "cmdClose");
    QTRY_VERIFY(editor.isNull());

    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(stored(kind.table, kind.keyColumn).first(), QStringLiteral("Alpha 2"));
    const QStringList after = stored(kind.table, column);
    QCOMPARE(after.size(), 3);
    QCOMPARE(after[0].size(), value.size());
    QVERIFY(after[0] == value && after[1] == value);
}

void tst_RecordEditors::recordDeletedMeanwhile()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha"));

    // Another program deletes the record on screen; the user types into it and stores.
    QVERIFY(m_folder->exec(QStringLiteral("DELETE FROM %1 WHERE ID = 1").arg(kind.table)));
    retype(field(editor, 3), "Side St"); // Address in both tables
    const QStringList typed = fieldTexts(editor, kind.columns.size()).mid(1);
    click(editor, "cmdUpdate");

    QCOMPARE(m_messages->texts().size(), 1);
    QVERIFY2(m_messages->texts().first().startsWith("Record is deleted."), qPrintable(m_messages->texts().first()));
    QCOMPARE(fieldTexts(editor, kind.columns.size()).mid(1), typed);
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Bravo", "Charlie"}));

    // What was typed waits as a new record: Update stores it as one.
    click(editor, "cmdUpdate");
    QCOMPARE(m_messages->texts().size(), 1);
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Bravo", "Charlie", "Alpha"}));
    QCOMPARE(stored(kind.table, kind.columns[3]).last(), QStringLiteral("Side St"));
    QCOMPARE(field(editor, 0)->text(), stored(kind.table, "ID").last());
}

void tst_RecordEditors::textTypedIntoEmptyWindow_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("leave");

    for (const QString window : {"frmClients", "frmVendors"}) {
        const QByteArray name = window.toLatin1();
        QTest::addRow("%s: Close", name.constData()) << window << int(Leave::Close);
        QTest::addRow("%s: next record", name.constData()) << window << int(Leave::Next);
        QTest::addRow("%s: Refresh", name.constData()) << window << int(Leave::Refresh);
        QTest::addRow("%s: Add", name.constData()) << window << int(Leave::Add);
    }
}

void tst_RecordEditors::textTypedIntoEmptyWindow()
{
    QFETCH(QString, window);
    QFETCH(int, leave);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(0));
    QPointer<QWidget> editor = showEditor(window);

    // Typed without pressing Add: leaving the blank record stores it as a new one.
    QTest::keyClicks(field(editor, kind.keyIndex), "First");
    QTest::keyClicks(field(editor, 3), "1 Main St");
    switch (Leave(leave)) {
    case Leave::Close:
        click(editor, "cmdClose");
        QTRY_VERIFY(editor.isNull());
        break;
    case Leave::Next:
        click(editor, "cmdNext");
        break;
    case Leave::Refresh:
        click(editor, "cmdRefresh");
        break;
    default:
        click(editor, "cmdAdd");
        break;
    }
    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(stored(kind.table, kind.keyColumn), QStringList{"First"});
    QCOMPARE(stored(kind.table, kind.columns[3]), QStringList{"1 Main St"});
    if (editor && Leave(leave) != Leave::Add)
        QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("First"));
}

void tst_RecordEditors::refreshAfterFileRemoved()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    click(editor, "cmdNext");
    QVERIFY(QFile::remove(m_folder->databasePath()));

    click(editor, "cmdRefresh");
    QCOMPARE(m_messages->texts().size(), 1);
    QVERIFY2(m_messages->texts().first().contains("Could not find file"), qPrintable(m_messages->texts().first()));
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));
    click(editor, "cmdNext");
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));
    QVERIFY(!QFile::exists(m_folder->databasePath()));

    // The file is back: Refresh reads it.
    QVERIFY(createDatabase(2));
    click(editor, "cmdRefresh");
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha"));
    QCOMPARE(m_messages->texts().size(), 1);
}

void tst_RecordEditors::tableWithoutKey()
{
    QFETCH(QString, window);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(0));
    // The same table made elsewhere: ID an ordinary column, and two records alike in every column.
    QStringList columns{"ID INTEGER"};
    for (const QString& column : kind.columns.mid(1))
        columns.append(column + " TEXT");
    QVERIFY(m_folder->exec(QStringLiteral("DROP TABLE %1").arg(kind.table)));
    QVERIFY(m_folder->exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(kind.table, columns.join(", "))));
    for (const char* key : {"Twin", "Twin", "Other"}) {
        QVERIFY(m_folder->exec(
            QStringLiteral("INSERT INTO %1 (ID, %2) VALUES (7, '%3')").arg(kind.table, kind.keyColumn, key)));
    }
    // Its records cannot be told apart, so the window refuses the table: it opens Empty and says why.
    QPointer<QWidget> editor = showEditor(window);
    QTRY_COMPARE(m_messages->texts().size(), 1);
    QVERIFY2(m_messages->texts().first().contains("no primary key"), qPrintable(m_messages->texts().first()));
    QCOMPARE(fieldTexts(editor, kind.columns.size()), QStringList(kind.columns.size(), QString()));

    for (const char* button : {"cmdUpdate", "cmdDelete", "cmdNext", "cmdRefresh"})
        click(editor, button);
    QCOMPARE(m_messages->texts().size(), 4);
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Twin", "Twin", "Other"}));

    // Text typed into it is refused with the same message and kept; a second Close closes.
    QTest::keyClicks(field(editor, kind.keyIndex), "Twin 2");
    click(editor, "cmdClose");
    QCOMPARE(m_messages->texts().size(), 5);
    QVERIFY(editor);
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Twin 2"));
    click(editor, "cmdClose");
    QTRY_VERIFY(editor.isNull());
    QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Twin", "Twin", "Other"}));
}

void tst_RecordEditors::changedByAnotherProgram_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("theirColumn");
    QTest::addColumn<QString>("theirValue");
    QTest::addColumn<QString>("myColumn");
    QTest::addColumn<QString>("myValue");
    QTest::addColumn<bool>("refused");

    for (const QString window : {"frmClients", "frmVendors"}) {
        const QByteArray w = window.toLatin1();
        QTest::addRow("%s: same field, other values: refused", w.constData()) << window << "City"
                                                                              << "Berlin"
                                                                              << "City"
                                                                              << "Madrid" << true;
        QTest::addRow("%s: same field, emptied by the other: refused", w.constData())
            << window << "City" << QString() << "City"
            << "Madrid" << true;
        QTest::addRow("%s: a field that was Null, filled by both: refused", w.constData()) << window << "Address"
                                                                                           << "1 High St"
                                                                                           << "Address"
                                                                                           << "2 Low St" << true;
        QTest::addRow("%s: same field, same value: stored", w.constData()) << window << "City"
                                                                           << "Madrid"
                                                                           << "City"
                                                                           << "Madrid" << false;
        QTest::addRow("%s: different fields: both stored", w.constData()) << window << "City"
                                                                          << "Berlin"
                                                                          << "Address"
                                                                          << "Side St" << false;
    }
}

void tst_RecordEditors::changedByAnotherProgram()
{
    QFETCH(QString, window);
    QFETCH(QString, theirColumn);
    QFETCH(QString, theirValue);
    QFETCH(QString, myColumn);
    QFETCH(QString, myValue);
    QFETCH(bool, refused);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    QCOMPARE(field(editor, kind.columns.indexOf("City"))->text(), QStringLiteral("Oslo"));

    // Another program (a connection of its own) stores into the record on screen after the window read it.
    const QString theirs = theirValue.isNull() ? QStringLiteral("NULL") : "'" + theirValue + "'";
    QVERIFY(m_folder->exec(QStringLiteral("UPDATE %1 SET %2 = %3 WHERE ID = 1").arg(kind.table, theirColumn, theirs)));
    QLineEdit* mine = field(editor, kind.columns.indexOf(myColumn));
    retype(mine, myValue);
    click(editor, "cmdUpdate");

    const QString theirsStored = theirValue.isNull() ? QStringLiteral("<Null>") : theirValue;
    if (!refused) {
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(stored(kind.table, myColumn).first(), myValue);
        if (theirColumn != myColumn) {
            QCOMPARE(stored(kind.table, theirColumn).first(), theirsStored);
            QCOMPARE(field(editor, kind.columns.indexOf(theirColumn))->text(), theirValue);
        }
        return;
    }

    // Refused with the store's kind of message; what was typed stays, and the other program's value too.
    QCOMPARE(m_messages->texts().size(), 1);
    QVERIFY2(m_messages->texts().first().startsWith("Another program has changed " + myColumn + " of this record"),
             qPrintable(m_messages->texts().first()));
    QCOMPARE(m_messages->shown().first().style, MessageStyle::OkOnly);
    QCOMPARE(mine->text(), myValue);
    QCOMPARE(stored(kind.table, myColumn).first(), theirsStored);

    // Leaving the record tries again and is refused again; it stays on the record.
    click(editor, "cmdNext");
    QCOMPARE(m_messages->texts().size(), 2);
    QCOMPARE(mine->text(), myValue);
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha"));
    QCOMPARE(stored(kind.table, myColumn).first(), theirsStored);

    // Refresh shows the other program's value; a store after that writes again.
    click(editor, "cmdRefresh");
    QCOMPARE(m_messages->texts().size(), 2);
    QCOMPARE(mine->text(), theirValue);
    retype(mine, myValue);
    click(editor, "cmdUpdate");
    QCOMPARE(m_messages->texts().size(), 2);
    QCOMPARE(stored(kind.table, myColumn).first(), myValue);
}

void tst_RecordEditors::fileGoneWhileOpen_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("change"); // moved, deleted, replaced
    QTest::addColumn<QString>("said");

    for (const QString window : {"frmClients", "frmVendors"}) {
        const QByteArray w = window.toLatin1();
        QTest::addRow("%s: moved", w.constData()) << window << "moved"
                                                  << "was moved or deleted";
        QTest::addRow("%s: deleted", w.constData()) << window << "deleted"
                                                    << "was moved or deleted";
        QTest::addRow("%s: replaced", w.constData()) << window << "replaced"
                                                     << "was replaced";
    }
}

void tst_RecordEditors::fileGoneWhileOpen()
{
    QFETCH(QString, window);
    QFETCH(QString, change);
    QFETCH(QString, said);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    const QString path = m_folder->databasePath();
    const QString movedTo = m_folder->root() + "/moved.mdb";
    if (change == "moved") {
        QVERIFY(QFile::rename(path, movedTo));
    } else {
        QVERIFY(QFile::remove(path));
        if (change == "replaced")
            QVERIFY(createDatabase(1));
    }

    retype(field(editor, kind.keyIndex), "Alpha 2");
    click(editor, "cmdUpdate");
    QCOMPARE(m_messages->texts().size(), 1);
    QVERIFY2(m_messages->texts().first().contains("The database file " + said),
             qPrintable(m_messages->texts().first()));
    QVERIFY(!m_messages->texts().first().contains("readonly"));
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha 2"));

    // Put back where it was, the file takes the store: nothing typed was lost.
    if (change == "moved") {
        QVERIFY(QFile::rename(movedTo, path));
        click(editor, "cmdUpdate");
        QCOMPARE(m_messages->texts().size(), 1);
        QCOMPARE(stored(kind.table, kind.keyColumn), (QStringList{"Alpha 2", "Bravo", "Charlie"}));
    }
}

void tst_RecordEditors::readOnlyFileSaidAtOnce_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("folder"); // the folder read-only, or the file

    for (const QString window : {"frmClients", "frmVendors"}) {
        const QByteArray w = window.toLatin1();
        QTest::addRow("%s: read-only file", w.constData()) << window << false;
        QTest::addRow("%s: read-only folder", w.constData()) << window << true;
    }
}

void tst_RecordEditors::readOnlyFileSaidAtOnce()
{
    QFETCH(QString, window);
    QFETCH(bool, folder);
    const EditorKind& kind = editorKind(window);
    QVERIFY(createDatabase(3));
    const QString path = folder ? QFileInfo(m_folder->databasePath()).absolutePath() : m_folder->databasePath();
    m_madeReadOnly = !folder;
    const bool readOnly = makeReadOnly(path);
    const auto undo = qScopeGuard([&] {
        if (folder)
            makeWritable(path);
    });
    if (!readOnly)
        QSKIP("this user cannot make a file or folder read-only for itself");

    // The window opens on the records and says at once that it cannot store, before anything is typed.
    QWidget* editor = showEditor(window);
    QCOMPARE(field(editor, kind.keyIndex)->text(), QStringLiteral("Alpha"));
    QTRY_COMPARE(m_messages->texts().size(), 1);
    QVERIFY2(m_messages->texts().first().contains("read-only") &&
                 m_messages->texts().first().contains("cannot store changes"),
             qPrintable(m_messages->texts().first()));
}

QTEST_MAIN(tst_RecordEditors)
#include "tst_recordeditors.moc"

// A record move is said with the record's position and the whole value of the field the user is in: a screen
// reader by itself reads only what changed in that field, or "blank".
void tst_RecordEditors::recordMovesAreSaid_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QStringList>("said");

    QTest::newRow("Vendors, every key from a field")
        << "frmVendors"
        << "City"
        << "City:" << QList<int>{Qt::Key_End, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_PageDown}
        << QStringList{"Record 3 of 3. City: blank", "Record 2 of 3. City: Rome", "Record 1 of 3. City: Oslo",
                       "Record 2 of 3. City: Rome"};
    QTest::newRow("Clients, a value with blanks read whole")
        << "frmClients"
        << "Notes"
        << "Notes:" << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown}
        << QStringList{"Record 2 of 3. Notes: after 8", "Record 3 of 3. Notes: blank"};
    QTest::newRow("past the last record: said again where it stays")
        << "frmClients"
        << "Name"
        << "Name:" << QList<int>{Qt::Key_End, Qt::Key_PageDown}
        << QStringList{"Record 3 of 3. Name: Charlie", "Record 3 of 3. Name: Charlie"};
}

void tst_RecordEditors::recordMovesAreSaid()
{
    QFETCH(QString, window);
    QFETCH(QString, column);
    QFETCH(QString, caption);
    QFETCH(QList<int>, keys);
    QFETCH(QStringList, said);

    QVERIFY(createDatabase(3));
    QWidget* editor = showEditor(window);
    QVERIFY(QTest::qWaitForWindowActive(editor));
    QLineEdit* in = field(editor, editorKind(window).columns.indexOf(column));
    QCOMPARE(in->accessibleName(), caption);
    in->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), in);
    const Announcements heard(editor);
    for (const int key : std::as_const(keys))
        QTest::keyClick(in, Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(heard.said(), said);
    QCOMPARE(QApplication::focusWidget(), in);
}

// Phonebook opens both editors, Vendors in front with its Close button focused. Clients, once it comes forward,
// has its Notes field focused: the first of each window's tab order, and typing lands there.
void tst_RecordEditors::phonebookFocusesTheFirstControls()
{
    QVERIFY(createDatabase(3));
    frmMiravoCall* main = showMainWindow();
    click(main, "cmdPhonebook");
    QPointer<frmClients> clients = openWindow<frmClients>().data();
    QPointer<frmVendors> vendors = openWindow<frmVendors>().data();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(vendors.data()));
    QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>(vendors, "cmdClose"));

    // Enter presses the focused Close; the Clients window comes forward with its Notes field focused.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(vendors.isNull());
    clients->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(clients.data()));
    QLineEdit* notes = field(clients, 10);
    QTRY_COMPARE(QApplication::focusWidget(), notes);
    QTest::keyClicks(QApplication::focusWidget(), " late");
    QCOMPARE(notes->text(), QStringLiteral(" late"));
}

// Add only clears the fields: a screen reader says that a new record has begun.
void tst_RecordEditors::addIsSaid()
{
    QFETCH(QString, window);
    QVERIFY(createDatabase(2));
    QWidget* editor = showEditor(window);
    QVERIFY(QTest::qWaitForWindowActive(editor));
    const Announcements heard(editor);
    click(editor, "cmdAdd");
    QCOMPARE(field(editor, editorKind(window).keyIndex)->text(), QString());
    QCOMPARE(heard.said(), QStringList{"New record"});
}
