#include "Verification.h"

#include "common/Cp1251.h"
#include "common/Error.h"
#include "terminal/RemoteFile.h"

namespace {

QString Hex(char byte)
{
    return QStringLiteral("%1").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

namespace Verification {

QList<TDifference> Compare(const QByteArray &Name, qint32 Offset, const QByteArray &Expected,
                           const QByteArray &Actual)
{
    QList<TDifference> differences;
    const qsizetype compared = qMin(Expected.size(), Actual.size());
    for (qsizetype i = 0; i < compared; ++i) {
        if (Expected.at(i) == Actual.at(i))
            continue;
        const qint64 at = Offset + i;
        if (!differences.isEmpty() && differences.last().range.last == at - 1)
            differences.last().range.last = at;
        else
            differences.append({{Name, at, at}, false});
    }
    if (compared < Expected.size())
        differences.append({{Name, Offset + compared, Offset + Expected.size() - 1}, true});
    return differences;
}

TExchangePlan ReadBackPlan()
{
    return ReadFilePlan();
}

void ReadBack(TExchange &Exchange, const QByteArray &Name, qint32 Offset, const QByteArray &Written)
{
    QByteArray actual;
    ReadRemoteFile(Exchange, Name, Offset, qint32(Written.size()), actual);
    const QList<TDifference> differences = Compare(Name, Offset, Written, actual);
    if (differences.isEmpty())
        return;
    const TDifference &first = differences.first();
    const qsizetype index = qsizetype(first.range.first - Offset);
    const QString file = Cp1251::toUnicode(Name);
    if (first.missing)
        throw TError(QStringLiteral("Verification failed: %1 offset %2: written %3, read back nothing, "
                                    "%4 of %5 bytes came back")
                         .arg(file).arg(first.range.first).arg(Hex(Written.at(index)))
                         .arg(actual.size()).arg(Written.size()));
    throw TError(QStringLiteral("Verification failed: %1 offset %2: written %3, read back %4")
                     .arg(file).arg(first.range.first).arg(Hex(Written.at(index)), Hex(actual.at(index))));
}

} // namespace Verification
