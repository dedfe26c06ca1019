#include "TerminalCommand.h"

#include "Exchange.h"
#include "ExchangeLine.h"
#include "Terminal.h"
#include "common/Cp1251.h"
#include "common/Error.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

TTerminalCommand::TTerminalCommand(TExchange &exchange) : m_exchange(exchange), m_terminal(exchange.Terminal())
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

void TTerminalCommand::Start(const QByteArray &CommandText, const TExchangeStep &Step)
{
    if (m_busy)
        throw TError(QStringLiteral("Терминал занят"));
    m_exchange.BeginCommand(this);

    m_busy = true;
    m_succeeded = false;
    m_parser.Begin(CommandText);
    m_errorText.clear();
    m_step = Step;
    m_step.Command = CommandText;
    m_timer.start(m_exchange.Line().CommandTimeout());
    m_exchange.Announce(m_step);

    try {
        m_terminal.Open();
        m_terminal.Send(CommandText + '\r');
    } catch (...) {
        Finish();
        throw;
    }
}

void TTerminalCommand::Execute(const QByteArray &CommandText, const TExchangeStep &Step)
{
    Start(CommandText, Step);
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
    // Execute() may be inside processEvents(), which some event dispatchers
    // (the plain POSIX one) would otherwise go on waiting in.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->interrupt();
    m_exchange.EndCommand(this, m_step, m_succeeded);
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
    m_timer.start(m_exchange.Line().CommandTimeout());
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
