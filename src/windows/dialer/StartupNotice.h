// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up notice: a strip below the designed area that appears only when a start-up list
// could not be read, naming the database file and the reason, saying how to recover, with a "Read again" button.
// It is no message box: the window stays usable while it shows. The window grows by the strip's height while it
// is shown and takes back its designed size when it goes.
#pragma once

#include "Result.h"

#include <QFrame>
#include <QList>

class QLabel;
class QPushButton;

namespace miravo {

class Announcer;

// A start-up list that could not be read, and why.
struct ListFailure {
    enum class List { Companies, Clients } list;
    Failure failure;
};

// What a screen reader says of "Read again", and what it hears when reading again cleared the notice.
extern const QString ReadAgainDescription;
extern const QString ListsReadAgain;

// The notice's text for these failures of reading the file at `path`. A missing file gets the command that
// creates one; any other cause the hint to press Read again (or restart) once it is gone.
QString startupNoticeText(const QString& path, const QList<ListFailure>& failures);

class StartupNotice final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupNotice)

public:
    // Placed in `window` right below its designed client area (in twips); hidden until report() has failures.
    StartupNotice(QWidget* window, int clientWidthTwips, int clientHeightTwips);

    // Shows the notice for these failures, or hides it when there are none.
    void report(const QString& path, const QList<ListFailure>& failures);

signals:
    void readAgainRequested();

private:
    QWidget* m_window;
    int m_clientWidthTwips;
    int m_clientHeightTwips;
    QLabel* m_lblStartupNotice = nullptr;
    QPushButton* m_cmdReadAgain = nullptr;
    Announcer* m_announcer = nullptr;
};

} // namespace miravo
