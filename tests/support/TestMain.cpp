#include <QCoreApplication>
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

// Every test process works in folders of its own and in a fixed time zone and
// locale, so no test reads or writes the user's real data or preferences. A test
// registered with TESSARY_TEST_KEEP_LOCALE set keeps the locale it was given.
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

    // A peer that hangs up must not kill the process that writes to it (the
    // local test servers, TLS writes on a closed connection).
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
