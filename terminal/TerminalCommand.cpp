#include "TerminalCommand.h"

#include "Exchange.h"
#include "ExchangeLine.h"
#include "Terminal.h"
#include "common/Cp1251.h"
#include "common/Error.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <utility>

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
    m_exchange.BeginCommand(this);

    TExchangeLine &line = m_exchange.Line();
    m_succeeded = false;
    m_parser.Begin(CommandText);
    m_errorText.clear();
    m_cause = TErrorPlace::TCause::None;
    m_received = false;
    m_step = Step;
    m_step.Command = CommandText;
    m_timeoutMs = line.CommandTimeout();
    m_timer.start(m_timeoutMs);
    m_exchange.Announce(m_step);

    try {
        m_terminal.Open();
        if (std::exchange(line.m_lateAnswerPossible, false))
            m_terminal.DiscardInput();
        m_terminal.Send(CommandText + '\r');
    } catch (const TError &error) {
        Finish();
        throw TError(error.Message(), error.Place().IsEmpty() ? PlaceOf(m_step) : error.Place());
    } catch (...) {
        Finish();
        throw;
    }
}

void TTerminalCommand::Execute(const QByteArray &CommandText, const TExchangeStep &Step)
{
    Start(CommandText, Step);
    while (Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!m_succeeded) {
        TErrorPlace place = PlaceOf(m_step);
        place.Cause = m_cause;
        place.TimeoutMs = m_timeoutMs;
        if (m_cause == TErrorPlace::TCause::LinkFailed)
            place.LinkText = m_errorText;
        throw TError(Cp1251::toUnicode(CommandText), place);
    }
}

bool TTerminalCommand::Busy() const
{
    return m_exchange.Line().CommandRunning(this);
}

void TTerminalCommand::Finish()
{
    if (!Busy())
        return;
    m_timer.stop();
    // Execute() may be inside processEvents(), which some event dispatchers
    // (the plain POSIX one) would otherwise go on waiting in.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->interrupt();
    m_exchange.EndCommand(this, m_step, m_succeeded);
}

void TTerminalCommand::HandleData(const QByteArray &chunk)
{
    if (!Busy())
        return;
    m_timer.stop();
    m_received = true;
    if (m_parser.Feed(chunk)) {
        m_succeeded = true;
        Finish();
        return;
    }
    m_timer.start(m_exchange.Line().CommandTimeout());
}

void TTerminalCommand::HandleClose()
{
    if (!Busy())
        return;
    m_errorText = QStringLiteral("Порт закрыт");
    m_cause = TErrorPlace::TCause::PortClosed;
    Finish();
}

void TTerminalCommand::HandleError(const QString &text)
{
    if (!Busy())
        return;
    m_errorText = text;
    m_cause = TErrorPlace::TCause::LinkFailed;
    Finish();
}

void TTerminalCommand::HandleTimeout()
{
    if (!Busy())
        return;
    m_errorText = QStringLiteral("Таймаут");
    using TCause = TErrorPlace::TCause;
    m_cause = !m_received ? TCause::NoAnswer : m_parser.EchoPending() ? TCause::NoEcho : TCause::NoPrompt;
    m_exchange.Line().m_lateAnswerPossible = true;
    Finish();
}
