#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>

namespace {

void set_environment(const char* name, const QByteArray& value)
{
    setenv(name, value.constData(), 1);
}

} // namespace

// main() of a test that draws (fonts, text layout, PDF): like the plain test main,
// its own data and configuration folders and a fixed time zone and locale, and a
// QGuiApplication on the offscreen platform, so no display is needed.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    set_environment("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    set_environment("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    set_environment("TZ", "Europe/Amsterdam");
    tzset();
    if (!qEnvironmentVariableIsSet("TESSARY_TEST_KEEP_LOCALE")) {
        set_environment("LANG", "C.UTF-8");
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
    }
    set_environment("QT_QPA_PLATFORM", "offscreen");
    std::signal(SIGPIPE, SIG_IGN);

    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
