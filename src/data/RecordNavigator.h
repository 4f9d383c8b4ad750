// The navigation bar of a record editor window (datClients, datVendors): buttons for the first, previous, next
// and last record with the data source's name as caption between them. It only asks for moves; the window
// stores the record being left and makes the move.
#pragma once

#include "data/RecordSource.h"

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

signals:
    void moveRequested(miravo::RecordMove move);

private:
    QToolButton* addButton(const char* objectName, const QString& text, const QString& toolTip, RecordMove move);
};

} // namespace miravo
