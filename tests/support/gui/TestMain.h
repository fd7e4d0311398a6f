#pragma once

#include "TApplication.h"

#include <QObject>
#include <QRegularExpression>
#include <QtTest>

// Like QTEST_MAIN, but with the program's own application object, so an
// exception escaping a handler reaches the standard error box as it does in
// the program.
#define ZX_TEST_MAIN(TestClass)                                                                                        \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        TApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }

// The base of the suites that build the main window: a handler misspelt in
// the design only warns at run time, so every test function fails on that
// warning. QtTest finds this init() through the suite's meta-object.
class MainWindowSuite : public QObject
{
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("QObject::connect"))); }
};
