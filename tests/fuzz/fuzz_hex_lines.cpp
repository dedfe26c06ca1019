// The hex line decoder of remote files.
//
// Round trip: random bytes written as hex digits (upper or lower case),
// split into lines of whole pairs with blanks anywhere, decode to the bytes.
// Arbitrary lines: the output is the bytes already in the stream followed by
// the pairs read, in order; it fails only with "'$xy' is not a valid integer
// value" naming a pair that is not hexadecimal, and then keeps the pairs
// before it.

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

    // The pairs of every line in order: blanks removed, an odd last
    // character dropped.
    QByteArray pairs;
    for (QByteArray line : lines) {
        line.replace(' ', QByteArray());
        pairs += line.left(line.size() & ~qsizetype(1));
    }

    QByteArray stream = before;
    try {
        DecodeHexLines(lines, stream);
    } catch (const TError &error) {
        const QString message = error.Message();
        const QString start = QStringLiteral("'$");
        const QString end = QStringLiteral("' is not a valid integer value");
        Require(message.startsWith(start) && message.endsWith(end)
                    && message.size() == start.size() + 2 + end.size(),
                "the error names one pair");
        const qsizetype done = 2 * (stream.size() - before.size());
        Require(stream.startsWith(before) && done + 2 <= pairs.size(), "failed: the pairs before the bad one");
        Require(stream.mid(before.size()).toHex() == pairs.left(done).toLower(), "failed: decoded as read");
        Require(!IsHexDigit(pairs.at(done)) || !IsHexDigit(pairs.at(done + 1)), "the named pair is bad");
        Require(message.mid(start.size(), 2) == Cp1251::toUnicode(pairs.mid(done, 2)),
                "the error shows the bad pair");
        return;
    }
    Require(stream.startsWith(before), "the stream keeps what it held");
    Require(stream.mid(before.size()).toHex() == pairs.toLower(), "every pair decoded, in order");
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
