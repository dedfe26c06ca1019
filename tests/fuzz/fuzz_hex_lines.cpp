// The hex line decoder of remote files.
//
// Round trip: random bytes written as hex digits (upper or lower case),
// split into lines of whole pairs with blanks anywhere, decode to the bytes.
// Arbitrary lines: the output is the bytes already in the stream followed by
// the pairs read, in order; it fails only with "'$xy' is not a valid integer
// value" naming a pair that is not hexadecimal ("'$x'" for a lone last
// character that is no digit), or for a lone last digit of a line with
// "Нечётное число шестнадцатеричных цифр", naming the line, and then keeps
// the pairs before the fault.

#include "FuzzSupport.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "terminal/RemoteFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QList>
#include <QString>

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void CheckRoundTrip(FuzzedDataProvider &data)
{
    const QByteArray bytes = QByteArray::fromStdString(data.ConsumeRandomLengthString(512));
    const bool upper = data.ConsumeBool();
    const QByteArray hex = upper ? bytes.toHex().toUpper() : bytes.toHex();

    QList<QByteArray> lines{QByteArray()};
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        if (i > 0 && data.ConsumeIntegralInRange(0, 7) == 0)
            lines.append(QByteArray());
        for (qsizetype k = 0; k < 2; ++k) {
            lines.last() += QByteArray(data.ConsumeIntegralInRange(0, 3) == 0 ? 1 : 0, ' ');
            lines.last() += hex.at(i + k);
        }
        if (data.ConsumeIntegralInRange(0, 7) == 0)
            lines.last() += ' ';
    }
    if (data.ConsumeBool())
        lines.append(QByteArray(data.ConsumeIntegralInRange(0, 3), ' '));

    QByteArray decoded;
    DecodeHexLines(lines, decoded);
    Require(decoded == bytes, "round trip gives the bytes back");
}

void CheckArbitraryLines(FuzzedDataProvider &data)
{
    const QByteArray before = QByteArray::fromStdString(data.ConsumeRandomLengthString(8));
    const QList<QByteArray> lines =
        QByteArray::fromStdString(data.ConsumeRemainingBytesAsString()).split('\n');

    // The pairs of every line in order, blanks removed, up to the first
    // fault, and the fault.
    QByteArray pairs;
    QString fault;
    int faultLine = 0;
    for (qsizetype n = 0; n < lines.size() && fault.isEmpty(); ++n) {
        QByteArray line = lines.at(n);
        line.replace(' ', QByteArray());
        for (qsizetype i = 0; i < line.size(); i += 2) {
            const QByteArray pair = line.mid(i, 2);
            if (!IsHexDigit(pair.at(0)) || (pair.size() == 2 && !IsHexDigit(pair.at(1))))
                fault = QStringLiteral("'$%1' is not a valid integer value").arg(Cp1251::toUnicode(pair));
            else if (pair.size() == 1)
                fault = QStringLiteral("Нечётное число шестнадцатеричных цифр");
            if (!fault.isEmpty()) {
                faultLine = int(n + 1);
                break;
            }
            pairs += pair;
        }
    }

    QByteArray stream = before;
    QString raised;
    int raisedLine = 0;
    try {
        DecodeHexLines(lines, stream);
    } catch (const TError &error) {
        raised = error.Message();
        raisedLine = error.Place().AnswerLine;
    }
    Require(raised == fault, "fails exactly at the first fault, naming it");
    Require(raisedLine == faultLine, "names the line of the fault");
    Require(stream.startsWith(before), "the stream keeps what it held");
    Require(stream.mid(before.size()).toHex() == pairs.toLower(), "the pairs before the fault decoded, in order");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    if (data.ConsumeBool())
        CheckRoundTrip(data);
    else
        CheckArbitraryLines(data);
    return 0;
}
