// SPDX-License-Identifier: GPL-3.0-or-later
// A record editor window: one table of the phone-card database, shown one record at a time in a column of
// labelled fields, with a navigation bar and the buttons Add, Update, Delete, Refresh and Close.
// frmClients and frmVendors are this window, each with its own design table (EditorDesign).
//
// Control names: the field of index i (txtFields(i) in the designs) is the QLineEdit "txtFields_<i>", its label
// the QLabel "lblLabels_<i>"; the buttons are "cmdAdd" ... "cmdClose"; the navigation bar is named after the
// data source ("datClients"). The index is the one of the design table, not the position on screen.
//
// What a button does happens in the RecordSource; this class moves values between the fields and the record
// and turns failures into the one message the user sees, the store's own description.
#pragma once

#include "data/RecordSource.h"
#include "ui/Twips.h"

#include <QWidget>

#include <array>
#include <memory>
#include <span>

class QDataWidgetMapper;
class QLineEdit;
class QPushButton;

namespace miravo {

class Announcer;
class RecordNavigator;

inline constexpr int EditorFieldHeight = 285;
inline constexpr int EditorLabelHeight = 255;
inline constexpr int EditorButtonWidth = 1095;
inline constexpr int EditorButtonHeight = 300;
inline constexpr int EditorNavigatorHeight = 375;

struct EditorField {
    int index;          // txtFields(index)
    const char* column; // the bound column; the label's caption is its name and a colon
    TwipsRect field;
    TwipsRect label;
};

// The five buttons stand in one row: Add, Update, Delete, Refresh, Close.
struct EditorButtonRow {
    int top;
    std::array<int, 5> lefts;
};

struct EditorDesign {
    const char* windowName; // "frmClients"
    const char* title;
    const char* table;
    const char* sourceName; // the data source, its navigation bar and its caption: "datClients"
    int clientWidth;        // twips
    int clientHeight;
    std::span<const EditorField> fields; // in screen order, top to bottom
    EditorButtonRow buttons;
    TwipsRect navigator;
    std::span<const char* const> tabOrder; // object names; the first takes the focus when the window opens
};

class RecordEditor : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordEditor)

public:
    ~RecordEditor() override;

protected:
    // Opens the table; a table that cannot be opened leaves the window Empty, and it says so once shown.
    RecordEditor(const EditorDesign& design, QWidget* parent);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void bindFields();
    void showRecord(int row);

    // Stores the values of the record being left, when there is anything to store. False, with the message
    // shown and the values kept in the fields, when the store refused them.
    bool leaveRecord();
    bool storeRecord();
    // A refused store's message, unless the window is closing after the user was told once already.
    void tell(const QString& text);
    bool fieldsChanged() const;
    bool anyFieldFilled() const;
    QStringList fieldTexts() const;
    void setFieldTexts(const QStringList& texts);

    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdRefresh_Click();
    void datSource_Move(RecordMove move);
    // Says which record is shown now, and the focused field's value on it.
    void announceRecord();

    const EditorDesign& m_design;
    QStringList m_columns;         // by field index
    QList<QLineEdit*> m_txtFields; // by field index
    RecordNavigator* m_navigator = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QPushButton* m_cmdUpdate = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QPushButton* m_cmdRefresh = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QDataWidgetMapper* m_mapper = nullptr;
    Announcer* m_announcer = nullptr;
    std::unique_ptr<RecordSource> m_source;
    QString m_openFailure; // why the table cannot be opened, or stored into: shown once the window is on screen
    bool m_closeRefused = false;
    bool m_quiet = false;             // while a second close tries the store once more
    bool m_refreshDropsEdits = false; // the last store was refused: another program changed the record
};

} // namespace miravo
