// SPDX-License-Identifier: GPL-3.0-or-later
// What the browser tests share: the product page as the test's loopback server serves it, and the browser window
// once "Products" has opened it.
#pragma once

#include "browser/ProductPage.h"

#include <QApplication>
#include <QString>
#include <QWidget>

namespace miravo::test {

inline const QString ProductPath = QString::fromLatin1(ProductPagePath);
inline const QString ProductTitle = QStringLiteral("MiravoDialer products");
// How long a page may take to show its title: the engine's first start is slow under the sanitizers.
constexpr int LoadTimeout = 20000;

// The open browser windows (there is at most one while the program keeps its rule).
inline QWidgetList browserWindows()
{
    QWidgetList found;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("frmBrowser"))
            found.append(window);
    }
    return found;
}

inline QWidget* browserWindow()
{
    const QWidgetList windows = browserWindows();
    return windows.isEmpty() ? nullptr : windows.first();
}

} // namespace miravo::test
