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

TExchangeScript FetchTankTableScript(TankTable &Table, TEmptyTable Empty)
{
    using namespace TankTableFile;
    TExchangeScript script;
    script.Read(Name, BlockOffset(Table.TankNo), BlockSize, Table.TankNo,
                [&Table, Empty](TExchange &exchange, const QByteArray &answer) {
                    // Part of a table, completed with zeros, would overwrite the
                    // rest of the controller's table with zeros when written back.
                    if ((answer.isEmpty() && Empty == TEmptyTable::Refused)
                        || (!answer.isEmpty() && answer.size() < BlockSize))
                        throw exchange.Failure(DamagedText(Table.TankNo, answer.size()));
                    QByteArray bytes = BlockBytes(Table);
                    std::copy_n(answer.constData(), answer.size(), bytes.data());
                    SetVolumeBytes(Table, bytes);
                    Table.Loaded = true;
                });
    return script;
}

TExchangeScript WriteBackScript(TTankTables &Tables, const TAfterTableWrite &After)
{
    using namespace TankTableFile;
    TExchangeScript script;
    for (int i = 0; i < TTankTables::Count; ++i) {
        TankTable &slot = Tables[i];
        if (!slot.Modified)
            continue;
        const QByteArray bytes = BlockBytes(slot);
        // Slot i holds tank i + 1.
        script.Write(Name, i * BlockSize, bytes, i + 1);
        if (After)
            After(script, slot);
        // An edit made while the exchange ran is still to be written.
        script.Then([&slot, bytes](TExchange &) {
            if (BlockBytes(slot) == bytes)
                slot.Modified = false;
        });
    }
    return script;
}
