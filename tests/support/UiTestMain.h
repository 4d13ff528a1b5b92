#pragma once

#include "TestEnvironment.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

// main() of a window test: its own data and settings folders, a fixed time zone
// and locale, and the offscreen platform, so no test needs a display or touches
// the user's data.
#define TESSARY_UI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        if (!home.isValid())                                                                       \
            return 2;                                                                              \
        prepare_test_environment(home.path());                                                     \
        setenv("QT_QPA_PLATFORM", "offscreen", 1);                                                 \
        QApplication app(argc, argv);                                                              \
        QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));                          \
        QCoreApplication::setApplicationName(QStringLiteral("Tessary"));                           \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
