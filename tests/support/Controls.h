// SPDX-License-Identifier: GPL-3.0-or-later
// Finding and driving a window's controls as a person would: by the control's name, through its list.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QToolBar>
#include <QWidget>
#include <QtTest>

namespace miravo::test {

// The window's control of that name. A missing control fails the running test case, and only that one: the
// case goes on with a nameless stand-in of the window's own, so that its later steps do not crash, and no check
// after the failure can turn the case green again.
template <typename T>
T* control(QWidget* window, const QString& name)
{
    if (auto* found = window->findChild<T*>(name))
        return found;
    QTest::qFail(qPrintable(QStringLiteral("no control %1").arg(name)), __FILE__, __LINE__);
    return new T(window);
}

// A person clicks the control of that name with the left mouse button. A toolbar's button has no name of its own:
// it is found through the named action it shows.
inline void click(QWidget* window, const QString& name)
{
    if (!window->findChild<QWidget*>(name)) {
        if (auto* action = window->findChild<QAction*>(name)) {
            for (QObject* shownOn : action->associatedObjects()) {
                const auto* toolbar = qobject_cast<QToolBar*>(shownOn);
                if (QWidget* button = toolbar ? toolbar->widgetForAction(action) : nullptr) {
                    QTest::mouseClick(button, Qt::LeftButton);
                    return;
                }
            }
        }
    }
    QTest::mouseClick(control<QWidget>(window, name), Qt::LeftButton);
}

// The entries of a drop-down list, in list order.
inline QStringList entries(const QComboBox* combo)
{
    QStringList result;
    for (int i = 0; i < combo->count(); ++i)
        result.append(combo->itemText(i));
    return result;
}

// A person picks an entry of a drop-down list: the entry becomes current and the list reports the pick.
inline void pick(QComboBox* combo, const QString& entry)
{
    const int index = combo->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(entry));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace miravo::test
