#include "RemoteFile.h"

#include "TerminalCommand.h"
#include "common/Cp1251.h"
#include "common/Error.h"

namespace {

constexpr qsizetype kChunkSize = 32;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QByteArray ReadFileCommand(const QByteArray &Name, qint32 Offset, qint32 Length)
{
    return QByteArray(RemoteFileCommand::Read) + ' ' + Name + ' ' + QByteArray::number(Offset) + ' ' + QByteArray::number(Length);
}

QByteArray WriteFileCommand(const QByteArray &Name, qint32 Offset, const QByteArray &Chunk)
{
    return QByteArray(RemoteFileCommand::Write) + ' ' + Name + ' ' + QByteArray::number(Offset) + ' ' + Chunk.toHex().toUpper();
}

void DecodeHexLines(const QList<QByteArray> &Lines, QByteArray &Stream)
{
    for (const QByteArray &line : Lines) {
        QByteArray digits = line;
        digits.replace(' ', QByteArray());
        for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
            const int high = HexDigit(digits.at(i));
            const int low = HexDigit(digits.at(i + 1));
            if (high < 0 || low < 0)
                throw TError(QStringLiteral("'$%1' is not a valid integer value")
                                 .arg(Cp1251::toUnicode(digits.mid(i, 2))));
            Stream.append(char(high << 4 | low));
        }
    }
}

void ReadRemoteFile(TTerminal &Terminal, const QByteArray &Name, qint32 Offset, qint32 Length,
                    QByteArray &Stream)
{
    TTerminalCommand command(Terminal);
    command.Execute(ReadFileCommand(Name, Offset, Length));
    Stream.clear();
    DecodeHexLines(command.Lines(), Stream);
}

void WriteRemoteFile(TTerminal &Terminal, const QByteArray &Name, qint32 Offset,
                     const QByteArray &Stream)
{
    TTerminalCommand command(Terminal);
    for (qsizetype done = 0; done < Stream.size(); done += kChunkSize)
        command.Execute(WriteFileCommand(Name, Offset + qint32(done), Stream.mid(done, kChunkSize)));
}
