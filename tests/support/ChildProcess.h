// Running a program of the project as a child process in a test.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// A child that hangs this long fails its test.
constexpr int kChildGuardMs = 60000;

struct CliResult
{
    int exitCode = -1; // -1: did not start, crashed or hung
    QByteArray out;
    QByteArray err;
};

// Starts program in the prepared process, hands it input and closes its
// standard input, and waits for its end (a hung child is killed).
inline CliResult RunToEnd(QProcess &process, const QString &program, const QStringList &arguments,
                          const QByteArray &input = {})
{
    process.start(program, arguments);
    CliResult result;
    if (!process.waitForStarted(kChildGuardMs))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kChildGuardMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
