// One command/answer transaction on the controller's command line.
//
// How it works: Start() sends the command and a CR and hands every chunk the
// terminal receives to a TAnswerParser until it sees the prompt. The
// transaction also ends when the port closes or fails, or when no chunk
// arrived for the line's CommandTimeout(). Execute() waits for the end by
// handling the GUI thread's events, so the window stays live and nested
// waits are possible. A transaction belongs to the operation (TExchange)
// that holds the line; only one of its commands runs at a time.
//
// A command that timed out may still be answered later, and its late echo
// and answer would pass for those of the next identical command: the next
// command on the line therefore first has the terminal discard whatever it
// has received so far.
#pragma once

#include "AnswerParser.h"
#include "ExchangeStep.h"
#include "common/Error.h"
#include "TerminalLink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTimer>

class TExchange;
class TTerminal;

class TTerminalCommand
{
public:
    explicit TTerminalCommand(TExchange &exchange);
    ~TTerminalCommand();

    TTerminalCommand(const TTerminalCommand &) = delete;
    TTerminalCommand &operator=(const TTerminalCommand &) = delete;

    // Begins a transaction and returns at once; Step tells the line's
    // observers what the command moves (a plain command when left empty).
    // Refused by the line while a transaction of this object or another
    // command of its operation runs; throws the terminal's error when opening
    // or sending fails.
    void Start(const QByteArray &CommandText, const TExchangeStep &Step = {});
    // Start(), then waits for the end; throws the command text unless the
    // prompt was seen. The reason stays in ErrorText(), and the error's
    // place tells it too. Errors of Start() get the command's place as well.
    void Execute(const QByteArray &CommandText, const TExchangeStep &Step = {});

    const QList<QByteArray> &Lines() const { return m_parser.Lines(); }
    bool Succeeded() const { return m_succeeded; }
    bool Busy() const;
    const QString &ErrorText() const { return m_errorText; }

private:
    void Finish();
    void HandleData(const QByteArray &chunk);
    void HandleClose();
    void HandleError(const QString &text);
    void HandleTimeout();

    TTerminalLink m_link;
    TExchange &m_exchange;
    TTerminal &m_terminal;
    QTimer m_timer;
    TAnswerParser m_parser;
    QString m_errorText;
    bool m_succeeded = false;
    TErrorPlace::TCause m_cause = TErrorPlace::TCause::None; // why it did not complete
    bool m_received = false; // a chunk came during the transaction
    int m_timeoutMs = 0;     // its limit of silence
    TExchangeStep m_step; // of the current or last transaction
};
