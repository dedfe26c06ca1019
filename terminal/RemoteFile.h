// Controller files over the command line, as hexadecimal text. Writes, one
// "wrfile <Name> <offset> <HEX>" per chunk, are sent by TExchangeScript.
#pragma once

#include <QByteArray>
#include <QList>

class TExchange;

// The first words of the two commands, and the most bytes one write
// command carries.
namespace RemoteFileCommand {
inline constexpr char Read[] = "rdfile";
inline constexpr char Write[] = "wrfile";
inline constexpr qsizetype WriteChunk = 32;
} // namespace RemoteFileCommand

// Runs "rdfile <Name> <Offset> <Length>" in Exchange and replaces Stream
// with the bytes of the answer. On a failed command Stream is untouched; on
// a line that is not hexadecimal, or that has an odd number of digits, it
// keeps the bytes decoded before the fault. More than Length bytes (Length
// 0 asks for the whole file) are an error too; fewer are the caller's to
// judge. Part numbers the block of Name read, for the line's observers.
// Throws TError, placed at the command (Exchange.Failure()).
void ReadRemoteFile(TExchange &Exchange, const QByteArray &Name, qint32 Offset, qint32 Length,
                    QByteArray &Stream, int Part = 0);

// ReadRemoteFile() of what the operation has just written, for a check: its
// step is a Check.
void ReadBackRemoteFile(TExchange &Exchange, const QByteArray &Name, qint32 Offset, qint32 Length,
                        QByteArray &Stream, int Part = 0);

// Decodes answer lines of hexadecimal pairs into Stream: blanks are removed,
// and every line holds whole pairs. Throws TError "'$xy' is not a valid
// integer value" at the first bad pair ("'$x'" for a last character of a
// line that is no digit), or "Нечётное число шестнадцатеричных цифр" at a
// line whose last digit has no partner, after appending the bytes before it;
// the error's place holds the line's number, from 1.
void DecodeHexLines(const QList<QByteArray> &Lines, QByteArray &Stream);

// The commands, as sent without their CR.
QByteArray ReadFileCommand(const QByteArray &Name, qint32 Offset, qint32 Length);
QByteArray WriteFileCommand(const QByteArray &Name, qint32 Offset, const QByteArray &Chunk);
