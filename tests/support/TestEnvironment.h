#pragma once

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <ctime>

// Gives a test process data and configuration folders of its own under `home`
// and a fixed time zone and locale, so no test reads or writes the user's real
// data or preferences. A test registered with TESSARY_TEST_KEEP_LOCALE set
// keeps the locale it was given.
inline void prepare_test_environment(const QString& home)
{
    const auto set = [](const char* name, const QByteArray& value) {
        setenv(name, value.constData(), 1);
    };
    set("XDG_DATA_HOME", (home + QStringLiteral("/data")).toLocal8Bit());
    set("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toLocal8Bit());
    set("TZ", "Europe/Amsterdam");
    tzset();
    if (!qEnvironmentVariableIsSet("TESSARY_TEST_KEEP_LOCALE")) {
        set("LANG", "C.UTF-8");
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
    }
}
