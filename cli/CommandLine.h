// The program's arguments: [--port N] [--no-verify] COMMAND [ARGS] [FLAGS],
// or --help (-h) or --version. Options precede the command, the command's
// own flags follow it, and so may the options where that is unambiguous;
// "--" ends either.
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
    bool verify = true; // read written bytes back and compare
    const TCliCommand *command = nullptr;
    QStringList arguments;
    QStringList options; // the command's own flags given after its name
};

namespace CommandLine {

// arguments as QCoreApplication::arguments() gives them. Throws
// TInputError for an unknown option or command, a wrong argument count, or
// an option after the command that contradicts one before it or belongs
// before it (--version).
TInvocation Parse(const QStringList &arguments);

QString HelpText();

} // namespace CommandLine
