// Wire efficiency: each exchange of the tool against the controller
// stand-in paced at 9600 baud, next to the time the bytes of that exchange
// need on the line. The stand-in runs in this process on threads of its
// own, so the tool's CPU time is the GUI thread's. Each exchange runs a few
// times and the fastest run counts: the line's time is the same every run,
// and the slower runs only add the scheduling noise of a busy machine.
//
// The checked writes (the window's and the companion's: what was written
// read back and compared) are also set against the unchecked write plus the
// read of the same bytes: goal 1.05 times that.
#include "BenchReport.h"
#include "SimFixture.h"
#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "config/TerminalConfig.h"
#include "station/StationTransfer.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

constexpr int kBaud = 9600;

struct Exchange
{
    const char *operation;
    std::function<void(TExchangeLine &)> run;
};

const TWriteCheck kCheck = TStationDifference::TSides{QStringLiteral("в окне"), QStringLiteral("в контроллере")};

TTankTables Changed(int count)
{
    TTankTables tables;
    for (int i = 0; i < count; ++i) {
        tables[i].Loaded = tables[i].Modified = true;
        tables[i].Volumes.fill(1000 * (i + 1));
    }
    return tables;
}

void WriteTables(TExchangeLine &line, int count)
{
    TTankTables tables = Changed(count);
    WriteBackScript(tables).Run(line);
}

void WriteCheckedTable(TExchangeLine &line)
{
    TTankTables tables = Changed(1);
    WriteTablesScript(tables, kCheck).Run(line);
}

void WriteCheckedConfig(TExchangeLine &line, const TTerminalConfig &config)
{
    WriteConfigImageScript(ConfigImage::Encode(config), kCheck).Run(line);
}

struct Measurement
{
    double wall = 0;
    double cpu = 0;
    qint64 bytes = 0; // both ways, from the stand-in's transcript
};

Measurement Measure(sim::ControllerSim &sim, TExchangeLine &line, const Exchange &exchange)
{
    sim.clearTranscript();
    const double cpuBefore = Bench::ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    exchange.run(line);
    Measurement measured;
    measured.wall = double(wall.nsecsElapsed()) / 1e9;
    measured.cpu = Bench::ThreadCpuSeconds() - cpuBefore;
    for (const sim::TranscriptEntry &entry : sim.transcript())
        measured.bytes += qint64(entry.bytesIn + entry.bytesOut);
    return measured;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 3;
    if (runs < 1) {
        std::fprintf(stderr, "usage: bench_wire [runs]\n");
        return 2;
    }
    sim::SimOptions options;
    options.baud = kBaud;
    SimFixture fixture(1, options);
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    terminal.Open();
    TExchangeLine line(terminal);

    TTerminalConfig config;
    TankTable table;
    table.TankNo = 1;
    const Exchange exchanges[] = {
        {"read config", [&](TExchangeLine &l) { ReadConfigScript(config).Run(l); }},
        {"write config", [&](TExchangeLine &l) { WriteConfigScript(config).Run(l); }},
        {"fetch a table", [&](TExchangeLine &l) { FetchTankTableScript(table).Run(l); }},
        {"write one table", [](TExchangeLine &l) { WriteTables(l, 1); }},
        {"write six tables", [](TExchangeLine &l) { WriteTables(l, 6); }},
        {"write config+check", [&](TExchangeLine &l) { WriteCheckedConfig(l, config); }},
        {"write table+check", [](TExchangeLine &l) { WriteCheckedTable(l); }},
    };

    Bench::Table report;
    std::map<std::string, double> wall;
    try {
        for (const Exchange &exchange : exchanges) {
            Measurement best;
            for (int run = 0; run < runs; ++run) {
                const Measurement measured = Measure(fixture.Sim(), line, exchange);
                if (run == 0 || measured.wall < best.wall)
                    best = measured;
            }
            report.AddRow(QString::fromLatin1(exchange.operation), best.wall,
                          Bench::LineSeconds(best.bytes, kBaud), best.cpu);
            wall[exchange.operation] = best.wall;
        }
    } catch (const TError &error) {
        std::fprintf(stderr, "%s\n", error.Message().toUtf8().constData());
        return 1;
    }
    std::printf("Exchanges against the stand-in at %d baud, fastest of %d runs"
                " (goal: ratio <= 1.02, CPU <= 1 %% of wall; checked writes: ratio <= 1.05)\n",
                kBaud, runs);
    report.Print();
    const auto against = [&](const char *checked, const char *write, const char *read) {
        const double plain = wall[write] + wall[read];
        std::printf("%-20s %.3f s = %.3f x (%s %.3f s + %s %.3f s)\n", checked, wall[checked],
                    wall[checked] / plain, write, wall[write], read, wall[read]);
    };
    std::printf("Checked writes against the write and the read of the same bytes (goal: <= 1.05 x)\n");
    against("write config+check", "write config", "read config");
    against("write table+check", "write one table", "fetch a table");
    return 0;
}
