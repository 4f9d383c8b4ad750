// SPDX-License-Identifier: GPL-3.0-or-later
// main() for the tests that run the browser engine: the application is created as the program's own main() does
// (nothing prepared for the engine), with 96 dots per inch so that the designed sizes are exact pixels.
#pragma once

#include <QApplication>
#include <QtTest>

#define MIRAVO_WEBENGINE_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
