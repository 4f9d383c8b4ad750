// Finding and driving a window's controls as a person would: by the control's name, through its list.
#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtTest>

namespace miravo::test {

// The window's control of that name; a missing control ends the test run, since every later step needs it.
template <typename T>
T* control(QWidget* window, const QString& name)
{
    auto* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
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
