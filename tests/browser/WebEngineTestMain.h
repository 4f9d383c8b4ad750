// main() for the tests that run the browser engine. The engine wants OpenGL context sharing switched on before
// the application object exists, as the program's own main() does; QTEST_MAIN gives no place for that.
#pragma once

#include <QApplication>
#include <QtTest>

#define MIRAVO_WEBENGINE_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char* argv[]) {                                                                                 \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                                    \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
