#include "CommandLine.h"

#include "Commands.h"
#include "station/InputError.h"
#include "common/Settings.h"
#include "terminal/RemoteFile.h"

#include <QCommandLineParser>

namespace {

const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")});
const QCommandLineOption kVersion(QStringLiteral("version"));
const QCommandLineOption kPort(QStringLiteral("port"), QString(), QStringLiteral("N"));
const QCommandLineOption kVerify(QStringLiteral("verify")); // the default, kept accepted
const QCommandLineOption kNoVerify(QStringLiteral("no-verify"));

// The options that may follow the command as well.
const QList<QCommandLineOption> kAnywhere{kPort, kVerify, kNoVerify};

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
    for (const QString &argument : command.optional)
        words.append(QStringLiteral("[%1]").arg(argument));
    for (const QString &option : command.options)
        words.append(QStringLiteral("[%1]").arg(option));
    return words.join(u' ');
}

QString Usage(const TCliCommand &command)
{
    return QStringLiteral("kolt-tarvo-cli [--port N] %1%2")
        .arg(command.verifies ? QStringLiteral("[--no-verify] ") : QString(), Synopsis(command));
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

// A command's flags are listed with their two dashes.
QString FlagName(const QString &flag)
{
    return flag.mid(2);
}

// The parser reads every word that begins with '-' as options; one that
// begins with '-' and a digit is an argument (a negative offset, say), as
// no option's name begins with a digit. It passes the parser behind a NUL,
// which no word of a command line can hold.
QStringList ProtectNumbers(QStringList words)
{
    for (QString &word : words) {
        if (word.size() > 1 && word.at(0) == u'-' && word.at(1).isDigit())
            word.prepend(QChar(0));
    }
    return words;
}

QString UnprotectNumber(QString word)
{
    if (word.startsWith(QChar(0)))
        word.remove(0, 1);
    return word;
}

QStringList UnprotectNumbers(QStringList words)
{
    for (QString &word : words)
        word = UnprotectNumber(word);
    return words;
}

// The port and the choice of checking, from the options before the command
// (program) and after it (own).
void TakeOptions(const QCommandLineParser &program, const QCommandLineParser &own, const TCliCommand &command,
                 TInvocation &invocation)
{
    if (program.isSet(kPort))
        invocation.port = PortNumber(program.value(kPort));
    if (own.isSet(kPort)) {
        const int after = PortNumber(UnprotectNumber(own.value(kPort)));
        if (invocation.port && *invocation.port != after)
            throw TInputError(QStringLiteral("--port: %1 before the command and %2 after it; give it once")
                                  .arg(*invocation.port)
                                  .arg(after));
        invocation.port = after;
    }
    const bool verify = program.isSet(kVerify) || own.isSet(kVerify);
    const bool noVerify = program.isSet(kNoVerify) || own.isSet(kNoVerify);
    if (verify && noVerify)
        throw TInputError(QStringLiteral("--verify, --no-verify: give one of them"));
    if ((verify || noVerify) && !command.verifies)
        throw TInputError(QStringLiteral("%1: only %2 verify what they write")
                              .arg(noVerify ? QStringLiteral("--no-verify") : QStringLiteral("--verify"),
                                   VerifyingCommands().join(QStringLiteral(", "))));
    invocation.verify = !noVerify;
}

// The option name as words spell it: "--name" or the short "-n".
QString Spelling(const QString &name, const QStringList &words)
{
    const QString dashed = QStringLiteral("--") + name;
    for (const QString &word : words) {
        if (word == QStringLiteral("--"))
            break;
        if (word == dashed || word.startsWith(dashed + u'='))
            return dashed;
    }
    return u'-' + name;
}

// Parses words (the first one, the program, is skipped) with these options;
// throws TInputError for what the parser refuses, its text led by prefix.
void ParseWords(QCommandLineParser &parser, const QList<QCommandLineOption> &options, const QStringList &words,
                const QString &prefix)
{
    parser.addOptions(options);
    if (parser.parse(words))
        return;
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        throw TInputError(prefix + QStringLiteral("unknown option %1").arg(Spelling(unknown.first(), words)));
    // Otherwise --port, the one option with a value, ends the words, or a
    // flag is given a value.
    if (words.last() == QStringLiteral("--port"))
        throw TInputError(QStringLiteral("--port: a port number must follow"));
    for (const QString &word : words.mid(1)) {
        if (word == QStringLiteral("--"))
            break;
        const QString name = word.section(u'=', 0, 0);
        if (word.startsWith(QStringLiteral("--")) && name != word && name != QStringLiteral("--port"))
            throw TInputError(prefix + QStringLiteral("%1: takes no value").arg(name));
    }
    throw TInputError(prefix + parser.errorText());
}

} // namespace

namespace CommandLine {

TInvocation Parse(const QStringList &arguments)
{
    TInvocation invocation;
    QCommandLineParser parser;
    // The first word that is no option names the command; what follows it
    // is the command's.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    ParseWords(parser, QList<QCommandLineOption>{kHelp, kVersion} + kAnywhere, arguments, QString());
    invocation.help = parser.isSet(kHelp);
    invocation.version = parser.isSet(kVersion);
    if (invocation.help || invocation.version)
        return invocation;

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw TInputError(QStringLiteral("no command given"));
    const TCliCommand *command = CliCommands::Find(words.first());
    if (!command)
        throw TInputError(QStringLiteral("unknown command '%1'").arg(words.first()));
    invocation.command = command;

    QCommandLineParser own;
    QList<QCommandLineOption> flags = QList<QCommandLineOption>{kHelp, kVersion} + kAnywhere;
    for (const QString &flag : command->options)
        flags.append(QCommandLineOption(FlagName(flag)));
    ParseWords(own, flags, ProtectNumbers(words), command->name + QStringLiteral(": "));
    invocation.help = own.isSet(kHelp);
    if (invocation.help)
        return invocation;
    if (own.isSet(kVersion))
        throw TInputError(command->name + QStringLiteral(": --version goes alone, before any command"));
    TakeOptions(parser, own, *command, invocation);
    for (const QString &flag : command->options) {
        if (own.isSet(FlagName(flag)))
            invocation.options.append(flag);
    }
    invocation.arguments = UnprotectNumbers(own.positionalArguments());

    const qsizetype given = invocation.arguments.size();
    if (given < command->arguments.size() || given > command->arguments.size() + command->optional.size())
        throw TInputError(QStringLiteral("usage: %1").arg(Usage(*command)));
    return invocation;
}

QString HelpText()
{
    QString text = QStringLiteral("Usage: kolt-tarvo-cli [--port N] [--no-verify] COMMAND [ARGS]\n"
                                  "       kolt-tarvo-cli --help | --version\n\nCommands:\n");
    // The summaries in one column; a synopsis wider than it has its own line.
    constexpr int kWidth = 29;
    for (const TCliCommand &command : CliCommands::All()) {
        const QString synopsis = Synopsis(command);
        const QString gap = synopsis.size() > kWidth ? u'\n' + QString(kWidth + 3, u' ') : QStringLiteral(" ");
        text += QStringLiteral("  %1%2%3\n").arg(synopsis, -kWidth).arg(gap, command.summary);
    }
    text += QStringLiteral(
        "\n"
        "Options (before the command, or after it among its flags):\n"
        "  --port N     COM port number (also --port=N); else the port in the GUI's\n"
        "               settings file (kolt-tarvo-conf.ini beside this program,\n"
        "               section \"conn\", key \"port\"), else 1\n"
        "  --no-verify  for ");
    text += VerifyingCommands().join(QStringLiteral(", "));
    text += QStringLiteral(
        ":\n"
        "               do not read what was written back; by default it is read\n"
        "               back and compared, the configuration before \"reload\", and\n"
        "               a difference is named by page and field, tank and heights,\n"
        "               or bytes (--verify, the default, is accepted too)\n"
        "  -h, --help   this text, also after the command\n"
        "  --version    the program's name and version, alone\n"
        "  --           ends the options: the command follows; after the command,\n"
        "               every word that follows is an argument (exec -- -h)\n"
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
        "(nothing was written); 128 + N ended by signal N (SIGINT, SIGTERM), with\n"
        "what was written so far on standard error.\n"
        "\n"
        "diff FILE reads what a restore of FILE writes and lists, in the words of\n"
        "the window's pages, each field and table range that differs, FILE's value\n"
        "first: \"Http · Порт: 8080 → 8081\"; diff FILE FILE2 compares two files\n"
        "without a port. Exit status 0: no difference; 1: differences listed.\n"
        "\n"
        "--changed-only (restore, write-table) reads the controller's bytes first\n"
        "and sends only the %1-byte chunks that differ, then reads back only those;\n"
        "\"reload\" follows a restore's configuration all the same.\n"
        "\n"
        "Tables with --csv: \"height;volume\" lines behind a header line. Written\n"
        "tables may come at any heights, one pair a line, separated by a tab, a\n"
        "semicolon or a comma, with a decimal comma or point; the volumes at\n"
        "heights 0, 10, ..., 3990 are interpolated between the nearest given\n"
        "heights and rounded. Heights outside the given range stay empty and are\n"
        "written as 0; below the tank's hmax (read from \"config\"; tanks 7..16:\n"
        "every height) that is refused unless --allow-gaps.\n").arg(RemoteFileCommand::WriteChunk);
    return text;
}

} // namespace CommandLine
