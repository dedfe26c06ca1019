#include "Exchange.h"

#include "ExchangeLine.h"

TExchange::TExchange(TExchangeLine &Line, const TExchangePlan &Plan) : m_line(Line), m_plan(Plan)
{
    m_line.Claim(this);
}

TExchange::~TExchange()
{
    m_line.Release(this);
}

TTerminal &TExchange::Terminal() const
{
    return m_line.Terminal();
}

void TExchange::BeginCommand(const TTerminalCommand *command)
{
    m_line.BeginCommand(command);
}

TErrorPlace PlaceOf(const TExchangeStep &Step)
{
    QByteArray command = Step.Command;
    // A write's data says nothing to the reader of an error.
    if (Step.Kind == TExchangeStep::TKind::Write)
        command.truncate(command.lastIndexOf(' '));
    return {.Command = command, .File = Step.File, .Part = Step.Part};
}

TError TExchange::Failure(const QString &Message, int AnswerLine) const
{
    TErrorPlace place = PlaceOf(m_lastStep);
    place.AnswerLine = AnswerLine;
    return TError(Message, place);
}

void TExchange::Announce(TExchangeStep &Step)
{
    Step.Number = ++m_started;
    Step.Plan = m_plan;
    m_lastStep = Step;
    emit m_line.commandStarted(Step);
}

void TExchange::EndCommand(const TTerminalCommand *command, const TExchangeStep &Step, bool Succeeded)
{
    if (!m_line.EndCommand(command))
        return;
    emit m_line.commandFinished(Step, Succeeded);
}
