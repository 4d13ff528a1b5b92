#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

// The built `tessary` executable run to its end, without a terminal and with
// nothing on standard input. Test targets define TESSARY_EXECUTABLE.
struct ProcessResult {
    int exit_code = -1;
    QByteArray out;
    QByteArray err;
};

inline ProcessResult run_tessary(const QStringList& arguments,
                                 const QProcessEnvironment& environment = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TESSARY_EXECUTABLE), arguments);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30'000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}
