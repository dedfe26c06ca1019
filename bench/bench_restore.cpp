// Restores that send only what changed: a station's configuration and six
// tables restored whole (checked, and with --no-verify) and with
// --changed-only, onto a stand-in that already holds them and onto one that
// differs in one table value; a single table written whole and changed-only
// with one value changed. The operations are the companion's own, run in
// this process against the stand-in paced at 9600 baud; each row sets the
// wall time against the line time of what that operation sent. The
// stand-in's files are put back before every run.
#include "BenchReport.h"
#include "SimFixture.h"
#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "station/StationImage.h"
#include "station/StationTransfer.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtEndian>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

constexpr int kBaud = 9600;
constexpr int kTanks = 6;
constexpr int kChangedTank = 2;
constexpr int kChangedEntry = 100;

const TWriteCheck kCheck = TStationDifference::TSides{QStringLiteral("записано"), QStringLiteral("в контроллере")};

struct Operation
{
    const char *name;
    std::function<void(TExchangeLine &)> run;
};

struct Measurement
{
    double wall = 0;
    double cpu = 0;
    qint64 bytes = 0; // both ways, from the stand-in's transcript
    int commands = 0;
};

// The station as the backup holds it: the stand-in's configuration and six
// tables, one value changed when asked.
TStationImage Backup(const sim::ControllerSim &sim, bool changed)
{
    TStationImage image;
    image.Config = QByteArray::fromStdString(sim.file("config"));
    const QByteArray tables = QByteArray::fromStdString(sim.file("tanks.tbl"));
    for (int tankNo = 1; tankNo <= kTanks; ++tankNo)
        image.Tables.insert(tankNo, tables.mid(TankTableFile::BlockOffset(tankNo), TankTableFile::BlockSize));
    if (changed) {
        char *entry = image.Tables[kChangedTank].data() + TankTableFile::EntrySize * kChangedEntry;
        qToLittleEndian(qFromLittleEndian<qint32>(entry) + 1, entry);
    }
    return image;
}

// The backup's tables as slots to write.
TTankTables Slots(const TStationImage &backup)
{
    TTankTables tables;
    for (auto it = backup.Tables.begin(); it != backup.Tables.end(); ++it) {
        TankTable &slot = *tables.ForTank(it.key());
        for (int k = 0; k < TankTable::EntryCount; ++k)
            slot.Volumes[k] = qFromLittleEndian<qint32>(it.value().constData() + TankTableFile::EntrySize * k);
        slot.Loaded = slot.Modified = true;
    }
    return tables;
}

// A restore as the companion makes it without --changed-only: the
// configuration and every table of the backup written whole.
void RestoreWhole(TExchangeLine &line, const TStationImage &backup, const TWriteCheck &check)
{
    TTankTables tables = Slots(backup);
    WriteStationScript(backup.Config, tables, check).Run(line);
}

// write-table without --changed-only.
void WriteTableWhole(TExchangeLine &line, const TStationImage &table)
{
    TTankTables tables = Slots(table);
    WriteTablesScript(tables, kCheck).Run(line);
}

// The one table of the backup that write-table writes.
TStationImage TableOnly(const TStationImage &backup)
{
    TStationImage image;
    image.Tables.insert(kChangedTank, backup.Tables.value(kChangedTank));
    return image;
}

Measurement Measure(sim::ControllerSim &sim, TExchangeLine &line, const Operation &operation,
                    const std::string &config, const std::string &tables)
{
    sim.setFile("config", config);
    sim.setFile("tanks.tbl", tables);
    sim.clearTranscript();
    const double cpuBefore = Bench::ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    operation.run(line);
    Measurement measured;
    measured.wall = double(wall.nsecsElapsed()) / 1e9;
    measured.cpu = Bench::ThreadCpuSeconds() - cpuBefore;
    for (const sim::TranscriptEntry &entry : sim.transcript())
        measured.bytes += qint64(entry.bytesIn + entry.bytesOut);
    measured.commands = int(sim.transcript().size());
    return measured;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 1;
    if (runs < 1) {
        std::fprintf(stderr, "usage: bench_restore [runs]\n");
        return 2;
    }
    sim::SimOptions options;
    options.baud = kBaud;
    SimFixture fixture(1, options);
    sim::ControllerSim &sim = fixture.Sim();
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    terminal.Open();
    TExchangeLine line(terminal);

    const std::string config = sim.file("config");
    const std::string tables = sim.file("tanks.tbl");
    const TStationImage same = Backup(sim, false);
    const TStationImage changed = Backup(sim, true);
    const Operation operations[] = {
        {"restore, same", [&](TExchangeLine &l) { RestoreWhole(l, same, kCheck); }},
        {"restore --no-verify, same", [&](TExchangeLine &l) { RestoreWhole(l, same, std::nullopt); }},
        {"restore --changed-only, same", [&](TExchangeLine &l) { WriteChangedOnly(l, same, kCheck); }},
        {"restore, one value", [&](TExchangeLine &l) { RestoreWhole(l, changed, kCheck); }},
        {"restore --changed-only, one value", [&](TExchangeLine &l) { WriteChangedOnly(l, changed, kCheck); }},
        {"write-table, one value", [&](TExchangeLine &l) { WriteTableWhole(l, TableOnly(changed)); }},
        {"write-table --changed-only, one value",
         [&](TExchangeLine &l) { WriteChangedOnly(l, TableOnly(changed), kCheck); }},
    };

    Bench::Table report;
    std::map<std::string, Measurement> best;
    try {
        for (const Operation &operation : operations) {
            for (int run = 0; run < runs; ++run) {
                const Measurement measured = Measure(sim, line, operation, config, tables);
                if (run == 0 || measured.wall < best[operation.name].wall)
                    best[operation.name] = measured;
            }
            const Measurement &measured = best[operation.name];
            report.AddRow(QString::fromLatin1(operation.name), measured.wall, Bench::LineSeconds(measured.bytes, kBaud),
                          measured.cpu);
        }
    } catch (const TError &error) {
        std::fprintf(stderr, "%s\n", error.Message().toUtf8().constData());
        return 1;
    }
    std::printf("Restores of config and %d tables against the stand-in at %d baud, fastest of %d runs\n", kTanks,
                kBaud, runs);
    report.Print();
    std::printf("Commands sent\n");
    for (const Operation &operation : operations)
        std::printf("%-38s %4d\n", operation.name, best[operation.name].commands);
    const auto against = [&](const char *changedOnly, const char *whole) {
        const double part = best[changedOnly].wall;
        const double all = best[whole].wall;
        std::printf("%-38s %.3f s = %.3f x %s (%.3f s)\n", changedOnly, part, part / all, whole, all);
    };
    std::printf("Changed-only against the whole write\n");
    against("restore --changed-only, same", "restore, same");
    against("restore --changed-only, same", "restore --no-verify, same");
    against("restore --changed-only, one value", "restore, one value");
    against("write-table --changed-only, one value", "write-table, one value");
    return 0;
}
