// The toolkit services every window stands on: message boxes, single windows, the event-processing wait, twips,
// the windows' pictures.
#include "support/ScriptedMessages.h"
#include "ui/EventWait.h"
#include "ui/MessageService.h"
#include "ui/Picture.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <ctime>

using namespace miravo;

namespace {

class SampleWindow final : public QWidget {
public:
    static inline int created = 0;
    SampleWindow() { ++created; }
};

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

class tst_UiServices : public QObject {
    Q_OBJECT

private slots:
    void realMessageBoxes_data();
    void realMessageBoxes();
    void scriptedService();
    void oneWindowOfEachKind();
    void waitKeepsEventsFlowing();
    void waitEndsWhenGuardDies();
    void waitOfNothing_data();
    void waitOfNothing();
    void twips_data();
    void twips();
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

    QTest::newRow("OK box, program title") << int(MessageStyle::OkOnly) << QString() << int(QMessageBox::Ok)
                                           << int(MessageAnswer::Ok) << "MiravoDialer" << int(QMessageBox::NoIcon);
    QTest::newRow("question, Yes") << int(MessageStyle::YesNoCritical) << "Dialing Status" << int(QMessageBox::Yes)
                                   << int(MessageAnswer::Yes) << "Dialing Status" << int(QMessageBox::Critical);
    QTest::newRow("question, Enter takes the default No")
        << int(MessageStyle::YesNoCritical) << "Dialing Status" << 0 << int(MessageAnswer::No) << "Dialing Status"
        << int(QMessageBox::Critical);
}

void tst_UiServices::realMessageBoxes()
{
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(QString, expectedTitle);
    QFETCH(int, expectedIcon);

    QString seenTitle;
    QString seenText;
    int seenIcon = -1;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        wasModal = box->windowModality() == Qt::ApplicationModal;
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    const MessageAnswer got = showMessage(QStringLiteral("Check your com port settings.!"), MessageStyle(style), title);

    QCOMPARE(int(got), answer);
    QCOMPARE(seenTitle, expectedTitle);
    QCOMPARE(seenText, QStringLiteral("Check your com port settings.!"));
    QCOMPARE(seenIcon, expectedIcon);
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

void tst_UiServices::waitKeepsEventsFlowing()
{
    QPushButton button;
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    QTimer::singleShot(50, &button, [&] { button.click(); });

    const double cpuBefore = processCpuSeconds();
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(waitProcessingEvents(0.3, &button));
    const qint64 waited = elapsed.elapsed();
    const double cpu = processCpuSeconds() - cpuBefore;

    QCOMPARE(clicks, 1); // a handler ran inside the wait
    QVERIFY2(waited >= 300, qPrintable(QString::number(waited)));
    // A polling loop would burn the whole 0.3 s; sleeping in the event loop costs a small fraction of it.
    QVERIFY2(cpu < 0.15, qPrintable(QString::number(cpu)));
}

void tst_UiServices::waitEndsWhenGuardDies()
{
    auto* guard = new QObject;
    QTimer::singleShot(20, guard, [guard] { delete guard; });
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!waitProcessingEvents(30.0, guard));
    QVERIFY(elapsed.elapsed() < 10000);
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
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(waitProcessingEvents(seconds));
    QVERIFY(elapsed.elapsed() < 100);
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
