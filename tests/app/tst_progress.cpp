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
#include "station/StationTransfer.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
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
    const TExchangePlan plans[] = {ReadConfigPlan(), WriteConfigPlan(), FetchTankTablePlan(), WriteBackPlan(tables),
                                   WriteStationPlan(tables, true)};
    TExchange exchange(line, plans[int(operation)]);
    if (Begun)
        Begun();
    switch (operation) {
    case Operation::ReadConfig:
        ReadConfig(exchange, config);
        break;
    case Operation::WriteConfig:
        WriteConfig(exchange, config);
        break;
    case Operation::FetchTank3:
        FetchTankTable(exchange, tables[2]);
        break;
    case Operation::WriteBackTanks2And5:
        WriteBackTankTables(exchange, tables);
        break;
    case Operation::CheckedWriteOfTanks2And5:
        WriteStation(exchange, ConfigImage::Encode(config), tables, TStationDifference::TSides{});
        break;
    }
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

} // namespace

Q_DECLARE_METATYPE(Operation)

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
            TExchange nested(*m_line, FetchTankTablePlan());
            FetchTankTable(nested, table);
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

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
