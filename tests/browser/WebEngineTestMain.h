// main() for the tests that run the browser engine: it prepares the application for the engine before creating
// it, as the program's own main() does; QTEST_MAIN gives no place for that.
#pragma once

#include "browser/BrowserLoader.h"

#include <QApplication>
#include <QtTest>

#define MIRAVO_WEBENGINE_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        miravo::prepareApplicationForBrowser();                                                                        \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
