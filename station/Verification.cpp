#include "Verification.h"

#include "FileRange.h"
#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"

#include <QStringList>

namespace {

// Lines of a failed check shown in full; the others are counted.
constexpr qsizetype kLinesShown = 10;

[[noreturn]] void Fail(const QString &what, QStringList lines)
{
    const qsizetype more = lines.size() - kLinesShown;
    if (more > 0) {
        lines.resize(kLinesShown);
        lines << QStringLiteral("и ещё различий: %1").arg(more);
    }
    throw TError(what + QStringLiteral("\n\n") + lines.join(u'\n'));
}

// The runs of bytes in which Actual, read from Offset of the file Name,
// differs from Expected; what Actual lacks at the end is one run of its own.
QStringList ByteRuns(const QByteArray &Name, qint32 Offset, const QByteArray &Expected, const QByteArray &Actual)
{
    QList<TFileRange> runs;
    const qsizetype compared = qMin(Expected.size(), Actual.size());
    for (qsizetype i = 0; i < compared; ++i) {
        if (Expected.at(i) == Actual.at(i))
            continue;
        const qint64 at = Offset + i;
        if (!runs.isEmpty() && runs.last().last == at - 1)
            runs.last().last = at;
        else
            runs.append({Name, at, at});
    }
    QStringList lines;
    for (const TFileRange &run : runs)
        lines << run.Describe();
    if (compared < Expected.size())
        lines << TFileRange{Name, Offset + compared, Offset + Expected.size() - 1}.Describe()
                     + QStringLiteral(": нет данных");
    return lines;
}

} // namespace

namespace Verification {

TExchangeScript ConfigCheck(const QByteArray &Written, const TSides &Sides)
{
    TExchangeScript script;
    script.ReadBack(ConfigFile::Name, 0, qint32(Written.size()), 0,
                    [Written, Sides](TExchange &, const QByteArray &held) { ExpectConfig(Written, held, Sides); });
    return script;
}

TExchangeScript TableCheck(const TankTable &Written, const TSides &Sides)
{
    using namespace TankTableFile;
    const int tankNo = Written.TankNo;
    TExchangeScript script;
    script.ReadBack(Name, BlockOffset(tankNo), BlockSize, tankNo,
                    [tankNo, written = BlockBytes(Written), Sides](TExchange &, const QByteArray &held) {
                        ExpectTable(tankNo, written, held, Sides);
                    });
    return script;
}

void ExpectConfig(const QByteArray &Written, const QByteArray &Held, const TSides &Sides)
{
    const QList<TStationDifference> differences = StationComparison::CompareConfig(Written, Held);
    if (!differences.isEmpty())
        Fail(QStringLiteral("Контроллер хранит не ту конфигурацию, что записана; \"reload\" не отправлен:"),
             StationComparison::Lines(differences, Sides));
}

void ExpectTable(int TankNo, const QByteArray &Written, const QByteArray &Held, const TSides &Sides)
{
    if (const auto difference = StationComparison::CompareTable(TankNo, Written, Held))
        Fail(QStringLiteral("Контроллер хранит не ту таблицу резервуара %1, что записана:").arg(TankNo),
             {difference->Text(Sides)});
}

TExchangeScript FileCheck(const QByteArray &Name, qint32 Offset, const QByteArray &Written)
{
    TExchangeScript script;
    script.ReadBack(Name, Offset, qint32(Written.size()), 0, [Name, Offset, Written](TExchange &, const QByteArray &held) {
        const QStringList runs = ByteRuns(Name, Offset, Written, held);
        if (!runs.isEmpty())
            Fail(QStringLiteral("Контроллер хранит в %1 не то, что записано:").arg(Cp1251::toUnicode(Name)), runs);
    });
    return script;
}

} // namespace Verification
