// SPDX-License-Identifier: GPL-3.0-or-later
// frmPhone, the keypad window: a display box, a telephone keypad that only edits the display, the COM and pause
// fields, three sequence slots and the buttons SEND, REDIAL, CLR, CLOSE and END. It dials through a port object
// of its own, from the dialing fields of the window that opened it (a DialFieldSource: the main window), which
// it reads at every step and never writes. The steps of the dial itself are modem/TwoStageDial.h.
//
// SEND and REDIAL wait their pause processing events, so every button stays live and the handlers can be
// re-entered during the wait. Each operation therefore checks, after every wait and every message box, that its
// window is still open before it touches the window or its port again; a closed window ends it quietly.
//
// A screen reader hears each status text and each digit a key adds as they appear, without the focus moving; the
// quick dial behind "COM:" is a focusable command that Space and Enter press.
//
// The main window closes the keypad window when it goes: the keypad dials from that window's fields and would
// otherwise go on dialing values the user can no longer see.
#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace miravo {

class Announcer;
class ClickableCaption;
class DialFieldSource;
class ModemPort;
enum class AfterFailure;

class frmPhone final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPhone)

public:
    // Runs the creation steps, reading the port text of `fields`. The source must outlive the window, or close
    // it before it goes.
    explicit frmPhone(const DialFieldSource& fields, QWidget* parent = nullptr);
    ~frmPhone() override; // closes an open port

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class OnFailure { CloseWindow, CarryOn };

    void buildControls();
    void Form_Load();

    void cmdKey_Click(int element);
    void clr_Click();
    void cmdClose_Click();
    void cmdEnd_Click();
    void cmdSend_Click();
    void cmdredial_Click();
    void Label1_Click();

    // SEND and REDIAL: the same steps, differing only in what a failing step leads to.
    void sendSequence(OnFailure onFailure);
    // The message of a failing step, then what it leads to: the window closes (SEND) or the operation goes on
    // (REDIAL); an operation whose window went meanwhile stops.
    // `detail` says why, in the box's details.
    AfterFailure reportFailure(OnFailure onFailure, const QString& detail);
    // Marks the window closed at once (ending every running wait), releases the port and closes the window.
    void closeWindow();
    void markClosed();
    void setDisplayText(const QString& text);
    // A status text of the dialing operations: shown in the display box and said to a screen reader.
    void showStatus(const QString& text);

    const DialFieldSource& m_fields;
    std::unique_ptr<ModemPort> m_MSComm1;
    // Lives while the window is open. The pauses wait on it, so closing the window ends them at once, even when
    // the window itself is destroyed only later (a deferred deletion waits for its event loop).
    std::unique_ptr<QObject> m_openGuard;
    bool m_closed = false;

    QPlainTextEdit* m_txtnumbers = nullptr;
    ClickableCaption* m_Label1 = nullptr;
    QLineEdit* m_txtnewport = nullptr;
    QLineEdit* m_txtPause = nullptr;
    QComboBox* m_Combo1 = nullptr;
    QComboBox* m_Combo2 = nullptr;
    QComboBox* m_Combo3 = nullptr;
    QPushButton* m_cmdredial = nullptr;
    QPushButton* m_cmdSend = nullptr;
    QPushButton* m_clr = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QPushButton* m_cmdEnd = nullptr;
    Announcer* m_announcer = nullptr;
};

} // namespace miravo
