#include "ExchangeLine.h"

#include "Exchange.h"
#include "common/Error.h"

TExchangeLine::TExchangeLine(TTerminal &terminal, QObject *parent) : QObject(parent), m_terminal(terminal)
{
}

TExchangePlan TExchangeLine::Plan() const
{
    return m_exchange ? m_exchange->Plan() : TExchangePlan{};
}

void TExchangeLine::RefuseBusy()
{
    throw TError(QStringLiteral("Терминал занят"));
}

void TExchangeLine::Claim(const TExchange *exchange)
{
    if (m_exchange)
        RefuseBusy();
    m_exchange = exchange;
    emit exchangeRunningChanged(true);
}

void TExchangeLine::Release(const TExchange *exchange)
{
    if (m_exchange != exchange)
        return;
    m_exchange = nullptr;
    emit exchangeRunningChanged(false);
}

void TExchangeLine::BeginCommand(const TTerminalCommand *command)
{
    if (m_command)
        RefuseBusy();
    m_command = command;
}

bool TExchangeLine::EndCommand(const TTerminalCommand *command)
{
    if (m_command != command)
        return false;
    m_command = nullptr;
    return true;
}
