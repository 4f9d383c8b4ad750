// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit services every window stands on: message boxes, single windows, the event-processing wait, twips,
// the placing of designed controls and the windows' pictures.
#include "support/Controls.h"
#include "support/ScriptedMessages.h"
#include "support/ScriptedWait.h"
#include "ui/AccessibleControls.h"
#include "ui/DesignedControls.h"
#include "ui/EventWait.h"
#include "ui/MessageService.h"
#include "ui/Picture.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace miravo;

// A window of the program's kind: a class of its own, built on a plain widget.
class DerivedWindow final : public QWidget {
    Q_OBJECT
public:
    DerivedWindow()
        : QWidget(nullptr, Qt::Window)
    {}
};

namespace {

class SampleWindow final : public QWidget {
public:
    static inline int created = 0;
    SampleWindow() { ++created; }
};

constexpr FontDesign BoldSample{"MS Sans Serif", 9.75, true};

} // namespace

class tst_UiServices : public QObject {
    Q_OBJECT

private slots:
    void realMessageBoxes_data();
    void realMessageBoxes();
    void scriptedService();
    void oneWindowOfEachKind();
    void realWait();
    void scriptedWait_data();
    void scriptedWait();
    void waitEndsWhenGuardDies();
    void waitOfNothing_data();
    void waitOfNothing();
    void twips_data();
    void twips();
    void missingControlFailsItsCaseOnly();
    void designEntries_data();
    void designEntries();
    void spokenCaptions_data();
    void spokenCaptions();
    void windowsAreWindowsToScreenReaders_data();
    void windowsAreWindowsToScreenReaders();
    void captionsNameTheirFields_data();
    void captionsNameTheirFields();
    void designedFontFallsBack_data();
    void designedFontFallsBack();
    void designedFontSeesFontsAddedLater();
    void editableComboKeepsTheList();
    void namedListHoldsItsList_data();
    void namedListHoldsItsList();
    void pictures_data();
    void pictures();
};

void tst_UiServices::realMessageBoxes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("press"); // QMessageBox::StandardButton, 0 = Enter on the default button
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("expectedTitle");
    QTest::addColumn<int>("expectedIcon");
    QTest::addColumn<QString>("detail"); // the box's detailed text

    QTest::newRow("OK box, program title")
        << int(MessageStyle::OkOnly) << QString() << int(QMessageBox::Ok) << int(MessageAnswer::Ok) << "MiravoDialer"
        << int(QMessageBox::NoIcon) << QString();
    QTest::newRow("question, Yes") << int(MessageStyle::YesNoCritical) << "Dialing Status" << int(QMessageBox::Yes)
                                   << int(MessageAnswer::Yes) << "Dialing Status" << int(QMessageBox::Critical)
                                   << QString();
    QTest::newRow("question, Enter takes the default No")
        << int(MessageStyle::YesNoCritical) << "Dialing Status" << 0 << int(MessageAnswer::No) << "Dialing Status"
        << int(QMessageBox::Critical) << QString();
    QTest::newRow("OK box with the reason in its details")
        << int(MessageStyle::OkOnly) << QString() << 0 << int(MessageAnswer::Ok) << "MiravoDialer"
        << int(QMessageBox::NoIcon) << "COM3: no such device.";
}

void tst_UiServices::realMessageBoxes()
{
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(QString, expectedTitle);
    QFETCH(int, expectedIcon);
    QFETCH(QString, detail);

    QString seenTitle;
    QString seenText;
    int seenIcon = -1;
    bool wasModal = false;
    QString seenDetail;
    QString seenDescription;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenDescription = QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description);
        for (QAbstractButton* button : box->buttons()) {
            const QString said = QAccessible::queryAccessibleInterface(button)->text(QAccessible::Description);
            if (said != seenDescription)
                seenDescription = QStringLiteral("button %1 describes itself as %2").arg(button->text(), said);
        }
        seenIcon = box->icon();
        seenDetail = box->detailedText();
        wasModal = box->windowModality() == Qt::ApplicationModal;
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    const MessageAnswer got =
        showMessage(QStringLiteral("Check your com port settings.!"), MessageStyle(style), title, detail);

    QCOMPARE(int(got), answer);
    QCOMPARE(seenTitle, expectedTitle);
    QCOMPARE(seenText, QStringLiteral("Check your com port settings.!"));
    QCOMPARE(seenDescription, seenText); // read by screen readers with the title
    QCOMPARE(seenIcon, expectedIcon);
    QCOMPARE(seenDetail, detail);
    QVERIFY(wasModal);
}

void tst_UiServices::scriptedService()
{
    test::ScriptedMessages messages;
    messages.answerNext(MessageAnswer::Yes);
    QCOMPARE(showMessage("q", MessageStyle::YesNoCritical, "T"), MessageAnswer::Yes);
    QCOMPARE(showMessage("q2", MessageStyle::YesNoCritical), MessageAnswer::No); // the default when unscripted
    QCOMPARE(messages.texts(), (QStringList{"q", "q2"}));
    QCOMPARE(messages.shown().last().title, ApplicationTitle);
}

void tst_UiServices::oneWindowOfEachKind()
{
    SampleWindow::created = 0;
    SampleWindow* first = showWindow<SampleWindow>();
    QVERIFY(first->isVisible());
    QVERIFY(!first->parentWidget());
    QVERIFY(!first->isModal());

    QCOMPARE(showWindow<SampleWindow>(), first); // showing an open window only raises it
    QCOMPARE(SampleWindow::created, 1);

    QPointer<SampleWindow> closed(first);
    first->close();
    QTRY_VERIFY(closed.isNull()); // closing destroys it

    SampleWindow* second = showWindow<SampleWindow>();
    QCOMPARE(SampleWindow::created, 2); // the next show creates it afresh
    second->close();
    QTRY_VERIFY(openWindow<SampleWindow>().isNull());
}

void tst_UiServices::realWait()
{
    // The real clock and event loop, briefly. Events that come due during the wait are handled inside it, the
    // later of them included, so the wait neither blocks events nor ends before they come due.
    QPushButton button;
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    QTimer::singleShot(20, &button, [&] { button.click(); });
    QTimer::singleShot(120, &button, [&] { button.click(); });
    QVERIFY(waitProcessingEvents(0.2, &button));
    QCOMPARE(clicks, 2);

    // A guard that dies ends a long wait with it: a marker far later than the guard's end has not come due yet.
    auto* guard = new QObject;
    bool markerCame = false;
    QObject scope;
    QTimer::singleShot(20, guard, [guard] { delete guard; });
    QTimer::singleShot(20000, &scope, [&] { markerCame = true; });
    QVERIFY(!waitProcessingEvents(30.0, guard));
    QVERIFY(!markerCame);
}

void tst_UiServices::scriptedWait_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("ms");

    QTest::newRow("ten seconds") << 10.0 << qint64(10000);
    QTest::newRow("a fraction, rounded up to whole milliseconds") << 2.0004 << qint64(2001);
    QTest::newRow("beyond 64-bit milliseconds, clamped") << 1e300 << std::numeric_limits<qint64>::max();
}

void tst_UiServices::scriptedWait()
{
    QFETCH(double, seconds);
    QFETCH(qint64, ms);
    test::ScriptedWait wait;
    QPushButton button;
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    // What happens during the pause runs inside the wait, and so does what it sets off.
    wait.duringNextPause([&] { QTimer::singleShot(0, &button, [&] { button.click(); }); });

    QVERIFY(waitProcessingEvents(seconds, &button));
    QCOMPARE(clicks, 1);
    QCOMPARE(wait.pauses(), QList<qint64>{ms});
    QCOMPARE(wait.elapsedMs(), ms); // the clock moved on by the whole pause, and the wait ended there
}

void tst_UiServices::waitEndsWhenGuardDies()
{
    test::ScriptedWait wait;
    auto* guard = new QObject;
    wait.duringNextPause([guard] { delete guard; });
    QVERIFY(!waitProcessingEvents(30.0, guard));
    QCOMPARE(wait.pauses(), QList<qint64>{30000}); // one leg: the wait did not go on after the guard died
    QCOMPARE(wait.elapsedMs(), qint64(0));
}

void tst_UiServices::waitOfNothing_data()
{
    QTest::addColumn<double>("seconds");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -5.0;
    QTest::newRow("not a number") << std::nan("");
}

void tst_UiServices::waitOfNothing()
{
    QFETCH(double, seconds);
    test::ScriptedWait wait;
    QObject guard;
    QVERIFY(waitProcessingEvents(seconds));
    QVERIFY(waitProcessingEvents(seconds, &guard));
    QVERIFY(wait.pauses().isEmpty()); // returned at once, without a pause
}

void tst_UiServices::twips_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("window width") << 8085 << 539;
    QTest::newRow("one pixel") << 15 << 1;
    QTest::newRow("rounds up from half") << 8 << 1;
    QTest::newRow("rounds down below half") << 7 << 0;
    QTest::newRow("negative offset") << -30 << -2;
    QTest::newRow("small negative offset") << -15 << -1;
}

void tst_UiServices::twips()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips), pixels);
}

void tst_UiServices::missingControlFailsItsCaseOnly()
{
    // The test support's control lookup: a missing control is this case's failure, not the end of the test
    // program; the steps after it run on a stand-in without crashing.
    QWidget window;
    auto* present = new QLineEdit(&window);
    present->setObjectName(QStringLiteral("txtPresent"));
    QCOMPARE(test::control<QLineEdit>(&window, "txtPresent"), present);

    QEXPECT_FAIL("", "a missing control fails the case it is looked up in", Continue);
    QLineEdit* missing = test::control<QLineEdit>(&window, "txtMissing");
    QVERIFY(missing && missing != present);
    missing->setText(QStringLiteral("typed"));
    QVERIFY(!window.findChild<QLineEdit*>(QStringLiteral("txtMissing")));
}

void tst_UiServices::designEntries_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("pixels");
    // Each side is rounded on its own, so a rectangle's right edge is not rounded from the twips' right edge.
    QTest::newRow("whole pixels") << 195 << 75 << 5190 << 495 << QRect(13, 5, 346, 33);
    QTest::newRow("to the nearest pixel") << 50 << 1215 << 5393 << 3734 << QRect(3, 81, 360, 249);
    QTest::newRow("at half a pixel") << 8 << 23 << 7 << 22 << QRect(1, 2, 0, 1);
    QTest::newRow("left of and above the window") << -30 << -15 << 3120 << 7695 << QRect(-2, -1, 208, 513);
    QTest::newRow("half a pixel to the left") << -8 << -7 << 15 << 15 << QRect(-1, 0, 1, 1);
}

void tst_UiServices::designEntries()
{
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, pixels);
    QWidget window;
    const QFont windowFont = window.font();
    const ControlDesign design{"cmdSample", {left, top, width, height}, "&Sample"};

    QPushButton* button = placeButton(&window, design);
    QCOMPARE(button->objectName(), QStringLiteral("cmdSample"));
    QCOMPARE(button->geometry(), pixels);
    QCOMPARE(button->text(), QStringLiteral("&Sample"));
    QCOMPARE(button->parentWidget(), &window);
    QCOMPARE(button->font(), windowFont); // no designed font: the window's

    const ControlDesign bold{"lblSample", {left, top, width, height}, "Sample", &BoldSample};
    QLabel* label = placeLabel(&window, bold);
    QCOMPARE(label->geometry(), pixels);
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSizeF(), 9.75);
}

void tst_UiServices::spokenCaptions_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("plain") << "Connect"
                           << "Connect";
    QTest::newRow("access key") << "&Update"
                                << "Update";
    QTest::newRow("trailing blank") << "END "
                                    << "END";
    QTest::newRow("doubled ampersand is one") << "Tom && Jerry"
                                              << "Tom & Jerry";
    QTest::newRow("colon kept") << "Card_Password:"
                                << "Card_Password:";
}

// What a screen reader says for a caption: a button placed by the helper is named this way.
void tst_UiServices::spokenCaptions()
{
    QFETCH(QString, caption);
    QFETCH(QString, spoken);
    QWidget window;
    const QByteArray latin1 = caption.toLatin1();
    QPushButton* button = placeButton(&window, {"cmdSample", {0, 0, 1500, 330}, latin1.constData()});
    QCOMPARE(button->text(), caption); // the visible caption stays as designed
    QCOMPARE(button->accessibleName(), spoken);
}

void tst_UiServices::windowsAreWindowsToScreenReaders_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("role");
    QTest::newRow("plain window") << "window" << int(QAccessible::Window);
    QTest::newRow("window of a class of its own") << "derived" << int(QAccessible::Window);
    QTest::newRow("tool window") << "tool" << int(QAccessible::Window);
    QTest::newRow("dialog keeps its role") << "dialog" << int(QAccessible::Dialog);
    QTest::newRow("menu keeps its role") << "menu" << int(QAccessible::PopupMenu);
    QTest::newRow("control inside a window") << "child" << int(QAccessible::Client);
}

// The program's windows are built on plain widgets; screen readers must still be told they are windows.
void tst_UiServices::windowsAreWindowsToScreenReaders()
{
    QFETCH(QString, kind);
    QFETCH(int, role);
    presentWindowsAsWindows();
    QWidget parent;
    std::unique_ptr<QWidget> widget;
    if (kind == QLatin1String("window"))
        widget = std::make_unique<QWidget>(nullptr, Qt::Window);
    else if (kind == QLatin1String("derived"))
        widget = std::make_unique<DerivedWindow>();
    else if (kind == QLatin1String("tool"))
        widget = std::make_unique<QWidget>(&parent, Qt::Tool);
    else if (kind == QLatin1String("dialog"))
        widget = std::make_unique<QDialog>();
    else if (kind == QLatin1String("menu"))
        widget = std::make_unique<QMenu>();
    else
        widget = std::make_unique<QWidget>(&parent);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget.get());
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
}

void tst_UiServices::captionsNameTheirFields_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("combo");
    QTest::newRow("fits its frame") << "Com Port" << 1050 << false;
    QTest::newRow("too long for its frame") << "Select telephone number." << 1860 << true;
}

// A caption label names its field (buddy and accessible name, also on a list's text box) and stays whole and on
// one line in its designed frame, in a smaller font if it must.
void tst_UiServices::captionsNameTheirFields()
{
    QFETCH(QString, caption);
    QFETCH(int, width);
    QFETCH(bool, combo);
    QWidget window;
    window.setFont(designedFont(DialogFont));
    QWidget* field = combo ? static_cast<QWidget*>(placeEditableCombo(&window, {"field", {2340, 0, 3180, 315}}))
                           : place(new QLineEdit(&window), {"field", {2340, 0, 3180, 315}});
    const QByteArray latin1 = caption.toLatin1();
    QLabel* label = placeCaption(&window, {"caption", {210, 0, width, 300}, latin1.constData()}, field);

    QCOMPARE(label->buddy(), field);
    QCOMPARE(field->accessibleName(), caption);
    if (combo) {
        // Said once: by the box, not again by the text box inside it.
        QCOMPARE(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name), caption);
        QLineEdit* text = static_cast<QComboBox*>(field)->lineEdit();
        QCOMPARE(QAccessible::queryAccessibleInterface(text)->text(QAccessible::Name), QString());
    }
    QCOMPARE(label->text(), caption);
    QVERIFY(!label->wordWrap());
    QVERIFY(QFontMetrics(label->font()).horizontalAdvance(caption) <= label->contentsRect().width());
    QVERIFY(label->font().pointSizeF() >= 6.5);
    const bool fitsAsDesigned = QFontMetrics(window.font()).horizontalAdvance(caption) <= label->contentsRect().width();
    QCOMPARE(label->font().pointSizeF() < DialogFont.pointSize, !fitsAsDesigned);
}

void tst_UiServices::designedFontFallsBack_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::newRow("dialog font") << "MS Sans Serif" << 8.25 << false;
    QTest::newRow("bold dialog font") << "MS Sans Serif" << 8.25 << true;
    QTest::newRow("title font") << "Arial" << 24.0 << false;
    QTest::newRow("unknown family") << "No Such Family" << 9.75 << false;
}

void tst_UiServices::designedFontFallsBack()
{
    QFETCH(QString, family);
    QFETCH(qreal, pointSize);
    QFETCH(bool, bold);
    for (const QString& designFont : {family, QStringLiteral("Microsoft Sans Serif")}) {
        if (QFontDatabase::hasFamily(designFont))
            QSKIP("The design font is installed here; the fallback is not needed.");
    }
    const QByteArray familyName = family.toLatin1();
    const QFont font = designedFont(FontDesign{familyName.constData(), pointSize, bold});

    // The platform's default sans serif (DejaVu Sans on Debian) is too wide for the designed frames; Arial's
    // metric twin is what setup.sh installs for them.
    const QFontInfo resolved(font);
    QCOMPARE(resolved.family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(font.pointSizeF(), pointSize);
    QCOMPARE(resolved.bold(), bold);
}

// The installed families are kept between designed fonts; a font the application adds afterwards must still count.
void tst_UiServices::designedFontSeesFontsAddedLater()
{
    // A family nobody has installed: Liberation Sans with its name changed, at the same length, in the name table
    // (both its single-byte and its UTF-16 entries; the font files' checksums are not checked when reading).
    QFile original(QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"));
    if (!original.open(QIODevice::ReadOnly))
        QSKIP("Liberation Sans (fonts-liberation2) is not installed here.");
    QByteArray font = original.readAll();
    const QString oldName = QStringLiteral("Liberation Sans"), newName = QStringLiteral("Liberation Sanz");
    const auto utf16be = [](const QString& text) {
        QByteArray bytes;
        for (const QChar c : text)
            bytes.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xff));
        return bytes;
    };
    font.replace(oldName.toLatin1(), newName.toLatin1());
    font.replace(utf16be(oldName), utf16be(newName));
    QVERIFY(!QFontDatabase::hasFamily(newName));

    const QByteArray familyName = newName.toLatin1();
    const FontDesign design{familyName.constData(), 9.75};
    QCOMPARE(designedFont(design).families(), QStringList{QStringLiteral("Liberation Sans")});

    const int id = QFontDatabase::addApplicationFontFromData(font);
    QVERIFY(id >= 0);
    QCOMPARE(QFontDatabase::applicationFontFamilies(id), QStringList{newName});
    QCOMPARE(designedFont(design).families(), QStringList{newName});

    QVERIFY(QFontDatabase::removeApplicationFont(id));
    QCOMPARE(designedFont(design).families(), QStringList{QStringLiteral("Liberation Sans")});
}

void tst_UiServices::editableComboKeepsTheList()
{
    QWidget window;
    QComboBox* combo = placeEditableCombo(&window, {"Combo1", {45, 300, 3795, 315}, "Language"});
    QCOMPARE(combo->currentText(), QStringLiteral("Language")); // the caption is the designed text
    combo->addItems({"Language", "Language Two"});
    combo->setEditText(QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Typing a prefix of an entry and pressing Enter neither completes the text nor adds it to the list.
    combo->lineEdit()->setFocus();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("Lang"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(combo->currentText(), QStringLiteral("Lang"));
    QCOMPARE(combo->count(), 2);
}

void tst_UiServices::namedListHoldsItsList_data()
{
    QTest::addColumn<bool>("editable");
    QTest::newRow("editable") << true;
    QTest::newRow("fixed") << false;
}

// A named list box holds its drop-down list, as Qt's own list box does, so that a screen reader finds the list when
// it opens and can tell how many entries it has; it offers to open and close the list.
void tst_UiServices::namedListHoldsItsList()
{
    QFETCH(bool, editable);
    QWidget window;
    auto* combo = new QComboBox(&window);
    combo->setEditable(editable);
    combo->addItems({"Acme Card", "Beta Tel"});
    nameControl(combo, QStringLiteral("Select Card Company"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(combo);
    QCOMPARE(box->text(QAccessible::Name), QStringLiteral("Select Card Company"));
    QCOMPARE(box->childCount(), editable ? 2 : 1);
    QAccessibleInterface* list = box->child(0);
    QVERIFY(list);
    QCOMPARE(list->object(), combo->view());
    QCOMPARE(box->indexOfChild(list), 0);
    if (editable) {
        QAccessibleInterface* text = box->child(1);
        QVERIFY(text);
        QCOMPARE(text->object(), combo->lineEdit());
        QCOMPARE(box->indexOfChild(text), 1);
    }
    QVERIFY(!box->child(editable ? 2 : 1));
    QCOMPARE(box->indexOfChild(QAccessible::queryAccessibleInterface(&window)), -1);

    QAccessibleActionInterface* actions = box->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    actions->doAction(QAccessibleActionInterface::showMenuAction());
    QTRY_VERIFY(combo->view()->isVisible());
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!combo->view()->isVisible());
}

void tst_UiServices::pictures_data()
{
    // The main window's card picture is 97 x 155 pixels, with a rendering at twice that beside it; the keypad's
    // background has none. An empty size: nothing is read.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<qreal>("screenRatio");
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<qreal>("pictureRatio");
    const QString card = QStringLiteral(":/dialer/images/card.png");
    const QString background = QStringLiteral(":/keypad/images/keypad-background.jpg");
    QVERIFY(!QImageReader(background).size().isEmpty());
    QTest::newRow("normal screen: the frame-size rendering")
        << card << QByteArray("png") << 1.0 << QSize(97, 155) << 1.0;
    QTest::newRow("double screen: the @2x rendering") << card << QByteArray("png") << 2.0 << QSize(194, 310) << 2.0;
    QTest::newRow("screen at 1.25: the @2x rendering, scaled down")
        << card << QByteArray("png") << 1.25 << QSize(194, 310) << 2.0;
    QTest::newRow("no @2x rendering: the picture itself")
        << background << QByteArray("jpeg") << 2.0 << QImageReader(background).size() << 1.0;
    QTest::newRow("the wrong format: nothing, no guessing") << card << QByteArray("jpeg") << 1.0 << QSize() << 1.0;
    QTest::newRow("no such picture") << ":/dialer/images/none.png" << QByteArray("png") << 2.0 << QSize() << 1.0;
}

void tst_UiServices::pictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(qreal, screenRatio);
    QFETCH(QSize, pixels);
    QFETCH(qreal, pictureRatio);

    const QPixmap picture = readPicture(path, format.constData(), screenRatio);
    QCOMPARE(picture.isNull(), pixels.isEmpty());
    if (picture.isNull())
        return;
    QCOMPARE(picture.size(), pixels);
    QCOMPARE(picture.devicePixelRatio(), pictureRatio);
}

QTEST_MAIN(tst_UiServices)
#include "tst_uiservices.moc"
