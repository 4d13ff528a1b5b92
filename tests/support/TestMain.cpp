#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#ifdef TESSARY_GUI_TEST_MAIN
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
using TestApplication = QCoreApplication;
#endif

// Every test process works in folders of its own and in a fixed time zone and
// locale, so no test reads or writes the user's real data or preferences. A test
// registered with TESSARY_TEST_KEEP_LOCALE set keeps the locale it was given.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    prepare_test_environment(home.path());
#ifdef TESSARY_GUI_TEST_MAIN
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif

    // A peer that hangs up must not kill the process that writes to it (the
    // local test servers, TLS writes on a closed connection).
    std::signal(SIGPIPE, SIG_IGN);

    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
