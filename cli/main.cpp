// kolt-tarvo-cli: the configuration tool's command-line companion.
#include "CliSettings.h"
#include "CommandLine.h"
#include "Commands.h"
#include "InputError.h"
#include "StdStreams.h"
#include "common/Error.h"
#include "common/ErrorText.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>

namespace {

enum ExitStatus { Done = 0, ControllerError = 1, InputError = 2 };

int Run(const QCoreApplication &application)
{
    if (application.arguments().size() == 2 && application.arguments().at(1) == QStringLiteral("--version")) {
        StdStreams::WriteOutput(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QStringLiteral(KOLT_VERSION)).toUtf8());
        return Done;
    }
    const TInvocation invocation = CommandLine::Parse(application.arguments());
    if (invocation.help) {
        StdStreams::WriteOutput(CommandLine::HelpText().toUtf8());
        return Done;
    }
    TTerminal terminal;
    terminal.SetPortNumber(CliSettings::ChoosePort(invocation.port, application.applicationFilePath()));
    if (const auto timeout = CliSettings::CommandTimeout())
        terminal.SetCommandTimeout(*timeout);
    invocation.command->run(terminal, invocation.arguments);
    return Done;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    try {
        return Run(application);
    } catch (const TInputError &error) {
        StdStreams::WriteError(QStringLiteral("kolt-tarvo-cli: %1\n").arg(error.Message()).toUtf8());
        return InputError;
    } catch (const TError &error) {
        // The text the GUI's error box shows.
        StdStreams::WriteError((ErrorText::WithFullStop(error.Message()) + u'\n').toUtf8());
        return ControllerError;
    }
}
