// The exchange progress display, following a real exchange line's
// operations against the controller stand-in.
#include "SettingsFile.h"
#include "SimFixture.h"
#include "app/ExchangeProgress.h"
#include "app/Station.h"
#include "app/UfmMain.h"
#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "config/TerminalConfig.h"
#include "station/StationImage.h"
#include "station/StationTransfer.h"
#include "station/Verification.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/ExchangeScript.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QtTest>

#include <functional>

namespace {

enum class Operation { ReadConfig, WriteConfig, FetchTank3, WriteBackTanks2And5, CheckedWriteOfTanks2And5 };

// Runs the operation on the line; Begun runs once it holds the line, before
// its first command.
void Run(Operation operation, TExchangeLine &line, const std::function<void()> &Begun = {})
{
    TTerminalConfig config;
    TTankTables tables;
    for (int index : {1, 4})
        tables[index].Loaded = tables[index].Modified = true;
    TExchangeScript script;
    switch (operation) {
    case Operation::ReadConfig:
        script = ReadConfigScript(config);
        break;
    case Operation::WriteConfig:
        script = WriteConfigScript(config);
        break;
    case Operation::FetchTank3:
        script = FetchTankTableScript(tables[2]);
        break;
    case Operation::WriteBackTanks2And5:
        script = WriteBackScript(tables);
        break;
    case Operation::CheckedWriteOfTanks2And5:
        script = WriteStationScript(ConfigImage::Encode(config), tables, TStationDifference::TSides{});
        break;
    }
    TExchange exchange(line, script.Plan());
    if (Begun)
        Begun();
    script.Run(exchange);
}

QStringList Repeated(const QString &text, int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << text;
    return texts;
}

// What the display showed at each start and end of a command, taken after
// the display itself has handled the terminal's signal.
struct Recorder
{
    Recorder(TExchangeLine &line, const TExchangeProgress &progress) : m_progress(progress)
    {
        QObject::connect(&line, &TExchangeLine::commandStarted, &m_context, [this] {
            startedTexts << m_progress.lblStep->text();
            Check();
        });
        QObject::connect(&line, &TExchangeLine::commandFinished, &m_context, [this] {
            finishedValues << m_progress.pbCommands->value();
            Check();
        });
    }

    void Check()
    {
        maximums << m_progress.pbCommands->maximum();
        alwaysShown = alwaysShown && !m_progress.isHidden();
    }

    QStringList startedTexts;
    QList<int> finishedValues;
    QList<int> maximums;
    bool alwaysShown = true;

private:
    const TExchangeProgress &m_progress;
    QObject m_context;
};

QList<int> OneTo(int last)
{
    QList<int> values;
    for (int i = 1; i <= last; ++i)
        values << i;
    return values;
}

// Every operation that talks to the controller: the transfers, the
// companion's reads and writes built on them, and the window's.
enum class Planned {
    ReadConfig, ReadConfigImage, WriteConfig, Reload, FetchTable, FetchWholeTable, WriteBack, WriteConfigImage,
    CheckedWriteConfigImage, WriteTables, CheckedWriteTables, WriteStation, CheckedWriteStation, ReadStation,
    ChangedOnly, CheckedChangedOnly, FileRead, FileWrite, CheckedFileWrite, Backup,
    WindowRead, WindowWrite, WindowOpenTable, WindowCompare
};

// The commands of one operation as the line announced them.
struct AnnouncedOperation
{
    TExchangePlan plan;
    TExchangePlan counted; // from the steps' kinds
    QStringList commands;
};

// The operations the line announces, each from its first command on.
struct PlanRecorder
{
    explicit PlanRecorder(TExchangeLine &line)
    {
        QObject::connect(&line, &TExchangeLine::commandStarted, &m_context, [this](const TExchangeStep &step) {
            if (step.Number == 1)
                operations.append({step.Plan, {}, {}});
            AnnouncedOperation &operation = operations.last();
            QCOMPARE_EQ(step.Plan, operation.plan); // one plan for the whole operation
            switch (step.Kind) {
            case TExchangeStep::TKind::Command:
                ++operation.counted.Others;
                break;
            case TExchangeStep::TKind::Read:
                ++operation.counted.Reads;
                break;
            case TExchangeStep::TKind::Write:
                ++operation.counted.Writes;
                break;
            case TExchangeStep::TKind::Check:
                ++operation.counted.Checks;
                break;
            }
            operation.commands << QString::fromLatin1(step.Command);
        });
    }

    QList<AnnouncedOperation> operations;

private:
    QObject m_context;
};

// A block of tank TankNo with every entry set from Seed.
QByteArray Block(int tankNo, int seed)
{
    TankTable table;
    table.TankNo = tankNo;
    for (int k = 0; k < TankTable::EntryCount; ++k)
        table.Volumes[k] = seed * 1000 + k;
    return TankTableFile::BlockBytes(table);
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Planned)

namespace {

const TStationDifference::TSides kSides{QStringLiteral("записано"), QStringLiteral("в контроллере")};

// Runs the operation; the controller holds a distinct table for tanks 1..6,
// and the station's tables of tanks 2 and 5 are changed.
void RunPlanned(Planned operation, TStation &station, sim::ControllerSim &sim)
{
    TExchangeLine &line = station.Exchanges();
    TTerminalConfig config;
    QByteArray image = ConfigImage::Encode(config);
    TTankTables tables;
    for (int tankNo : {2, 5}) {
        TankTable &slot = *tables.ForTank(tankNo);
        slot.Loaded = slot.Modified = true;
        slot.Volumes.fill(tankNo);
    }
    TankTable table;
    table.TankNo = 3;
    // What the controller holds, with a byte of "config" and two bytes of
    // the block of tank 2, 30 chunks apart, changed: three runs to write.
    TStationImage changed{QByteArray::fromStdString(sim.file(ConfigFile::Name)).left(ConfigImage::Size),
                          {{2, Block(2, 2)}}};
    ++changed.Config[100];
    ++changed.Tables[2][40];
    ++changed.Tables[2][1000];
    switch (operation) {
    case Planned::ReadConfig:
        ReadConfigScript(config).Run(line);
        break;
    case Planned::ReadConfigImage:
        ReadConfigImageScript(image).Run(line);
        break;
    case Planned::WriteConfig:
        WriteConfigScript(config).Run(line);
        break;
    case Planned::Reload:
        ReloadScript().Run(line);
        break;
    case Planned::FetchTable:
        FetchTankTableScript(table).Run(line);
        break;
    case Planned::FetchWholeTable:
        FetchTankTableScript(table, TEmptyTable::Refused).Run(line);
        break;
    case Planned::WriteBack:
        WriteBackScript(tables).Run(line);
        break;
    case Planned::WriteConfigImage:
        WriteConfigImageScript(image, std::nullopt).Run(line);
        break;
    case Planned::CheckedWriteConfigImage:
        WriteConfigImageScript(image, kSides).Run(line);
        break;
    case Planned::WriteTables:
        WriteTablesScript(tables, std::nullopt).Run(line);
        break;
    case Planned::CheckedWriteTables:
        WriteTablesScript(tables, kSides).Run(line);
        break;
    case Planned::WriteStation:
        WriteStationScript(image, tables, std::nullopt).Run(line);
        break;
    case Planned::CheckedWriteStation:
        WriteStationScript(image, tables, kSides).Run(line);
        break;
    case Planned::ReadStation:
        ReadStation(line, TStationImage::Of(image, tables));
        break;
    case Planned::ChangedOnly:
        WriteChangedOnly(line, changed, std::nullopt);
        break;
    case Planned::CheckedChangedOnly:
        WriteChangedOnly(line, changed, kSides);
        break;
    case Planned::FileRead: {
        TExchangeScript script;
        script.Read("tanks.tbl", 100, 50, 0, {});
        script.Run(line);
        break;
    }
    case Planned::FileWrite:
    case Planned::CheckedFileWrite: {
        TExchangeScript script;
        script.Write("blob", 7, QByteArray(70, 'b'));
        if (operation == Planned::CheckedFileWrite)
            script += Verification::FileCheck("blob", 7, QByteArray(70, 'b'));
        script.Run(line);
        break;
    }
    case Planned::Backup: {
        TExchangeScript script = ReadConfigImageScript(image);
        for (int tankNo = 1; tankNo <= 6; ++tankNo)
            script += FetchTankTableScript(*tables.ForTank(tankNo), TEmptyTable::Refused);
        script.Run(line);
        break;
    }
    case Planned::WindowRead:
        station.ReadFromController();
        break;
    case Planned::WindowWrite:
        station.SaveToController();
        break;
    case Planned::WindowOpenTable:
        station.OpenTable(3, 0);
        break;
    case Planned::WindowCompare:
        station.CompareWithController(station.Configuration());
        break;
    }
}

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void stepText_data();
    void stepText();
    void followsOperation_data();
    void followsOperation();
    void endsOnFailureAndStartsAfresh();
    void refusedOperationLeavesRunningOne();
    void hiddenForOperationWithoutCommands();
    void mainWindowCountsEveryCommand();
    void planIsWhatIsSent_data();
    void planIsWhatIsSent();

private:
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<TTerminal> m_terminal;
    std::unique_ptr<TExchangeLine> m_line;
    std::unique_ptr<QStatusBar> m_statusBar;
    TExchangeProgress *m_progress = nullptr; // owned by m_statusBar
};

void TestProgress::init()
{
    m_sim = std::make_unique<SimFixture>();
    m_terminal = std::make_unique<TTerminal>();
    m_terminal->SetPortNumber(m_sim->Port());
    m_line = std::make_unique<TExchangeLine>(*m_terminal);
    m_line->SetCommandTimeout(2000);
    m_statusBar = std::make_unique<QStatusBar>();
    m_progress = new TExchangeProgress(*m_line, m_statusBar.get());
    m_statusBar->addWidget(m_progress);
}

void TestProgress::cleanup()
{
    m_statusBar.reset();
    m_line.reset();
    m_terminal.reset();
    m_sim.reset();
}

void TestProgress::stepText_data()
{
    using Kind = TExchangeStep::TKind;
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("part");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("text");
    QTest::newRow("config read") << int(Kind::Read) << QByteArray("config") << 0 << 0
                                 << QByteArray("rdfile config 0 0") << "Чтение config";
    QTest::newRow("config write") << int(Kind::Write) << QByteArray("config") << 416 << 0
                                  << QByteArray("wrfile config 416 00FF") << "Запись config";
    QTest::newRow("first block, first chunk") << int(Kind::Write) << QByteArray("tanks.tbl") << 0 << 1
                                              << QByteArray("wrfile tanks.tbl 0 0102")
                                              << "Запись tanks.tbl: резервуар 1";
    QTest::newRow("last chunk of tank 2") << int(Kind::Write) << QByteArray("tanks.tbl") << 3168 << 2
                                          << QByteArray("wrfile tanks.tbl 3168 0102")
                                          << "Запись tanks.tbl: резервуар 2";
    QTest::newRow("table read") << int(Kind::Read) << QByteArray("tanks.tbl") << 3200 << 3
                                << QByteArray("rdfile tanks.tbl 3200 1600") << "Чтение tanks.tbl: резервуар 3";
    QTest::newRow("last slot") << int(Kind::Write) << QByteArray("tanks.tbl") << 25568 << 16
                               << QByteArray("wrfile tanks.tbl 25568 00") << "Запись tanks.tbl: резервуар 16";
    QTest::newRow("other command") << int(Kind::Command) << QByteArray() << 0 << 0 << QByteArray("reload")
                                   << "Команда reload";
    QTest::newRow("config check") << int(Kind::Check) << QByteArray("config") << 0 << 0
                                  << QByteArray("rdfile config 0 429") << "Проверка config";
    QTest::newRow("table check") << int(Kind::Check) << QByteArray("tanks.tbl") << 1600 << 2
                                 << QByteArray("rdfile tanks.tbl 1600 1600") << "Проверка таблицы резервуара 2";
}

// The display shows the step as reported; the tank of a table chunk comes
// from the transfer (see followsOperation and the transfer tests).
void TestProgress::stepText()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, file);
    QFETCH(int, offset);
    QFETCH(int, part);
    QFETCH(QByteArray, command);
    QFETCH(QString, text);
    TExchangeStep step;
    step.Kind = TExchangeStep::TKind(kind);
    step.File = file;
    step.Offset = offset;
    step.Part = part;
    step.Command = command;
    QCOMPARE(TExchangeProgress::StepText(step), text);
}

void TestProgress::followsOperation_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("total");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("read config") << Operation::ReadConfig << 1 << QStringList{"Чтение config"};
    QTest::newRow("write config")
        << Operation::WriteConfig << 15 << Repeated("Запись config", 14) + QStringList{"Команда reload"};
    QTest::newRow("fetch a table")
        << Operation::FetchTank3 << 1 << QStringList{"Чтение tanks.tbl: резервуар 3"};
    QTest::newRow("write back two tables")
        << Operation::WriteBackTanks2And5 << 100
        << Repeated("Запись tanks.tbl: резервуар 2", 50) + Repeated("Запись tanks.tbl: резервуар 5", 50);
    QTest::newRow("checked write of config and two tables")
        << Operation::CheckedWriteOfTanks2And5 << 118
        << Repeated("Запись config", 14) + QStringList{"Проверка config", "Команда reload"}
               + Repeated("Запись tanks.tbl: резервуар 2", 50) + QStringList{"Проверка таблицы резервуара 2"}
               + Repeated("Запись tanks.tbl: резервуар 5", 50) + QStringList{"Проверка таблицы резервуара 5"};
}

void TestProgress::followsOperation()
{
    QFETCH(Operation, operation);
    QFETCH(int, total);
    QFETCH(QStringList, texts);

    QVERIFY(m_progress->isHidden());
    Recorder recorder(*m_line, *m_progress);
    bool shownAtStart = false;
    int valueAtStart = -1;
    int maximumAtStart = -1;
    Run(operation, *m_line, [&] {
        shownAtStart = !m_progress->isHidden();
        valueAtStart = m_progress->pbCommands->value();
        maximumAtStart = m_progress->pbCommands->maximum();
    });
    QVERIFY(shownAtStart);
    QCOMPARE(valueAtStart, 0);
    QCOMPARE(maximumAtStart, total);
    QCOMPARE(m_progress->pbCommands->value(), total);
    QVERIFY(m_progress->isHidden());
    QCOMPARE(recorder.startedTexts, texts);
    QCOMPARE(recorder.finishedValues, OneTo(total));
    QCOMPARE(recorder.maximums, QList<int>(2 * total, total));
    QVERIFY(recorder.alwaysShown);
}

void TestProgress::endsOnFailureAndStartsAfresh()
{
    m_line->SetCommandTimeout(2000); // ends the silent command; the others answer whole
    m_sim->Sim().addFault({sim::Fault::Silence, 3, 3});
    Recorder failing(*m_line, *m_progress);
    try {
        Run(Operation::WriteConfig, *m_line);
        QFAIL("the write went through a silent controller");
    } catch (const TError &) {
    }
    QVERIFY(m_progress->isHidden());
    QCOMPARE(failing.finishedValues, OneTo(3)); // the failed command counts as done

    Recorder next(*m_line, *m_progress);
    int valueAtStart = -1;
    int maximumAtStart = -1;
    Run(Operation::ReadConfig, *m_line, [&] {
        valueAtStart = m_progress->pbCommands->value();
        maximumAtStart = m_progress->pbCommands->maximum();
    });
    QCOMPARE(valueAtStart, 0);
    QCOMPARE(maximumAtStart, 1);
    QCOMPARE(next.finishedValues, QList<int>{1});
    QVERIFY(next.alwaysShown);
    QVERIFY(m_progress->isHidden());
}

void TestProgress::refusedOperationLeavesRunningOne()
{
    // A table fetch pressed while a configuration write waits: the line
    // refuses it, and the write's display goes on.
    QStringList refusals;
    bool shownAfterRefusal = false;
    TankTable table;
    table.TankNo = 3;
    QObject context;
    connect(m_line.get(), &TExchangeLine::commandStarted, &context, [&] {
        if (m_progress->pbCommands->value() != 4)
            return;
        try {
            FetchTankTableScript(table).Run(*m_line);
        } catch (const TError &error) {
            refusals << error.Message();
        }
        shownAfterRefusal = !m_progress->isHidden();
    });
    Recorder recorder(*m_line, *m_progress);
    Run(Operation::WriteConfig, *m_line);
    QVERIFY(shownAfterRefusal);
    QCOMPARE(refusals, QStringList{"Терминал занят"});
    QVERIFY(!table.Loaded);
    QVERIFY(recorder.alwaysShown);
    QCOMPARE(recorder.finishedValues, OneTo(15));
    QCOMPARE(recorder.maximums, QList<int>(30, 15));
    QVERIFY(m_progress->isHidden());
}

// A line typed on the console holds the line without sending a command.
void TestProgress::hiddenForOperationWithoutCommands()
{
    {
        const TExchange exchange(*m_line);
        QVERIFY(m_line->ExchangeRunning());
        QVERIFY(m_progress->isHidden());
    }
    Run(Operation::ReadConfig, *m_line, [&] { QVERIFY(!m_progress->isHidden()); });
    QVERIFY(m_progress->isHidden());
}

void TestProgress::mainWindowCountsEveryCommand()
{
    SettingsFile settings;
    TfmMain fmMain; // port 1: the stand-in
    TStation &station = fmMain.Station();
    const auto *status = fmMain.findChild<QLabel *>("StatusPanel0");
    const auto *outcome = fmMain.findChild<QLabel *>("StatusOutcome");
    const auto *progress = fmMain.findChild<TExchangeProgress *>("ExchangeProgress");
    QVERIFY(status && outcome && progress);
    const QString linkState = status->text();
    QCOMPARE(linkState, QStringLiteral("COM1 открыт"));

    Recorder reading(station.Exchanges(), *progress);
    fmMain.acIcReadExecute();
    QCOMPARE(reading.finishedValues, QList<int>{1});
    QCOMPARE(reading.maximums, QList<int>(2, 1));

    // Tanks 2 and 5 edited, as the editor would; each is fetched first.
    for (int index : {1, 4}) {
        station.EditTable(index + 1, station.Configuration().tanks[index].hmax, [](TankTable &table) {
            ++table.Volumes[0];
            table.Modified = true;
        });
    }
    Recorder writing(station.Exchanges(), *progress);
    fmMain.acIcWriteExecute();
    constexpr int kCommands = 14 + 2 + 2 * 51; // config, its check, reload, two tables with theirs
    QCOMPARE(writing.finishedValues, OneTo(kCommands));
    QCOMPARE(writing.maximums, QList<int>(2 * kCommands, kCommands));
    QCOMPARE(writing.startedTexts.last(), QStringLiteral("Проверка таблицы резервуара 5"));
    QVERIFY(writing.alwaysShown && reading.alwaysShown);
    QVERIFY(progress->isHidden());
    QCOMPARE(status->text(), linkState);
    // Where the progress was, the write says it was checked; the tick that
    // rewrites the first panel leaves it.
    QCOMPARE(outcome->text(), QStringLiteral("Записано и проверено; ответ на \"reload\": OK"));
    station.Timer1Timer();
    QCOMPARE(outcome->text(), QStringLiteral("Записано и проверено; ответ на \"reload\": OK"));
    // The next operation begins without it.
    QStringList outcomeAtStart;
    connect(&station.Exchanges(), &TExchangeLine::commandStarted, outcome,
            [&] { outcomeAtStart << outcome->text(); });
    fmMain.acIcReadExecute();
    QCOMPARE(outcomeAtStart, QStringList{QString()});
    QCOMPARE(outcome->text(), QString());
}

void TestProgress::planIsWhatIsSent_data()
{
    QTest::addColumn<Planned>("operation");
    QTest::addColumn<QList<int>>("commands"); // of each operation, in order
    QTest::newRow("read config") << Planned::ReadConfig << QList<int>{1};
    QTest::newRow("read the config image") << Planned::ReadConfigImage << QList<int>{1};
    QTest::newRow("write config") << Planned::WriteConfig << QList<int>{14 + 1};
    QTest::newRow("reload") << Planned::Reload << QList<int>{1};
    QTest::newRow("fetch a table") << Planned::FetchTable << QList<int>{1};
    QTest::newRow("fetch a whole table") << Planned::FetchWholeTable << QList<int>{1};
    QTest::newRow("write back two tables") << Planned::WriteBack << QList<int>{2 * 50};
    QTest::newRow("write the config image") << Planned::WriteConfigImage << QList<int>{14 + 1};
    QTest::newRow("checked write of the config image") << Planned::CheckedWriteConfigImage << QList<int>{14 + 2};
    QTest::newRow("write two tables") << Planned::WriteTables << QList<int>{2 * 50};
    QTest::newRow("checked write of two tables") << Planned::CheckedWriteTables << QList<int>{2 * 51};
    QTest::newRow("write a station") << Planned::WriteStation << QList<int>{15 + 2 * 50};
    QTest::newRow("checked write of a station") << Planned::CheckedWriteStation << QList<int>{16 + 2 * 51};
    QTest::newRow("read a station") << Planned::ReadStation << QList<int>{1 + 2};
    // The reads first, an operation of their own; then a chunk of config,
    // "reload" and two of the table.
    QTest::newRow("write of what changed") << Planned::ChangedOnly << QList<int>{2, 4};
    QTest::newRow("checked write of what changed") << Planned::CheckedChangedOnly << QList<int>{2, 4 + 3};
    QTest::newRow("read a file") << Planned::FileRead << QList<int>{1};
    QTest::newRow("write a file") << Planned::FileWrite << QList<int>{3};
    QTest::newRow("checked write of a file") << Planned::CheckedFileWrite << QList<int>{3 + 1};
    QTest::newRow("backup") << Planned::Backup << QList<int>{1 + 6};
    QTest::newRow("window: read") << Planned::WindowRead << QList<int>{1};
    QTest::newRow("window: write") << Planned::WindowWrite << QList<int>{16 + 2 * 51};
    QTest::newRow("window: open a table") << Planned::WindowOpenTable << QList<int>{1};
    QTest::newRow("window: compare") << Planned::WindowCompare << QList<int>{1 + 2};
}

// Each operation announces, with every command, the plan that counts
// exactly the commands it then sends, by kind; the stand-in receives them.
void TestProgress::planIsWhatIsSent()
{
    QFETCH(Planned, operation);
    QFETCH(QList<int>, commands);

    SettingsFile settings;
    TStation station; // port 1: the stand-in
    sim::ControllerSim &sim = m_sim->Sim();
    std::string tanks;
    for (int tankNo = 1; tankNo <= 6; ++tankNo)
        tanks += Block(tankNo, tankNo).toStdString();
    sim.setFile("tanks.tbl", tanks);
    // The window's tables of tanks 2 and 5 changed, each fetched first.
    for (int tankNo : {2, 5})
        station.EditTable(tankNo, 0, [](TankTable &table) {
            ++table.Volumes[0];
            table.Modified = true;
        });
    sim.clearTranscript();

    PlanRecorder recorder(station.Exchanges());
    RunPlanned(operation, station, sim);

    QStringList announced;
    QList<int> sizes;
    TExchangePlan total;
    for (const AnnouncedOperation &each : recorder.operations) {
        QCOMPARE(each.counted, each.plan);
        announced += each.commands;
        sizes << each.commands.size();
        total = total + each.plan;
    }
    QCOMPARE(sizes, commands);

    QStringList sent;
    TExchangePlan received;
    for (const std::string &command : sim.commands()) {
        sent << QString::fromStdString(command);
        const QString word = sent.last().section(u' ', 0, 0);
        if (word == QLatin1String(RemoteFileCommand::Read))
            ++received.Reads;
        else if (word == QLatin1String(RemoteFileCommand::Write))
            ++received.Writes;
        else
            ++received.Others;
    }
    QCOMPARE(sent, announced);
    // The stand-in cannot tell a check from a read.
    QCOMPARE(received, (TExchangePlan{total.Reads + total.Checks, total.Writes, total.Others, 0}));
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
