// kolt-tarvo-cli: the configuration tool's command-line companion.
#include "CliSettings.h"
#include "CommandLine.h"
#include "Commands.h"
#include "station/InputError.h"
#include "Interrupt.h"
#include "Progress.h"
#include "StdStreams.h"
#include "WriteLog.h"
#include "common/Error.h"
#include "common/ErrorText.h"
#include "common/Version.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>

namespace {

enum ExitStatus { Done = 0, ControllerError = 1, InputError = 2 };

int Run(const QCoreApplication &application, TExchangeLine &line)
{
    const TInvocation invocation = CommandLine::Parse(application.arguments());
    if (invocation.help) {
        StdStreams::WriteOutput(CommandLine::HelpText().toUtf8());
        return Done;
    }
    if (invocation.version) {
        StdStreams::WriteOutput(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QLatin1String(Version::Number)).toUtf8());
        return Done;
    }
    line.Terminal().SetPortNumber(CliSettings::ChoosePort(invocation.port, application.applicationFilePath()));
    if (const auto timeout = CliSettings::CommandTimeout())
        line.SetCommandTimeout(*timeout);
    invocation.command->run(line, invocation);
    return Done;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    TTerminal terminal;
    TExchangeLine line(terminal);
    TInterrupt interrupt(line);
    TWriteLog log(line);
    TProgress progress(line);
    // Until the port is in use, a signal simply ends the program.
    terminal.OnOpen = [&interrupt](TTerminal *) { interrupt.Arm(); };

    int status = Done;
    try {
        status = Run(application, line);
    } catch (const TInputError &error) {
        StdStreams::WriteError(QStringLiteral("kolt-tarvo-cli: %1\n").arg(error.Message()).toUtf8());
        status = InputError;
    } catch (const TError &error) {
        // Where and why a controller exchange failed, or the text the GUI's
        // error box shows; an interruption speaks for itself below.
        if (interrupt.Signal() == 0)
            StdStreams::WriteError((ErrorText::OneLine(error) + u'\n').toUtf8());
        status = ControllerError;
    }
    if (interrupt.Signal() == 0)
        return status;

    terminal.Close();
    const QStringList report = QStringList{QStringLiteral("kolt-tarvo-cli: interrupted by %1").arg(interrupt.SignalName())}
                               + log.Report();
    StdStreams::WriteError((report.join(u'\n') + u'\n').toUtf8());
    return interrupt.ExitStatus();
}
