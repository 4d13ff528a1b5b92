#pragma once

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

// Gives a test process data, configuration and runtime folders of its own under `home`
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
    const QByteArray runtime = (home + QStringLiteral("/runtime")).toLocal8Bit();
    mkdir(runtime.constData(), 0700);
    set("XDG_RUNTIME_DIR", runtime);
    set("TZ", "Europe/Amsterdam");
    tzset();
    if (!qEnvironmentVariableIsSet("TESSARY_TEST_KEEP_LOCALE")) {
        set("LANG", "C.UTF-8");
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
    }
}
