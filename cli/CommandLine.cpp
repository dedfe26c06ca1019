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
    QStringList words = QStringList{command.name} + command.arguments;
    for (const QString &option : command.options)
        words.append(QStringLiteral("[%1]").arg(option));
    return words.join(u' ');
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
        } else {
            throw TInputError(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (i == arguments.size())
        throw TInputError(QStringLiteral("no command given"));

    invocation.command = CliCommands::Find(arguments.at(i));
    if (!invocation.command)
        throw TInputError(QStringLiteral("unknown command '%1'").arg(arguments.at(i)));
    QStringList options;
    for (const QString &argument : arguments.mid(i + 1)) {
        if (!argument.startsWith(QStringLiteral("--"))) {
            invocation.arguments.append(argument);
        } else if (!invocation.command->options.contains(argument)) {
            throw TInputError(QStringLiteral("%1: unknown option %2").arg(invocation.command->name, argument));
        } else if (!options.contains(argument)) {
            options.append(argument);
        }
    }
    if (invocation.arguments.size() != invocation.command->arguments.size())
        throw TInputError(QStringLiteral("usage: kolt-tarvo-cli [--port N] %1").arg(Synopsis(*invocation.command)));
    invocation.arguments += options;
    return invocation;
}

QString HelpText()
{
    QString text = QStringLiteral("Usage: kolt-tarvo-cli [--port N] COMMAND [ARGS]\n\nCommands:\n");
    for (const TCliCommand &command : CliCommands::All())
        text += QStringLiteral("  %1 %2\n").arg(Synopsis(command), -29).arg(command.summary);
    text += QStringLiteral(
        "\n"
        "Options:\n"
        "  --port N   COM port number; else the port in the GUI's settings file\n"
        "             (kolt-tarvo-conf.ini beside this program, section \"conn\",\n"
        "             key \"port\"), else 1\n"
        "  --help     this text\n"
        "\n"
        "Environment:\n"
        "  KOLT_TARVO_PORTS       directory in which port N is the device COM<N>\n"
        "                         (POSIX; else /dev/ttyS<N-1>)\n"
        "  KOLT_TARVO_SETTINGS    settings file to use instead of the GUI's\n"
        "  KOLT_TARVO_TIMEOUT_MS  inactivity time-out of one command in\n"
        "                         milliseconds (default 10000)\n"
        "\n"
        "JSON texts are UTF-8. Progress shows on standard error when it is a\n"
        "terminal. Exit status: 0 done, 1 controller or port error, 2 bad input\n"
        "or usage (nothing was written).\n"
        "\n"
        "Tables with --csv: \"height;volume\" lines behind a header line. Written\n"
        "tables may come at any heights, one pair a line, separated by a tab, a\n"
        "semicolon or a comma, with a decimal comma or point; the volumes at\n"
        "heights 0, 10, ..., 3990 are interpolated between the nearest given\n"
        "heights and rounded. Heights outside the given range stay empty and are\n"
        "written as 0; below the tank's hmax (read from \"config\"; tanks 7..16:\n"
        "every height) that is refused unless --allow-gaps.\n");
    return text;
}

} // namespace CommandLine
