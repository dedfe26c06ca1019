// The program's arguments: [--port N] [--verify] COMMAND [ARGS] [FLAGS],
// or --help (-h) or --version. Options precede the command, the command's
// own flags follow it; "--" ends either.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct TCliCommand;

struct TInvocation
{
    bool help = false;
    bool version = false;
    std::optional<int> port;
    bool verify = false; // read written bytes back and compare
    const TCliCommand *command = nullptr;
    QStringList arguments;
    QStringList options; // the command's own flags given after its name
};

namespace CommandLine {

// arguments as QCoreApplication::arguments() gives them. Throws
// TInputError for an unknown option or command or a wrong argument count.
TInvocation Parse(const QStringList &arguments);

QString HelpText();

} // namespace CommandLine
