// A controller operation written down once, as the list of the commands it
// sends in order, each with what is done with its answer.
//
// How it works: the transfers build a script instead of sending; the plan an
// exchange announces is counted from the script (Plan()), and Run() sends
// the same list. What the progress shows therefore cannot differ from what
// is sent. A script holds the bytes it writes, cut into the chunks of one
// "wrfile" each when it is built; what its answers go to is captured by its
// handlers, which must outlive the run.
#pragma once

#include "ExchangeStep.h"

#include <QByteArray>
#include <QList>

#include <functional>

class TExchange;
class TExchangeLine;

class TExchangeScript
{
public:
    // What a read's answer goes to: its bytes (ReadRemoteFile()). May throw
    // TError (Exchange.Failure()) to end the operation there.
    using TBytesHandler = std::function<void(TExchange &Exchange, const QByteArray &Bytes)>;
    // What a command's answer goes to: its lines.
    using TLinesHandler = std::function<void(TExchange &Exchange, const QList<QByteArray> &Lines)>;
    // Work between two commands, sending nothing.
    using TWork = std::function<void(TExchange &Exchange)>;

    // "rdfile Name Offset Length": ReadRemoteFile(), then Done.
    void Read(const QByteArray &Name, qint32 Offset, qint32 Length, int Part, TBytesHandler Done);
    // The same of what the operation has just written: its step is a Check.
    void ReadBack(const QByteArray &Name, qint32 Offset, qint32 Length, int Part, TBytesHandler Done);
    // Bytes into the controller file from Offset on: one "wrfile" per
    // RemoteFileCommand::WriteChunk bytes; none for no bytes.
    void Write(const QByteArray &Name, qint32 Offset, const QByteArray &Bytes, int Part = 0);
    // Any other command, sent as Text; Done, when given, gets its answer.
    void Command(const QByteArray &Text, TLinesHandler Done = {});
    void Then(TWork Work);

    TExchangeScript &operator+=(const TExchangeScript &Other);

    // What Run() sends, by kind.
    TExchangePlan Plan() const;
    // Sends the list in order in Exchange, handling each answer before the
    // next command; stops at the first failure. Throws TError.
    void Run(TExchange &Exchange) const;
    // Run() in an operation of its own on Line, announced with Plan().
    // Throws TError, "Терминал занят" while another operation holds Line.
    void Run(TExchangeLine &Line) const;

private:
    struct TEntry
    {
        TExchangeStep Step{}; // Kind, Command (Command kind only), File, Offset, Size, Part
        QByteArray Chunk{};   // Write: the bytes
        TBytesHandler Bytes{};
        TLinesHandler Lines{};
        TWork Work{}; // an entry without a command
    };

    QList<TEntry> m_entries;
};
