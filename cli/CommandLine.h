// The program's arguments: [--port N] [--verify] COMMAND [ARGS], or --help.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct TCliCommand;

struct TInvocation
{
    bool help = false;
    std::optional<int> port;
    bool verify = false; // read written bytes back and compare
    const TCliCommand *command = nullptr;
    QStringList arguments;
};

namespace CommandLine {

// arguments as QCoreApplication::arguments() gives them. Throws
// TInputError for an unknown option or command or a wrong argument count.
TInvocation Parse(const QStringList &arguments);

QString HelpText();

} // namespace CommandLine
