// The transaction side of a terminal: one controller operation at a time,
// the inactivity limit of its commands, and what it is doing.
//
// How it works: an operation (a read, a write, a table fetch, a line typed
// on the console) holds the line through a TExchange from its start to its
// end, between its commands too, so that whatever follows
// exchangeRunningChanged() stays put for the whole operation. Another
// operation begun meanwhile, from a nested event loop, is refused with
// "Терминал занят"; so is a second command of the operation while one
// waits for its answer, since both would take the same chunks as theirs.
// The terminal underneath stays the bare link.
#pragma once

#include "ExchangeStep.h"

#include <QObject>

class TExchange;
class TTerminal;
class TTerminalCommand;

class TExchangeLine : public QObject
{
    Q_OBJECT

public:
    explicit TExchangeLine(TTerminal &terminal, QObject *parent = nullptr);

    TTerminal &Terminal() const { return m_terminal; }

    // Inactivity limit of every command, in milliseconds.
    int CommandTimeout() const { return m_commandTimeout; }
    void SetCommandTimeout(int milliseconds) { m_commandTimeout = milliseconds; }

    bool ExchangeRunning() const { return m_exchange != nullptr; }
    // Whether Command is the running operation's command that waits for its
    // answer.
    bool CommandRunning(const TTerminalCommand *Command) const { return m_command && m_command == Command; }
    // What the running operation sends; empty when none runs.
    TExchangePlan Plan() const;

signals:
    void exchangeRunningChanged(bool running);
    // A command of the running operation begins, before it is sent, and
    // ends, with or without its prompt.
    void commandStarted(const TExchangeStep &step);
    void commandFinished(const TExchangeStep &step, bool succeeded);

private:
    friend class TExchange;
    friend class TTerminalCommand;

    // The refusal of whatever would share the line: "Терминал занят".
    [[noreturn]] static void RefuseBusy();

    // Refused while another operation holds the line.
    void Claim(const TExchange *exchange);
    void Release(const TExchange *exchange);
    // A command of the holding operation begins; refused while one waits for
    // its answer. Ending tells whether it was the one running.
    void BeginCommand(const TTerminalCommand *command);
    bool EndCommand(const TTerminalCommand *command);

    TTerminal &m_terminal;
    int m_commandTimeout = 10000;
    const TExchange *m_exchange = nullptr;
    const TTerminalCommand *m_command = nullptr;
    // A command timed out: its answer may still come, so the next command
    // discards what was received before it.
    bool m_lateAnswerPossible = false;
};
