#include "CommandLine.h"

#include "Commands.h"
#include "InputError.h"
#include "common/Settings.h"

namespace {

int PortNumber(const QString &text)
{
    int port = 0;
    if (!Settings::ParsePort(text, &port))
        throw TInputError(QStringLiteral("--port: '%1' is not a port number").arg(text));
    return port;
}

QString Synopsis(const TCliCommand &command)
{
    return (QStringList{command.name} + command.arguments).join(u' ');
}

QString Usage(const TCliCommand &command)
{
    return QStringLiteral("kolt-tarvo-cli [--port N] %1%2")
        .arg(command.verifies ? QStringLiteral("[--verify] ") : QString(), Synopsis(command));
}

QStringList VerifyingCommands()
{
    QStringList names;
    for (const TCliCommand &command : CliCommands::All()) {
        if (command.verifies)
            names << command.name;
    }
    return names;
}

} // namespace

namespace CommandLine {

TInvocation Parse(const QStringList &arguments)
{
    TInvocation invocation;
    qsizetype i = 1;
    for (; i < arguments.size() && arguments.at(i).startsWith(QStringLiteral("--")); ++i) {
        const QString option = arguments.at(i);
        if (option == QStringLiteral("--")) {
            ++i;
            break;
        }
        if (option == QStringLiteral("--help")) {
            invocation.help = true;
            return invocation;
        }
        if (option == QStringLiteral("--port")) {
            if (++i == arguments.size())
                throw TInputError(QStringLiteral("--port: a port number must follow"));
            invocation.port = PortNumber(arguments.at(i));
        } else if (option.startsWith(QStringLiteral("--port="))) {
            invocation.port = PortNumber(option.mid(7));
        } else if (option == QStringLiteral("--verify")) {
            invocation.verify = true;
        } else {
            throw TInputError(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (i == arguments.size())
        throw TInputError(QStringLiteral("no command given"));

    invocation.command = CliCommands::Find(arguments.at(i));
    if (!invocation.command)
        throw TInputError(QStringLiteral("unknown command '%1'").arg(arguments.at(i)));
    invocation.arguments = arguments.mid(i + 1);
    if (invocation.arguments.size() != invocation.command->arguments.size())
        throw TInputError(QStringLiteral("usage: %1").arg(Usage(*invocation.command)));
    if (invocation.verify && !invocation.command->verifies)
        throw TInputError(QStringLiteral("--verify: only %1 verify what they write").arg(VerifyingCommands().join(QStringLiteral(", "))));
    return invocation;
}

QString HelpText()
{
    QString text = QStringLiteral("Usage: kolt-tarvo-cli [--port N] [--verify] COMMAND [ARGS]\n\nCommands:\n");
    for (const TCliCommand &command : CliCommands::All())
        text += QStringLiteral("  %1%2\n").arg(Synopsis(command), -30).arg(command.summary);
    text += QStringLiteral(
        "\n"
        "Options:\n"
        "  --port N   COM port number; else the port in the GUI's settings file\n"
        "             (kolt-tarvo-conf.ini beside this program, section \"conn\",\n"
        "             key \"port\"), else 1\n"
        "  --verify   for ");
    text += VerifyingCommands().join(QStringLiteral(", "));
    text += QStringLiteral(
        ": read what was written\n"
        "             back and compare it byte for byte, the configuration before\n"
        "             \"reload\"\n"
        "  --help     this text\n"
        "\n"
        "Environment:\n"
        "  KOLT_TARVO_PORTS       directory in which port N is the device COM<N>\n"
        "                         (POSIX; when unset, /dev/ttyS<N-1>)\n"
        "  KOLT_TARVO_SETTINGS    settings file to use instead of the GUI's\n"
        "  KOLT_TARVO_TIMEOUT_MS  inactivity time-out of one command in\n"
        "                         milliseconds (default 10000)\n"
        "\n"
        "JSON texts are UTF-8. Progress shows on standard error when it is a\n"
        "terminal. Exit status: 0 done; 1 controller or port error, a difference\n"
        "found, or output that could not be written; 2 bad input or usage\n"
        "(nothing was sent); 128 + N ended by signal N (SIGINT, SIGTERM), with\n"
        "what was written so far on standard error.\n");
    return text;
}

} // namespace CommandLine
