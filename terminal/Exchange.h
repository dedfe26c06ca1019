// One controller operation: it holds its TExchangeLine from construction to
// destruction, and numbers its commands for the line's observers.
#pragma once

#include "ExchangeStep.h"
#include "common/Error.h"

class TExchangeLine;
class TTerminal;
class TTerminalCommand;

class TExchange
{
public:
    // Claims Line for an operation that sends what Plan counts. Throws
    // TError "Терминал занят" while another operation holds it.
    explicit TExchange(TExchangeLine &Line, const TExchangePlan &Plan = {});
    ~TExchange();

    TExchange(const TExchange &) = delete;
    TExchange &operator=(const TExchange &) = delete;

    TExchangeLine &Line() const { return m_line; }
    TTerminal &Terminal() const;
    const TExchangePlan &Plan() const { return m_plan; }

    // An error about the operation's last command: its answer was found
    // wanting for Message (at the answer line AnswerLine, from 1, when
    // given). The error names the command and what it moved.
    TError Failure(const QString &Message, int AnswerLine = 0) const;

private:
    friend class TTerminalCommand;

    // A command of the operation begins; the line refuses it while another
    // one waits for its answer.
    void BeginCommand(const TTerminalCommand *command);
    // Numbers Step as the operation's next command and announces it.
    void Announce(TExchangeStep &Step);
    // The command has ended; announced when it was the one running.
    void EndCommand(const TTerminalCommand *command, const TExchangeStep &Step, bool Succeeded);

    TExchangeLine &m_line;
    const TExchangePlan m_plan;
    int m_started = 0;
    TExchangeStep m_lastStep{}; // the command announced last
};
