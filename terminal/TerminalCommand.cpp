#include "TerminalCommand.h"

#include "Terminal.h"
#include "common/Cp1251.h"
#include "common/Error.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

TTerminalCommand::TTerminalCommand(TTerminal &terminal) : m_terminal(terminal)
{
    m_link.OnClose = [this](TTerminal *) { HandleClose(); };
    m_link.OnError = [this](TTerminal *, const QString &text) { HandleError(text); };
    m_link.OnData = [this](TTerminal *, const QByteArray &chunk) { HandleData(chunk); };
    m_terminal.AddLink(&m_link);

    m_timer.setSingleShot(true);
    // An inactivity limit is never cut short: a coarse timer may fire up to
    // 5 % early.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { HandleTimeout(); });
}

TTerminalCommand::~TTerminalCommand()
{
    Finish();
    m_terminal.RemoveLink(&m_link);
}

void TTerminalCommand::Start(const QByteArray &CommandText)
{
    if (m_busy || !m_terminal.ClaimExchange(this))
        throw TError(QStringLiteral("Терминал занят"));

    m_busy = true;
    m_succeeded = false;
    m_parser.Begin(CommandText);
    m_errorText.clear();
    m_command = CommandText;
    m_timer.start(m_terminal.CommandTimeout());
    emit m_terminal.commandStarted(m_command);

    try {
        m_terminal.Open();
        m_terminal.Send(CommandText + '\r');
    } catch (...) {
        Finish();
        throw;
    }
}

void TTerminalCommand::Execute(const QByteArray &CommandText)
{
    Start(CommandText);
    while (m_busy)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!m_succeeded)
        throw TError(Cp1251::toUnicode(CommandText));
}

void TTerminalCommand::Finish()
{
    if (!m_busy)
        return;
    m_busy = false;
    m_timer.stop();
    m_terminal.ReleaseExchange(this);
    // Execute() may be inside processEvents(), which some event dispatchers
    // (the plain POSIX one) would otherwise go on waiting in.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->interrupt();
    emit m_terminal.commandFinished(m_command, m_succeeded);
}

void TTerminalCommand::HandleData(const QByteArray &chunk)
{
    if (!m_busy)
        return;
    m_timer.stop();
    if (m_parser.Feed(chunk)) {
        m_succeeded = true;
        Finish();
        return;
    }
    m_timer.start(m_terminal.CommandTimeout());
}

void TTerminalCommand::HandleClose()
{
    if (!m_busy)
        return;
    m_errorText = QStringLiteral("Порт закрыт");
    Finish();
}

void TTerminalCommand::HandleError(const QString &text)
{
    if (!m_busy)
        return;
    m_errorText = text;
    Finish();
}

void TTerminalCommand::HandleTimeout()
{
    if (!m_busy)
        return;
    m_errorText = QStringLiteral("Таймаут");
    Finish();
}
