// What a controller operation sends, counted before it starts, and each of
// its commands as the operation's observers hear of it.
#pragma once

#include <QByteArray>

struct TErrorPlace;

// The commands of one operation, by what they do.
struct TExchangePlan
{
    int Reads = 0;  // file reads
    int Writes = 0; // file writes, one per chunk
    int Others = 0; // any other command ("reload", a command typed in)
    int Checks = 0; // file reads of what the operation wrote

    int Commands() const { return Reads + Writes + Others + Checks; }
    TExchangePlan operator+(const TExchangePlan &other) const
    {
        return {Reads + other.Reads, Writes + other.Writes, Others + other.Others, Checks + other.Checks};
    }
    bool operator==(const TExchangePlan &) const = default;
};

// One command of an operation.
struct TExchangeStep
{
    // Check: a read of what the operation has just written.
    enum class TKind { Command, Read, Write, Check };

    TKind Kind = TKind::Command;
    QByteArray Command{};  // as sent, without its CR
    QByteArray File{};     // Read, Write, Check: the controller file
    qint32 Offset = 0;     // Read, Write, Check: the first byte of File it moves
    qint32 Size = 0;       // Read, Check: the length asked for (0: all); Write: the chunk's bytes
    int Part = 0;          // the numbered block of File it moves (a tank's table), 0 for none
    int Number = 0;        // its place in the operation, from 1
    TExchangePlan Plan{};  // what the whole operation sends
};

// Where Step stands in an error: its command (a write's without its data),
// the file it moves and the tank.
TErrorPlace PlaceOf(const TExchangeStep &Step);
