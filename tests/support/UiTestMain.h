#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <ctime>

// main() of a window test: its own data and settings folders, a fixed time zone
// and locale, and the offscreen platform, so no test needs a display or touches
// the user's data.
#define TESSARY_UI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        if (!home.isValid())                                                                       \
            return 2;                                                                              \
        setenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit().constData(), \
               1);                                                                                 \
        setenv("XDG_CONFIG_HOME",                                                                  \
               (home.path() + QStringLiteral("/config")).toLocal8Bit().constData(), 1);            \
        setenv("TZ", "Europe/Amsterdam", 1);                                                       \
        tzset();                                                                                   \
        setenv("LANG", "C.UTF-8", 1);                                                              \
        unsetenv("LANGUAGE");                                                                      \
        unsetenv("LC_ALL");                                                                        \
        unsetenv("LC_MESSAGES");                                                                   \
        setenv("QT_QPA_PLATFORM", "offscreen", 1);                                                 \
        QApplication app(argc, argv);                                                              \
        QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));                          \
        QCoreApplication::setApplicationName(QStringLiteral("Tessary"));                           \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
