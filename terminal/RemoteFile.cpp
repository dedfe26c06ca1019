#include "RemoteFile.h"

#include "Exchange.h"
#include "TerminalCommand.h"
#include "common/Cp1251.h"
#include "common/Error.h"

namespace {

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

void ReadFile(TExchange &Exchange, TExchangeStep::TKind Kind, const QByteArray &Name, qint32 Offset, qint32 Length,
              QByteArray &Stream, int Part)
{
    TTerminalCommand command(Exchange);
    command.Execute(ReadFileCommand(Name, Offset, Length),
                    {.Kind = Kind, .File = Name, .Offset = Offset, .Size = Length, .Part = Part});
    Stream.clear();
    try {
        DecodeHexLines(command.Lines(), Stream);
    } catch (const TError &error) {
        throw Exchange.Failure(error.Message(), error.Place().AnswerLine);
    }
    if (Length > 0 && Stream.size() > Length)
        throw Exchange.Failure(QStringLiteral("Ответ длиннее запрошенного: получено %1 байт из %2")
                                   .arg(Stream.size())
                                   .arg(Length));
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
    for (qsizetype number = 0; number < Lines.size(); ++number) {
        QByteArray digits = Lines.at(number);
        digits.replace(' ', QByteArray());
        const TErrorPlace place{.AnswerLine = int(number + 1)};
        for (qsizetype i = 0; i < digits.size(); i += 2) {
            const QByteArray pair = digits.mid(i, 2);
            const int high = HexDigit(pair.at(0));
            const int low = pair.size() == 2 ? HexDigit(pair.at(1)) : 0;
            if (high < 0 || low < 0)
                throw TError(QStringLiteral("'$%1' is not a valid integer value").arg(Cp1251::toUnicode(pair)),
                             place);
            // A digit too many or too few shifts every byte after it.
            if (pair.size() < 2)
                throw TError(QStringLiteral("Нечётное число шестнадцатеричных цифр"), place);
            Stream.append(char(high << 4 | low));
        }
    }
}

void ReadRemoteFile(TExchange &Exchange, const QByteArray &Name, qint32 Offset, qint32 Length,
                    QByteArray &Stream, int Part)
{
    ReadFile(Exchange, TExchangeStep::TKind::Read, Name, Offset, Length, Stream, Part);
}

void ReadBackRemoteFile(TExchange &Exchange, const QByteArray &Name, qint32 Offset, qint32 Length,
                        QByteArray &Stream, int Part)
{
    ReadFile(Exchange, TExchangeStep::TKind::Check, Name, Offset, Length, Stream, Part);
}
