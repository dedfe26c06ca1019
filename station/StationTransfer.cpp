#include "StationTransfer.h"

#include "Verification.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "terminal/Exchange.h"
#include "terminal/RemoteFile.h"

TExchangePlan WriteConfigImagePlan(bool Checked)
{
    return WriteFilePlan(ConfigImage::Size) + (Checked ? ReadBackPlan() : TExchangePlan{}) + ReloadPlan();
}

QList<QByteArray> WriteConfigImage(TExchange &Exchange, const QByteArray &Image, const TWriteCheck &Check)
{
    WriteRemoteFile(Exchange, ConfigFile::Name, 0, Image);
    if (Check)
        Verification::CheckConfig(Exchange, Image, *Check);
    return ReloadConfig(Exchange);
}

TExchangePlan WriteTablesPlan(const TTankTables &Tables, bool Checked)
{
    TExchangePlan plan = WriteBackPlan(Tables);
    for (int i = 0; Checked && i < TTankTables::Count; ++i) {
        if (Tables[i].Modified)
            plan = plan + ReadBackPlan();
    }
    return plan;
}

void WriteTables(TExchange &Exchange, TTankTables &Tables, const TWriteCheck &Check)
{
    std::function<void(const TankTable &)> readBack;
    if (Check)
        readBack = [&](const TankTable &table) { Verification::CheckTable(Exchange, table, *Check); };
    WriteBackTankTables(Exchange, Tables, readBack);
}

TExchangePlan WriteStationPlan(const TTankTables &Tables, bool Checked)
{
    return WriteConfigImagePlan(Checked) + WriteTablesPlan(Tables, Checked);
}

void WriteStation(TExchange &Exchange, const QByteArray &ConfigImage, TTankTables &Tables, const TWriteCheck &Check,
                  const std::function<void(const QList<QByteArray> &)> &Reloaded)
{
    const QList<QByteArray> answer = WriteConfigImage(Exchange, ConfigImage, Check);
    if (Reloaded)
        Reloaded(answer);
    WriteTables(Exchange, Tables, Check);
}

TStationImage ReadStation(TExchangeLine &Line, const TStationImage &Ours)
{
    TExchange exchange(Line, ReadFilePlan() * ((Ours.Config.isEmpty() ? 0 : 1) + int(Ours.Tables.size())));
    TStationImage held;
    if (!Ours.Config.isEmpty()) {
        ReadRemoteFile(exchange, ConfigFile::Name, 0, 0, held.Config);
        held.Config.truncate(ConfigImage::Size);
    }
    for (const int tankNo : Ours.TankNos()) {
        using namespace TankTableFile;
        ReadRemoteFile(exchange, Name, BlockOffset(tankNo), BlockSize, held.Tables[tankNo], tankNo);
    }
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

TExchangePlan TChangedWrite::Plan(bool Checked) const
{
    TExchangePlan plan;
    const auto add = [&](const TPart &part) {
        for (const TRun &run : part.Runs)
            plan = plan + WriteFilePlan(run.Length) + (Checked ? ReadBackPlan() : TExchangePlan{});
    };
    if (m_config) {
        add(*m_config);
        plan = plan + ReloadPlan();
    }
    for (const TPart &table : m_tables)
        add(table);
    return plan;
}

void TChangedWrite::Write(TExchange &Exchange, const TPart &Part)
{
    for (const TRun &run : Part.Runs)
        WriteRemoteFile(Exchange, Part.File, Part.Offset + qint32(run.Start), Part.Bytes.mid(run.Start, run.Length),
                        Part.TankNo);
}

QByteArray TChangedWrite::ReadBack(TExchange &Exchange, const TPart &Part)
{
    // Outside the runs the controller held the part's bytes already.
    QByteArray held = Part.Bytes;
    for (const TRun &run : Part.Runs) {
        QByteArray bytes;
        ReadBackRemoteFile(Exchange, Part.File, Part.Offset + qint32(run.Start), qint32(run.Length), bytes,
                           Part.TankNo);
        if (bytes.size() < run.Length)
            throw Exchange.Failure(QStringLiteral("Ответ короче запрошенного: получено %1 байт из %2")
                                       .arg(bytes.size())
                                       .arg(run.Length));
        held.replace(run.Start, run.Length, bytes);
    }
    return held;
}

void TChangedWrite::Run(TExchange &Exchange, const TWriteCheck &Check,
                        const std::function<void(const QList<QByteArray> &)> &Reloaded) const
{
    if (m_config) {
        Write(Exchange, *m_config);
        if (Check)
            Verification::ExpectConfig(m_config->Bytes, ReadBack(Exchange, *m_config), *Check);
        const QList<QByteArray> answer = ReloadConfig(Exchange);
        if (Reloaded)
            Reloaded(answer);
    }
    for (const TPart &table : m_tables) {
        Write(Exchange, table);
        if (Check)
            Verification::ExpectTable(table.TankNo, table.Bytes, ReadBack(Exchange, table), *Check);
    }
}

void WriteChangedOnly(TExchangeLine &Line, const TStationImage &Ours, const TWriteCheck &Check,
                      const std::function<void(const QList<QByteArray> &)> &Reloaded)
{
    const TChangedWrite write(Ours, ReadStation(Line, Ours));
    TExchange exchange(Line, write.Plan(Check.has_value()));
    write.Run(exchange, Check, Reloaded);
}
