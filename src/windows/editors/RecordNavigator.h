// SPDX-License-Identifier: GPL-3.0-or-later
// The navigation bar of a record editor window (datClients, datVendors): buttons for the first, previous, next
// and last record with the data source's name as caption between them. It only asks for moves; the window
// stores the record being left and makes the move. The buttons take the focus by Tab, and their keys
// (Ctrl+Home, Ctrl+PgUp, Ctrl+PgDown, Ctrl+End, named in the tooltips) work anywhere in the window, fields
// included.
#pragma once

#include "data/RecordSource.h"

#include <QKeySequence>
#include <QList>
#include <QWidget>

class QLabel;
class QToolButton;

namespace miravo {

class RecordNavigator final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordNavigator)

public:
    // The object name and the caption are both `name` ("datClients").
    explicit RecordNavigator(const QString& name, QWidget* parent = nullptr);

    // First, previous, next, last: for the window's tab order.
    QList<QWidget*> buttons() const { return m_buttons; }

    // A text field claims Ctrl+Home and Ctrl+End for its own cursor; in `field` they move through the records.
    void takeKeysFrom(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void moveRequested(miravo::RecordMove move);

private:
    QToolButton* addButton(const char* objectName, const QString& text, const QString& name, const QKeySequence& keys,
                           RecordMove move);

    QList<QWidget*> m_buttons;
    QList<QKeySequence> m_keys;
};

} // namespace miravo
