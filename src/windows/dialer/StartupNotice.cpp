// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialer/StartupNotice.h"

#include "data/PhoneCardDatabase.h"
#include "ui/Announcer.h"
#include "ui/FixedWindow.h"
#include "ui/FocusKeeping.h"
#include "ui/Twips.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace miravo {
namespace {

// The strip below the designed area, in twips: the text to the left, the button to the right.
constexpr int StripHeight = 1125;
constexpr TwipsRect NoticeText{120, 45, 6600, 1035};
constexpr TwipsRect ReadAgainButton{6840, 390, 1125, 345};

QString listName(ListFailure::List list)
{
    return list == ListFailure::List::Companies ? QStringLiteral("the card companies") : QStringLiteral("the clients");
}

} // namespace

const QString ReadAgainDescription =
    QStringLiteral("Reads the card companies and the clients from the database file again");
const QString ListsReadAgain = QStringLiteral("The card companies and the clients were read.");

QString startupNoticeText(const QString& path, const QList<ListFailure>& failures)
{
    const QString file = QDir::toNativeSeparators(path);
    const bool missing = std::any_of(failures.begin(), failures.end(), [](const ListFailure& failed) {
        return static_cast<StoreError>(failed.failure.code) == StoreError::FileNotFound;
    });
    if (missing) {
        // The program never creates the file: the installer's tool does.
        return QStringLiteral("There is no database file at %1.\n"
                              "Create one with the command: miravo-create-database --samples\n"
                              "(from a build tree: build/bin/miravo-create-database --samples), then press Read again.")
            .arg(file);
    }
    QStringList lines;
    if (failures.size() == 2 && failures[0].failure.reason == failures[1].failure.reason) {
        lines.append(
            QStringLiteral("Could not read %1 and %2 from %3: %4.")
                .arg(listName(failures[0].list), listName(failures[1].list), file, failures[0].failure.reason));
    } else {
        for (const ListFailure& failed : failures)
            lines.append(QStringLiteral("Could not read %1 from %2: %3.")
                             .arg(listName(failed.list), file, failed.failure.reason));
    }
    lines.append(QStringLiteral("Once the cause is gone, press Read again (or restart the program)."));
    return lines.join(QLatin1Char('\n'));
}

StartupNotice::StartupNotice(QWidget* window, int clientWidthTwips, int clientHeightTwips)
    : QFrame(window)
    , m_window(window)
    , m_clientWidthTwips(clientWidthTwips)
    , m_clientHeightTwips(clientHeightTwips)
{
    setObjectName(QStringLiteral("fraStartupNotice"));
    setFrameShape(QFrame::StyledPanel);
    setGeometry(TwipsRect{0, clientHeightTwips, clientWidthTwips, StripHeight}.toPixels());

    m_lblStartupNotice = new QLabel(this);
    m_lblStartupNotice->setObjectName(QStringLiteral("lblStartupNotice"));
    m_lblStartupNotice->setGeometry(NoticeText.toPixels());
    m_lblStartupNotice->setWordWrap(true);
    // The path and the command are there to be copied.
    m_lblStartupNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblStartupNotice->setTextFormat(Qt::PlainText);

    m_cmdReadAgain = new QPushButton(QStringLiteral("Read again"), this);
    m_cmdReadAgain->setObjectName(QStringLiteral("cmdReadAgain"));
    m_cmdReadAgain->setGeometry(ReadAgainButton.toPixels());
    m_cmdReadAgain->setAutoDefault(false);
    m_cmdReadAgain->setAccessibleDescription(ReadAgainDescription);
    pressButtonsOnEnter(this);
    // The window's, not the strip's: the outcome is said when the strip goes, too.
    m_announcer = new Announcer(window);
    connect(m_cmdReadAgain, &QPushButton::clicked, this, &StartupNotice::readAgainRequested);
    hide();
}

void StartupNotice::report(const QString& path, const QList<ListFailure>& failures)
{
    const bool shown = !failures.isEmpty();
    const bool wasShown = !isHidden();
    m_lblStartupNotice->setText(shown ? startupNoticeText(path, failures) : QString());
    setVisible(shown);
    const int heightTwips = m_clientHeightTwips + (shown ? StripHeight : 0);
    if (m_window->isVisible()) {
        // Growing or shrinking in place: a window on screen does not jump to the centre again.
        m_window->setFixedSize(twipsToPixels(m_clientWidthTwips), twipsToPixels(heightTwips));
    } else {
        shapeFixedWindow(m_window, m_clientWidthTwips, heightTwips);
    }
    // Said as it appears, again after each Read again that failed, and the success once it goes: a screen reader
    // user hears what a sighted one sees change.
    if (shown)
        m_announcer->announce(m_lblStartupNotice->text());
    else if (wasShown)
        m_announcer->announce(ListsReadAgain);
}

} // namespace miravo
