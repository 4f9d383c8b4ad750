// SPDX-License-Identifier: GPL-3.0-or-later
// frmMiravoCall, the main window and the program's start: the card-company and client lists, the four dialing
// fields and the port field, and the buttons that dial and open the other windows.
// Its dialing fields and port field are also what the keypad window dials from; it reads them, never writes them.
#pragma once

#include "keypad/DialFieldSource.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace miravo {

class ModemPort;
class StartupNotice;
class frmPhone;

class frmMiravoCall final : public QWidget, public DialFieldSource {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMiravoCall)

public:
    // Runs the load step: port field and port number, then both lists from the database.
    explicit frmMiravoCall(QWidget* parent = nullptr);
    ~frmMiravoCall() override; // closes the keypad window it opened

    // The current texts of the fields the keypad window dials from: txtPort, and txtDial_Num1 to txtDial_Num4.
    QString portText() const override;
    MainDialFields dialFields() const override;

protected:
    void closeEvent(QCloseEvent* event) override; // closes an open port

private:
    void buildControls();
    void loadLists();
    void readStartUpLists();
    void cmdReadAgain_Click();

    void Combo1_Lookup();
    void Combo2_Click();
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void cmdDial_Click();
    void cmdPhonebook_Click();
    void Command1_Click();

    QLabel* m_Label7 = nullptr;
    QComboBox* m_Combo1 = nullptr;
    QLineEdit* m_txtDial_Num1 = nullptr;
    QLineEdit* m_txtDial_Num2 = nullptr;
    QLineEdit* m_txtPort = nullptr;
    QLineEdit* m_txtDial_Num3 = nullptr;
    QComboBox* m_Combo2 = nullptr;
    QComboBox* m_txtDial_Num4 = nullptr;
    QPushButton* m_cmdDial = nullptr;
    QPushButton* m_cmdConnect = nullptr;
    QPushButton* m_Command1 = nullptr;
    QPushButton* m_cmdPhonebook = nullptr;
    QPushButton* m_cmdDisconnect = nullptr;
    QPushButton* m_cmdClose = nullptr;
    StartupNotice* m_startupNotice = nullptr; // below the designed area, while a start-up list is unread
    bool m_companiesListed = false;
    bool m_clientsListed = false;
    QPointer<frmPhone> m_keypad; // the keypad window, dialing from this window's fields

    bool m_closed = false; // a dial waiting on a message box ends when the window closes under it
    int m_portNumber = 1;
    // The window's own modem link, numbered once at start-up; the keypad window has a port object of its own.
    std::unique_ptr<ModemPort> m_MSComm1;
};

// Creates and shows the main window (or raises it when it is open).
frmMiravoCall* showMainWindow();

} // namespace miravo
