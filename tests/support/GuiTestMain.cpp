#include "TestEnvironment.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

// main() of a test that draws (fonts, text layout, PDF): like the plain test main,
// its own data and configuration folders and a fixed time zone and locale, and a
// QGuiApplication on the offscreen platform, so no display is needed.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    prepare_test_environment(home.path());
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::signal(SIGPIPE, SIG_IGN);

    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
