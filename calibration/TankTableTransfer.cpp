#include "TankTableTransfer.h"

#include "TankTable.h"
#include "terminal/RemoteFile.h"

#include <QtEndian>

#include <algorithm>

namespace {

const QByteArray kFileName = QByteArrayLiteral("tanks.tbl");
constexpr qint32 kBlockSize = TankTable::EntryCount * 4;

QByteArray VolumeBytes(const TankTable &Table)
{
    QByteArray bytes(kBlockSize, '\0');
    for (int k = 0; k < TankTable::EntryCount; ++k)
        qToLittleEndian(Table.Volumes[k], bytes.data() + 4 * k);
    return bytes;
}

void SetVolumeBytes(TankTable &Table, const QByteArray &bytes)
{
    for (int k = 0; k < TankTable::EntryCount; ++k)
        Table.Volumes[k] = qFromLittleEndian<qint32>(bytes.constData() + 4 * k);
}

} // namespace

void FetchTankTable(TTerminal &Terminal, TankTable &Table)
{
    QByteArray answer;
    ReadRemoteFile(Terminal, kFileName, (Table.TankNo - 1) * kBlockSize, kBlockSize, answer);

    QByteArray bytes = VolumeBytes(Table);
    const qsizetype copied = qMin(answer.size(), qsizetype(kBlockSize));
    std::copy_n(answer.constData(), copied, bytes.data());
    SetVolumeBytes(Table, bytes);
    Table.Loaded = true;
}

void WriteBackTankTables(TTerminal &Terminal, TTankTables &Tables)
{
    for (int i = 0; i < TTankTables::Count; ++i) {
        TankTable &slot = Tables[i];
        if (!slot.Modified)
            continue;
        WriteRemoteFile(Terminal, kFileName, i * kBlockSize, VolumeBytes(slot));
        slot.Modified = false;
    }
}
