#include "StationTransfer.h"

#include "Verification.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "terminal/Exchange.h"
#include "terminal/RemoteFile.h"

TExchangeScript WriteConfigImageScript(const QByteArray &Image, const TWriteCheck &Check,
                                       const TReloadAnswer &Reloaded)
{
    TExchangeScript script;
    script.Write(ConfigFile::Name, 0, Image);
    if (Check)
        script += Verification::ConfigCheck(Image, *Check);
    script += ReloadScript(Reloaded);
    return script;
}

TExchangeScript WriteTablesScript(TTankTables &Tables, const TWriteCheck &Check)
{
    if (!Check)
        return WriteBackScript(Tables);
    return WriteBackScript(Tables, [sides = *Check](TExchangeScript &script, const TankTable &written) {
        script += Verification::TableCheck(written, sides);
    });
}

TExchangeScript WriteStationScript(const QByteArray &ConfigImage, TTankTables &Tables, const TWriteCheck &Check,
                                   const TReloadAnswer &Reloaded)
{
    TExchangeScript script = WriteConfigImageScript(ConfigImage, Check, Reloaded);
    script += WriteTablesScript(Tables, Check);
    return script;
}

TStationImage ReadStation(TExchangeLine &Line, const TStationImage &Ours)
{
    TStationImage held;
    TExchangeScript script;
    if (!Ours.Config.isEmpty()) {
        script.Read(ConfigFile::Name, 0, 0, 0, [&held](TExchange &, const QByteArray &bytes) {
            held.Config = bytes.left(ConfigImage::Size);
        });
    }
    for (const int tankNo : Ours.TankNos()) {
        using namespace TankTableFile;
        script.Read(Name, BlockOffset(tankNo), BlockSize, tankNo,
                    [&held, tankNo](TExchange &, const QByteArray &bytes) { held.Tables[tankNo] = bytes; });
    }
    script.Run(Line);
    return held;
}
TChangedWrite::TChangedWrite(const TStationImage &Ours, const TStationImage &Held)
{
    if (!Ours.Config.isEmpty())
        m_config = Part(ConfigFile::Name, 0, 0, Ours.Config, Held.Config);
    for (auto it = Ours.Tables.begin(); it != Ours.Tables.end(); ++it) {
        const int tankNo = it.key();
        m_tables << Part(TankTableFile::Name, TankTableFile::BlockOffset(tankNo), tankNo, it.value(),
                         Held.Tables.value(tankNo));
    }
}

TChangedWrite::TPart TChangedWrite::Part(const QByteArray &File, qint32 Offset, int TankNo, const QByteArray &Ours,
                                         const QByteArray &Held)
{
    // The chunks of a whole write, from the start of the part.
    TPart part{File, Offset, TankNo, Ours, {}};
    for (qsizetype start = 0; start < Ours.size(); start += RemoteFileCommand::WriteChunk) {
        const qsizetype length = qMin(RemoteFileCommand::WriteChunk, Ours.size() - start);
        if (Held.mid(start, length) == Ours.mid(start, length))
            continue;
        if (!part.Runs.isEmpty() && part.Runs.last().Start + part.Runs.last().Length == start)
            part.Runs.last().Length += length;
        else
            part.Runs.append({start, length});
    }
    return part;
}

TExchangeScript TChangedWrite::Write(const TPart &Part, const std::shared_ptr<QByteArray> &Held)
{
    TExchangeScript script;
    for (const TRun &run : Part.Runs)
        script.Write(Part.File, Part.Offset + qint32(run.Start), Part.Bytes.mid(run.Start, run.Length), Part.TankNo);
    if (!Held)
        return script;
    *Held = Part.Bytes;
    for (const TRun &run : Part.Runs) {
        script.ReadBack(Part.File, Part.Offset + qint32(run.Start), qint32(run.Length), Part.TankNo,
                        [Held, run](TExchange &exchange, const QByteArray &bytes) {
                            if (bytes.size() < run.Length)
                                throw exchange.Failure(
                                    QStringLiteral("Ответ короче запрошенного: получено %1 байт из %2")
                                        .arg(bytes.size())
                                        .arg(run.Length));
                            Held->replace(run.Start, run.Length, bytes);
                        });
    }
    return script;
}

TExchangeScript TChangedWrite::Script(const TWriteCheck &Check, const TReloadAnswer &Reloaded) const
{
    TExchangeScript script;
    const auto held = [&] { return Check ? std::make_shared<QByteArray>() : nullptr; };
    if (m_config) {
        const auto config = held();
        script += Write(*m_config, config);
        if (Check) {
            script.Then([config, written = m_config->Bytes, sides = *Check](TExchange &) {
                Verification::ExpectConfig(written, *config, sides);
            });
        }
        script += ReloadScript(Reloaded);
    }
    for (const TPart &table : m_tables) {
        const auto tableHeld = held();
        script += Write(table, tableHeld);
        if (Check) {
            script.Then([tableHeld, table, sides = *Check](TExchange &) {
                Verification::ExpectTable(table.TankNo, table.Bytes, *tableHeld, sides);
            });
        }
    }
    return script;
}

void WriteChangedOnly(TExchangeLine &Line, const TStationImage &Ours, const TWriteCheck &Check,
                      const TReloadAnswer &Reloaded)
{
    TChangedWrite(Ours, ReadStation(Line, Ours)).Script(Check, Reloaded).Run(Line);
}
