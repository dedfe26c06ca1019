// The exchange progress display, following a real terminal's transactions
// against the controller stand-in.
#include "SettingsFile.h"
#include "SimFixture.h"
#include "app/ExchangeProgress.h"
#include "app/Station.h"
#include "app/UfmMain.h"
#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "config/ConfigTransfer.h"
#include "config/TerminalConfig.h"
#include "terminal/Terminal.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QtTest>

namespace {

enum class Operation { ReadConfig, WriteConfig, FetchTank3, WriteBackTanks2And5 };

void Run(Operation operation, TTerminal &terminal)
{
    TTerminalConfig config;
    TTankTables tables;
    switch (operation) {
    case Operation::ReadConfig:
        ReadConfig(terminal, config);
        break;
    case Operation::WriteConfig:
        WriteConfig(terminal, config);
        break;
    case Operation::FetchTank3:
        FetchTankTable(terminal, tables[2]);
        break;
    case Operation::WriteBackTanks2And5:
        for (int index : {1, 4})
            tables[index].Loaded = tables[index].Modified = true;
        WriteBackTankTables(terminal, tables);
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
    Recorder(TTerminal &terminal, const TExchangeProgress &progress) : m_progress(progress)
    {
        QObject::connect(&terminal, &TTerminal::commandStarted, &m_context, [this] {
            startedTexts << m_progress.lblStep->text();
            Check();
        });
        QObject::connect(&terminal, &TTerminal::commandFinished, &m_context, [this] {
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
    void mainWindowCountsEveryCommand();

private:
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<TTerminal> m_terminal;
    std::unique_ptr<QStatusBar> m_statusBar;
    TExchangeProgress *m_progress = nullptr; // owned by m_statusBar
};

void TestProgress::init()
{
    m_sim = std::make_unique<SimFixture>();
    m_terminal = std::make_unique<TTerminal>();
    m_terminal->SetPortNumber(m_sim->Port());
    m_terminal->SetCommandTimeout(2000);
    m_statusBar = std::make_unique<QStatusBar>();
    m_progress = new TExchangeProgress(*m_terminal, m_statusBar.get());
    m_statusBar->addWidget(m_progress);
}

void TestProgress::cleanup()
{
    m_statusBar.reset();
    m_terminal.reset();
    m_sim.reset();
}

void TestProgress::stepText_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("text");
    QTest::newRow("config read") << QByteArray("rdfile config 0 0") << "Чтение config";
    QTest::newRow("config write") << QByteArray("wrfile config 416 00FF") << "Запись config";
    QTest::newRow("first block, first chunk")
        << QByteArray("wrfile tanks.tbl 0 0102") << "Запись tanks.tbl: резервуар 1";
    QTest::newRow("last chunk of tank 2")
        << QByteArray("wrfile tanks.tbl 3168 0102") << "Запись tanks.tbl: резервуар 2";
    QTest::newRow("table read") << QByteArray("rdfile tanks.tbl 3200 1600")
                                << "Чтение tanks.tbl: резервуар 3";
    QTest::newRow("last slot") << QByteArray("wrfile tanks.tbl 25568 00")
                               << "Запись tanks.tbl: резервуар 16";
    QTest::newRow("other command") << QByteArray("reload") << "Команда reload";
}

void TestProgress::stepText()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, text);
    QCOMPARE(TExchangeProgress::StepText(command), text);
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
}

void TestProgress::followsOperation()
{
    QFETCH(Operation, operation);
    QFETCH(int, total);
    QFETCH(QStringList, texts);

    QVERIFY(m_progress->isHidden());
    Recorder recorder(*m_terminal, *m_progress);
    {
        TExchangeProgress::Session session(*m_progress, total);
        QVERIFY(!m_progress->isHidden());
        QCOMPARE(m_progress->pbCommands->value(), 0);
        Run(operation, *m_terminal);
        QCOMPARE(m_progress->pbCommands->value(), total);
    }
    QVERIFY(m_progress->isHidden());
    QCOMPARE(recorder.startedTexts, texts);
    QCOMPARE(recorder.finishedValues, OneTo(total));
    QCOMPARE(recorder.maximums, QList<int>(2 * total, total));
    QVERIFY(recorder.alwaysShown);
}

void TestProgress::endsOnFailureAndStartsAfresh()
{
    m_terminal->SetCommandTimeout(2000); // ends the silent command; the others answer whole
    m_sim->Sim().addFault({sim::Fault::Silence, 3, 3});
    Recorder failing(*m_terminal, *m_progress);
    try {
        TExchangeProgress::Session session(*m_progress, 15);
        Run(Operation::WriteConfig, *m_terminal);
        QFAIL("the write went through a silent controller");
    } catch (const TError &) {
    }
    QVERIFY(m_progress->isHidden());
    QCOMPARE(failing.finishedValues, OneTo(3)); // the failed command counts as done

    Recorder next(*m_terminal, *m_progress);
    {
        TExchangeProgress::Session session(*m_progress, 1);
        QCOMPARE(m_progress->pbCommands->value(), 0);
        QCOMPARE(m_progress->pbCommands->maximum(), 1);
        Run(Operation::ReadConfig, *m_terminal);
    }
    QCOMPARE(next.finishedValues, QList<int>{1});
    QVERIFY(next.alwaysShown);
    QVERIFY(m_progress->isHidden());
}

void TestProgress::refusedOperationLeavesRunningOne()
{
    // A table fetch pressed while a configuration write waits: the terminal
    // refuses it, and the write's display goes on.
    QStringList refusals;
    TankTable table;
    table.TankNo = 3;
    QObject context;
    connect(m_terminal.get(), &TTerminal::commandStarted, &context, [&](const QByteArray &) {
        if (m_progress->pbCommands->value() != 4)
            return;
        TExchangeProgress::Session nested(*m_progress, 1);
        try {
            FetchTankTable(*m_terminal, table);
        } catch (const TError &error) {
            refusals << error.Message();
        }
    });
    Recorder recorder(*m_terminal, *m_progress);
    {
        TExchangeProgress::Session session(*m_progress, 15);
        Run(Operation::WriteConfig, *m_terminal);
        QVERIFY(!m_progress->isHidden());
    }
    QCOMPARE(refusals, QStringList{"Терминал занят"});
    QVERIFY(!table.Loaded);
    QVERIFY(recorder.alwaysShown);
    QCOMPARE(recorder.finishedValues, OneTo(15));
    QCOMPARE(recorder.maximums, QList<int>(30, 15));
    QVERIFY(m_progress->isHidden());
}

void TestProgress::mainWindowCountsEveryCommand()
{
    SettingsFile settings;
    TfmMain fmMain; // port 1: the stand-in
    TStation &station = fmMain.Station();
    const auto *status = fmMain.findChild<QLabel *>("StatusPanel0");
    const auto *progress = fmMain.findChild<TExchangeProgress *>("ExchangeProgress");
    QVERIFY(status && progress);
    const QString linkState = status->text();
    QCOMPARE(linkState, QStringLiteral("COM1 открыт"));

    Recorder reading(station.Terminal(), *progress);
    fmMain.acIcReadExecute();
    QCOMPARE(reading.finishedValues, QList<int>{1});
    QCOMPARE(reading.maximums, QList<int>(2, 1));

    for (int index : {1, 4})
        station.TankTables()[index].Loaded = station.TankTables()[index].Modified = true;
    Recorder writing(station.Terminal(), *progress);
    fmMain.acIcWriteExecute();
    constexpr int kCommands = 14 + 1 + 2 * 50; // config, reload, two tables
    QCOMPARE(writing.finishedValues, OneTo(kCommands));
    QCOMPARE(writing.maximums, QList<int>(2 * kCommands, kCommands));
    QCOMPARE(writing.startedTexts.last(), QStringLiteral("Запись tanks.tbl: резервуар 5"));
    QVERIFY(writing.alwaysShown && reading.alwaysShown);
    QVERIFY(progress->isHidden());
    QCOMPARE(status->text(), linkState);
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
