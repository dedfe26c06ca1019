#include "TankTableTransfer.h"

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

    QByteArray bytes = BlockBytes(Table);
    const qsizetype copied = qMin(answer.size(), qsizetype(BlockSize));
    std::copy_n(answer.constData(), copied, bytes.data());
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
