#include "TankTableTransfer.h"

#include "terminal/Exchange.h"
#include "terminal/RemoteFile.h"

#include <QtEndian>

#include <algorithm>

namespace {

void SetVolumeBytes(TankTable &Table, const QByteArray &bytes)
{
    for (int k = 0; k < TankTable::EntryCount; ++k)
        Table.Volumes[k] = qFromLittleEndian<qint32>(bytes.constData() + TankTableFile::EntrySize * k);
}

} // namespace

namespace TankTableFile {

QByteArray BlockBytes(const TankTable &Table)
{
    QByteArray bytes(BlockSize, '\0');
    for (int k = 0; k < TankTable::EntryCount; ++k)
        qToLittleEndian(Table.Volumes[k], bytes.data() + EntrySize * k);
    return bytes;
}

QString DamagedText(int TankNo, qsizetype Received)
{
    return QStringLiteral("Таблица резервуара %1 повреждена: получено %2 байт из %3")
        .arg(TankNo)
        .arg(Received)
        .arg(BlockSize);
}

} // namespace TankTableFile

TExchangePlan FetchTankTablePlan()
{
    return ReadFilePlan();
}

TExchangePlan WriteBackPlan(const TTankTables &Tables)
{
    TExchangePlan plan;
    for (int i = 0; i < TTankTables::Count; ++i) {
        if (Tables[i].Modified)
            plan = plan + WriteFilePlan(TankTableFile::BlockSize);
    }
    return plan;
}

qsizetype FetchTankTable(TExchange &Exchange, TankTable &Table)
{
    using namespace TankTableFile;
    QByteArray answer;
    ReadRemoteFile(Exchange, Name, BlockOffset(Table.TankNo), BlockSize, answer, Table.TankNo);
    // Part of a table, completed with zeros, would overwrite the rest of the
    // controller's table with zeros when written back.
    if (!answer.isEmpty() && answer.size() < BlockSize)
        throw Exchange.Failure(DamagedText(Table.TankNo, answer.size()));

    QByteArray bytes = BlockBytes(Table);
    std::copy_n(answer.constData(), answer.size(), bytes.data());
    SetVolumeBytes(Table, bytes);
    Table.Loaded = true;
    return answer.size();
}

void WriteBackTankTables(TExchange &Exchange, TTankTables &Tables,
                         const std::function<void(const TankTable &)> &Written)
{
    using namespace TankTableFile;
    for (int i = 0; i < TTankTables::Count; ++i) {
        TankTable &slot = Tables[i];
        if (!slot.Modified)
            continue;
        // Slot i holds tank i + 1.
        WriteRemoteFile(Exchange, Name, i * BlockSize, BlockBytes(slot), i + 1);
        if (Written)
            Written(slot);
        slot.Modified = false;
    }
}
