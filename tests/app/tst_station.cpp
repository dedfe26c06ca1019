// The station without any widget, against the controller stand-in: the
// reconnect tick, the read, the write and its check, the table fetch, the
// file exchange, the port change and the refusal of a second exchange, with
// the signals the window follows.
#include "SettingsFile.h"
#include "SimFixture.h"
#include "app/Station.h"
#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "config/ConfigImage.h"
#include "config/TerminalConfig.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <functional>

#include <sys/stat.h>

namespace {

QByteArray SimFile(const sim::ControllerSim &sim, const char *name)
{
    return QByteArray::fromStdString(sim.file(name));
}

QStringList Commands(const sim::ControllerSim &sim)
{
    QStringList commands;
    for (const std::string &command : sim.commands())
        commands << QString::fromStdString(command);
    return commands;
}

TTerminalConfig Decoded(const QByteArray &image)
{
    TTerminalConfig config;
    ConfigImage::Decode(image, config);
    return config;
}

bool SlotsEmpty(TTankTables &tables)
{
    for (const TankTable &table : tables) {
        if (table.Loaded || table.Modified
            || std::any_of(table.Volumes.begin(), table.Volumes.end(), [](qint32 volume) { return volume != 0; }))
            return false;
    }
    return true;
}

// The table editor given a table unlike the stand-in's to take: every
// value it changes marks the table changed, as the editor's OK does.
void TypeNewTable(TankTable &table)
{
    for (int k = 0; k < TankTable::EntryCount; ++k) {
        const qint32 volume = 1000 * table.TankNo + 3 * k;
        if (table.Volumes[k] != volume) {
            table.Volumes[k] = volume;
            table.Modified = true;
        }
    }
}

// Entry k of tank n's table as the stand-in holds it.
qint32 SimVolume(const sim::ControllerSim &sim, int n, int k)
{
    return qFromLittleEndian<qint32>(SimFile(sim, "tanks.tbl").constData() + TankTableFile::BlockOffset(n) + 4 * k);
}

const QString kWritten = QStringLiteral("Записано и проверено; ответ на \"reload\": OK");

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startOpensTheLinkAndTicks();
    void tickReopensAMissingPort();
    void closeTicksAtOnce();
    void readReplacesConfigurationAndEmptiesSlots();
    void failedReadLeavesStateEmpty_data();
    void failedReadLeavesStateEmpty();
    void writeSendsConfigurationThenChangedTables();
    void failedCheckStopsTheWrite_data();
    void failedCheckStopsTheWrite();
    void outcomeLastsUntilTheNextAction_data();
    void outcomeLastsUntilTheNextAction();
    void fetchReadsOnceThenHoldsTheSlot_data();
    void fetchReadsOnceThenHoldsTheSlot();
    void fetchWithoutSlotTouchesNothing_data();
    void fetchWithoutSlotTouchesNothing();
    void failedFetchLeavesTheSlot_data();
    void failedFetchLeavesTheSlot();
    void secondExchangeIsRefused_data();
    void secondExchangeIsRefused();
    void fileHoldsConfigurationAndTables();
    void refusedFileChangesNothing();
    void fileIsWrittenOnlyOverAFile();
    void portChange_data();
    void portChange();
    void destroyedStationReleasesThePort();

private:
    // A station on the stand-in, its signals logged from here on.
    void Create();
    // Tank tankNo's table opened in the editor, as the window does, and
    // replaced there by one unlike the stand-in's.
    void Change(int tankNo);
    // A station created, started and read, then edited: another APN, tank
    // tankNo's Hmax, the tables of tanks 2 and 5 changed.
    TTerminalConfig &ReadAndEdit(int tankNo, qint16 hmax);
    // Every slot's height set to hmax, as opening each table does, then
    // emptied by a read, which keeps the heights.
    void SeedHeights(int hmax);
    void Log(const QString &event) { m_events << event; }

    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<SimFixture> m_fixture;
    std::unique_ptr<TStation> m_station;
    QStringList m_events;
};

void TestStation::init()
{
    m_settings = std::make_unique<SettingsFile>();
    m_fixture = std::make_unique<SimFixture>(1);
    m_events.clear();
}

void TestStation::cleanup()
{
    m_station.reset();
    m_fixture.reset();
    m_settings.reset();
}

void TestStation::Create()
{
    m_station = std::make_unique<TStation>();
    TStation *station = m_station.get();
    connect(station, &TStation::statusChanged, this, [this](const QString &text) { Log("status " + text); });
    connect(station, &TStation::configurationCleared, this, [this] { Log("cleared"); });
    connect(station, &TStation::configurationLoaded, this, [this] { Log("loaded"); });
    connect(station, &TStation::outcomeChanged, this, [this](const QString &text) { Log("outcome " + text); });
    TExchangeLine *line = &station->Exchanges();
    connect(line, &TExchangeLine::exchangeRunningChanged, this, [this, line](bool on) {
        Log(on ? QStringLiteral("exchange %1").arg(line->Plan().Commands()) : QStringLiteral("exchange over"));
    });
}

void TestStation::Change(int tankNo)
{
    m_station->EditTable(tankNo, m_station->Configuration().tanks[tankNo - 1].hmax, TypeNewTable);
}

TTerminalConfig &TestStation::ReadAndEdit(int tankNo, qint16 hmax)
{
    Create();
    m_station->Start();
    m_station->ReadFromController();
    TTerminalConfig &config = m_station->Configuration();
    config.apn = QByteArray("written.apn");
    config.tanks[tankNo - 1].hmax = hmax;
    for (const int changed : {2, 5})
        Change(changed);
    return config;
}

void TestStation::SeedHeights(int hmax)
{
    for (int tankNo = 1; tankNo <= TTankTables::Count; ++tankNo)
        QVERIFY(m_station->OpenTable(tankNo, hmax));
    m_station->ReadFromController();
    QVERIFY(SlotsEmpty(m_station->TankTables()));
}

void TestStation::startOpensTheLinkAndTicks()
{
    Create();
    QCOMPARE(m_station->Terminal().PortNumber(), 1); // no settings file
    QVERIFY(!m_station->Terminal().Active());
    QCOMPARE(m_events, QStringList());

    QElapsedTimer sinceStart;
    sinceStart.start();
    m_station->Start();
    QVERIFY(m_station->Terminal().Active());
    QCOMPARE(m_events, QStringList{"status COM1 открыт"});
    QVERIFY(!QFile::exists(m_settings->Path()));

    // The timer ticks on its own, every five seconds: a coarse timer may
    // fire up to 5 % early, never sooner. Every tick reports the open link
    // again.
    QTRY_COMPARE_WITH_TIMEOUT(m_events.size(), 2, 60000);
    QVERIFY2(sinceStart.elapsed() >= 4750, qPrintable(QString::number(sinceStart.elapsed())));
    QCOMPARE(m_events, (QStringList{"status COM1 открыт", "status COM1 открыт"}));
    m_station->Timer1Timer();
    QCOMPARE(m_events.size(), 3);
    QCOMPARE(m_events.last(), QStringLiteral("status COM1 открыт"));
}

void TestStation::tickReopensAMissingPort()
{
    QTemporaryDir ports;
    qputenv("KOLT_TARVO_PORTS", ports.path().toLocal8Bit());
    Create();
    m_station->Start();
    QVERIFY(!m_station->Terminal().Active());
    QCOMPARE(m_events, QStringList{"status COM1: No such file or directory"});

    sim::ControllerSim controller;
    QVERIFY(controller.start(ports.path().toStdString(), 1));
    m_station->Timer1Timer();
    QVERIFY(m_station->Terminal().Active());
    QCOMPARE(m_events.last(), QStringLiteral("status COM1 открыт"));
    controller.stop();
}

void TestStation::closeTicksAtOnce()
{
    Create();
    m_station->Start();
    m_events.clear();
    m_station->Terminal().Close();
    QVERIFY(m_station->Terminal().Active());
    QCOMPARE(m_events, QStringList{"status COM1 открыт"});

    // A reader failure: its text, then the reconnect's outcome at once.
    m_events.clear();
    m_fixture->Sim().hangUp();
    QVERIFY(WaitFor([&] { return m_events.size() >= 2; }));
    QCOMPARE(m_events.first(), QStringLiteral("status COM1 - COM1: Input/output error"));
    QVERIFY2(m_events.at(1).startsWith("status COM1: "), qPrintable(m_events.at(1)));
}

void TestStation::readReplacesConfigurationAndEmptiesSlots()
{
    sim::ControllerSim &sim = m_fixture->Sim();
    QByteArray image = SimFile(sim, "config");
    image[416] = 42; // the card sector
    sim.setFile("config", image.toStdString());
    Create();
    m_station->Start();
    QVERIFY(m_station->OpenTable(2, 100));
    QVERIFY(m_station->TankTables()[1].Loaded);
    m_events.clear();
    sim.clearTranscript();

    m_station->ReadFromController();
    QCOMPARE(Commands(sim), QStringList{"rdfile config 0 0"});
    QCOMPARE(m_events, (QStringList{"exchange 1", "cleared", "loaded", "exchange over"}));
    QVERIFY(m_station->Configuration() == Decoded(image));
    QCOMPARE(m_station->Configuration().card_sector, quint8(42));
    QVERIFY(SlotsEmpty(m_station->TankTables()));
}

void TestStation::failedReadLeavesStateEmpty_data()
{
    QTest::addColumn<QString>("line"); // how the line fails
    QTest::addColumn<QString>("error");
    QTest::newRow("no answer") << "silence" << "rdfile config 0 0";
    QTest::newRow("short answer") << "short" << "Конфигурация повреждена: получено 214 байт из 429";
    QTest::newRow("a digit too many") << "extra digit" << "Нечётное число шестнадцатеричных цифр";
    QTest::newRow("port missing") << "missing" << "COM9: No such file or directory";
}

void TestStation::failedReadLeavesStateEmpty()
{
    QFETCH(QString, line);
    QFETCH(QString, error);
    Create();
    m_station->Start();
    QVERIFY(m_station->OpenTable(3, 100));
    m_station->Configuration().apn = QByteArray("before");
    const TTerminalConfig before = m_station->Configuration();
    sim::ControllerSim &sim = m_fixture->Sim();
    const int next = int(sim.commands().size()) + 1;
    if (line == "silence") {
        m_station->Exchanges().SetCommandTimeout(300);
        sim.addFault({sim::Fault::Silence, next, next});
    } else if (line == "short") {
        sim.addFault({sim::Fault::ShortAnswer, next, next});
    } else if (line == "extra digit") {
        sim.addFault({sim::Fault::ExtraDigit, next, next});
    } else {
        m_station->Terminal().SetPortNumber(9);
        m_station->Terminal().Close(); // its reconnect fails on the missing port
    }
    m_events.clear();

    try {
        m_station->ReadFromController();
        QFAIL("the read went through");
    } catch (const TError &failure) {
        QCOMPARE(failure.Message(), error);
        QCOMPARE(failure.Place().Command, QByteArray("rdfile config 0 0"));
        QCOMPARE(failure.Place().File, QByteArray("config"));
    }
    QCOMPARE(m_events, (QStringList{"exchange 1", "cleared", "exchange over"}));
    QVERIFY(SlotsEmpty(m_station->TankTables()));
    QVERIFY(m_station->Configuration() == before);
}

void TestStation::writeSendsConfigurationThenChangedTables()
{
    sim::ControllerSim &sim = m_fixture->Sim();
    TTerminalConfig &config = ReadAndEdit(3, 1234);
    const QByteArray tablesBefore = SimFile(sim, "tanks.tbl");
    m_events.clear();
    sim.clearTranscript();

    m_station->SaveToController();
    constexpr int kCommands = 14 + 2 + 2 * 51;
    QCOMPARE(m_events, (QStringList{QStringLiteral("exchange %1").arg(kCommands),
                                    "outcome Конфигурация записана и проверена; ответ на \"reload\": OK",
                                    "exchange over", "outcome " + kWritten}));
    QCOMPARE(m_station->Outcome(), kWritten);
    const QStringList commands = Commands(sim);
    QCOMPARE(commands.size(), kCommands);
    // Each read-back right after what it checks, "config"'s before "reload".
    QCOMPARE(commands[14], QStringLiteral("rdfile config 0 429"));
    QCOMPARE(commands[15], QStringLiteral("reload"));
    QVERIFY(commands[16].startsWith("wrfile tanks.tbl 1600 "));
    QCOMPARE(commands[66], QStringLiteral("rdfile tanks.tbl 1600 1600"));
    QVERIFY(commands[67].startsWith("wrfile tanks.tbl 6400 "));
    QCOMPARE(commands[117], QStringLiteral("rdfile tanks.tbl 6400 1600"));
    QCOMPARE(SimFile(sim, "config"), ConfigImage::Encode(config));
    const QByteArray tables = SimFile(sim, "tanks.tbl");
    for (int index = 0; index < TTankTables::Count; ++index) {
        const TankTable &slot = m_station->TankTables()[index];
        const QByteArray block = tables.mid(TankTableFile::BlockOffset(slot.TankNo), TankTableFile::BlockSize);
        if (index == 1 || index == 4) {
            QCOMPARE(block, TankTableFile::BlockBytes(slot));
            QVERIFY(slot.Loaded);
        } else {
            QCOMPARE(block, tablesBefore.mid(TankTableFile::BlockOffset(slot.TankNo), TankTableFile::BlockSize));
        }
        QVERIFY(!slot.Modified);
    }
}

void TestStation::failedCheckStopsTheWrite_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("command"); // of the write, from 1; the fault holds from there on
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("onlyThere"); // the fault hits that one command alone
    QTest::addColumn<QString>("error"); // %5first, %5last: tank 5's first and last entry on the stand-in
    QTest::addColumn<int>("sent");
    QTest::addColumn<QList<int>>("marked"); // slots still marked changed
    QTest::addColumn<QString>("outcome");

    const QString config = QStringLiteral("Контроллер хранит не ту конфигурацию, что записана; \"reload\" не отправлен:\n\n");
    const QString reloaded = QStringLiteral("Конфигурация записана и проверена; ответ на \"reload\": OK");
    const int refuse = sim::Fault::RefuseWrite;
    const int alter = sim::Fault::AlterWrite;
    const int shortAnswer = sim::Fault::ShortAnswer;
    // Commands: 14 chunks of "config" and its read-back, "reload" (16),
    // tank 2's 50 chunks and read-back (17..67), tank 5's (68..118).
    QTest::newRow("every write refused in words")
        << refuse << 1 << 0 << false
        << config + "GPRS · APN: в окне «written.apn», в контроллере «internet.mts.ru»\n"
                    "Резервуары · резервуар 2 · Hmax: в окне 2500, в контроллере 3000"
        << 15 << QList<int>{1, 4} << QString();
    QTest::newRow("config stored with another hmax")
        << alter << 9 << 26 << true << config + "Резервуары · резервуар 2 · Hmax: в окне 2500, в контроллере 2501"
        << 15 << QList<int>{1, 4} << QString();
    QTest::newRow("config stored with another gap byte")
        << alter << 7 << 0 << true << config + "прочие байты конфигурации: 1" << 15 << QList<int>{1, 4} << QString();
    QTest::newRow("config read back short")
        << shortAnswer << 15 << 0 << true << "Конфигурация повреждена: получено 214 байт из 429" << 15
        << QList<int>{1, 4} << QString();
    QTest::newRow("first table stored with another volume")
        << alter << 27 << 4 << true
        << "Контроллер хранит не ту таблицу резервуара 2, что записана:\n\n"
           "Резервуар 2: высота 810 (в окне 2243, в контроллере 2244)"
        << 67 << QList<int>{1, 4} << reloaded;
    QTest::newRow("first table read back short")
        << shortAnswer << 67 << 0 << true
        << "Контроллер хранит не ту таблицу резервуара 2, что записана:\n\n"
           "Резервуар 2: высоты 2000–3990 (в окне 2600 … 3197, в контроллере нет данных)"
        << 67 << QList<int>{1, 4} << reloaded;
    QTest::newRow("second table refused in words")
        << refuse << 68 << 0 << false
        << "Контроллер хранит не ту таблицу резервуара 5, что записана:\n\n"
           "Резервуар 5: высоты 0–3990 (в окне 5000 … 6197, в контроллере %5first … %5last)"
        << 118 << QList<int>{4} << reloaded;
}

// A check that finds a difference stops the write where it is, "reload"
// unsent when it is in "config", and names the difference in the pages'
// words; the configuration stays, the tables not checked stay marked, and
// the next write tries them again.
void TestStation::failedCheckStopsTheWrite()
{
    QFETCH(int, fault);
    QFETCH(int, command);
    QFETCH(int, bytes);
    QFETCH(bool, onlyThere);
    QFETCH(QString, error);
    QFETCH(int, sent);
    QFETCH(QList<int>, marked);
    QFETCH(QString, outcome);

    sim::ControllerSim &sim = m_fixture->Sim();
    TTerminalConfig &config = ReadAndEdit(2, 2500);
    const TTerminalConfig before = config;
    error.replace(QStringLiteral("%5first"), QString::number(SimVolume(sim, 5, 0)))
        .replace(QStringLiteral("%5last"), QString::number(SimVolume(sim, 5, 399)));
    const int start = int(sim.commands().size());
    const int reloads = sim.reloadCount();
    sim.addFault({sim::Fault::Kind(fault), start + command, onlyThere ? start + command : 1 << 30, bytes});
    m_events.clear();

    try {
        m_station->SaveToController();
        QFAIL("the write passed its check");
    } catch (const TError &failure) {
        QCOMPARE(failure.Message(), error);
    }
    const QStringList commands = Commands(sim).mid(start);
    QCOMPARE(commands.size(), sent);
    QCOMPARE(sim.reloadCount(), reloads + (sent > 15 ? 1 : 0));
    QCOMPARE(commands.contains(QStringLiteral("reload")), sent > 15);
    QVERIFY(m_station->Configuration() == before);
    for (int index = 0; index < TTankTables::Count; ++index)
        QCOMPARE(m_station->TankTables()[index].Modified, marked.contains(index));
    QCOMPARE(m_station->Outcome(), outcome);
    QCOMPARE(m_events.filter(QStringLiteral("exchange")), (QStringList{"exchange 118", "exchange over"}));

    // The next write sends what is still marked, and passes.
    sim.clearFaults();
    sim.clearTranscript();
    m_station->SaveToController();
    QCOMPARE(Commands(sim).size(), 16 + 51 * int(marked.size()));
    QCOMPARE(m_station->Outcome(), kWritten);
    for (const TankTable &slot : m_station->TankTables())
        QVERIFY(!slot.Modified);
    QCOMPARE(SimFile(sim, "config"), ConfigImage::Encode(before));
}

void TestStation::outcomeLastsUntilTheNextAction_data()
{
    QTest::addColumn<QString>("action");
    for (const char *action : {"tick", "read", "write", "table fetch", "table held", "line typed", "file saved",
                               "file opened", "port changed"})
        QTest::newRow(action) << QString::fromLatin1(action);
}

void TestStation::outcomeLastsUntilTheNextAction()
{
    QFETCH(QString, action);
    Create();
    m_station->Start();
    m_station->ReadFromController();
    QVERIFY(m_station->OpenTable(1, 100));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("station.json"));
    m_station->SaveToFile(path);
    m_station->SaveToController();
    QCOMPARE(m_station->Outcome(), kWritten);

    if (action == "tick") {
        m_station->Timer1Timer();
    } else if (action == "read") {
        m_station->ReadFromController();
    } else if (action == "write") {
        // A write that fails before its check ends without a word of success.
        m_station->Exchanges().SetCommandTimeout(300);
        m_fixture->Sim().addFault({sim::Fault::Silence, int(m_fixture->Sim().commands().size()) + 1, 1 << 30});
        QVERIFY_THROWS_EXCEPTION(TError, m_station->SaveToController());
    } else if (action == "table fetch") {
        QVERIFY(m_station->OpenTable(2, 100));
    } else if (action == "table held") {
        QVERIFY(m_station->OpenTable(1, 100));
    } else if (action == "line typed") {
        TExchange exchange(m_station->Exchanges());
    } else if (action == "file saved") {
        m_station->SaveToFile(path);
    } else if (action == "file opened") {
        m_station->LoadFromFile(path);
    } else {
        m_station->ChangePort(1);
    }
    QCOMPARE(m_station->Outcome(), action == "tick" ? kWritten : QString());
}

void TestStation::fetchReadsOnceThenHoldsTheSlot_data()
{
    QTest::addColumn<int>("tank");
    for (const int tank : {1, 2, 3, 4, 6})
        QTest::addRow("tank %d", tank) << tank;
}

void TestStation::fetchReadsOnceThenHoldsTheSlot()
{
    QFETCH(int, tank);
    sim::ControllerSim &sim = m_fixture->Sim();
    Create();
    m_station->Start();
    m_events.clear();
    sim.clearTranscript();

    TankTable *table = m_station->OpenTable(tank, 250);
    QCOMPARE(table, &m_station->TankTables()[tank - 1]);
    QCOMPARE(Commands(sim), QStringList{QStringLiteral("rdfile tanks.tbl %1 1600").arg(1600 * (tank - 1))});
    QCOMPARE(m_events,
             (QStringList{"exchange 1", "exchange over"}));
    QVERIFY(table->Loaded);
    QVERIFY(!table->Modified);
    QCOMPARE(table->HMax, 250);
    QCOMPARE(TankTableFile::BlockBytes(*table),
             SimFile(sim, "tanks.tbl").mid(TankTableFile::BlockOffset(tank), TankTableFile::BlockSize));

    // Held in the slot now, an edit included; the height follows the call.
    table->Volumes[0] = -5;
    m_events.clear();
    QCOMPARE(m_station->OpenTable(tank, 70), table);
    QCOMPARE(Commands(sim).size(), 1);
    QCOMPARE(m_events, QStringList());
    QCOMPARE(table->HMax, 70);
    QCOMPARE(table->Volumes[0], -5);
}

void TestStation::fetchWithoutSlotTouchesNothing_data()
{
    QTest::addColumn<int>("tank");
    for (const int tank : {0, -1, 17})
        QTest::addRow("tank %d", tank) << tank;
}

void TestStation::fetchWithoutSlotTouchesNothing()
{
    QFETCH(int, tank);
    Create();
    m_station->Start();
    SeedHeights(55);
    m_events.clear();
    m_fixture->Sim().clearTranscript();

    QCOMPARE(m_station->OpenTable(tank, 300), nullptr);
    QCOMPARE(Commands(m_fixture->Sim()), QStringList());
    QCOMPARE(m_events, QStringList());
    QVERIFY(SlotsEmpty(m_station->TankTables()));
    for (const TankTable &slot : m_station->TankTables())
        QCOMPARE(slot.HMax, 55);
}

void TestStation::failedFetchLeavesTheSlot_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("error");
    QTest::newRow("no answer") << int(sim::Fault::Silence) << "rdfile tanks.tbl 1600 1600";
    // Taken with zeros in its tail, it would overwrite the controller's
    // values when written back.
    QTest::newRow("part of the table") << int(sim::Fault::ShortAnswer)
                                       << "Таблица резервуара 2 повреждена: получено 800 байт из 1600";
    QTest::newRow("a digit too many") << int(sim::Fault::ExtraDigit) << "Нечётное число шестнадцатеричных цифр";
}

void TestStation::failedFetchLeavesTheSlot()
{
    QFETCH(int, fault);
    QFETCH(QString, error);
    Create();
    m_station->Start();
    SeedHeights(55);
    if (fault == sim::Fault::Silence)
        m_station->Exchanges().SetCommandTimeout(300);
    const int next = int(m_fixture->Sim().commands().size()) + 1;
    m_fixture->Sim().addFault({sim::Fault::Kind(fault), next, next});
    m_events.clear();
    try {
        m_station->OpenTable(2, 300);
        QFAIL("the fetch went through");
    } catch (const TError &failure) {
        QCOMPARE(failure.Message(), error);
        QCOMPARE(failure.Place().File, QByteArray("tanks.tbl"));
        QCOMPARE(failure.Place().Part, 2);
    }
    QCOMPARE(m_events,
             (QStringList{"exchange 1", "exchange over"}));
    QVERIFY(SlotsEmpty(m_station->TankTables()));
    QCOMPARE(m_station->TankTables()[1].HMax, 55);
}

void TestStation::secondExchangeIsRefused_data()
{
    QTest::addColumn<QString>("second");
    QTest::newRow("read") << "read";
    QTest::newRow("table fetch") << "fetch";
    QTest::newRow("comparison with the controller") << "compare";
}

// Started while a write waits for the answer to its third command.
void TestStation::secondExchangeIsRefused()
{
    QFETCH(QString, second);
    sim::ControllerSim &sim = m_fixture->Sim();
    Create();
    m_station->Start();
    m_station->ReadFromController();
    for (const int index : {1, 4})
        Change(index + 1);
    const TTerminalConfig config = m_station->Configuration();
    m_events.clear();
    sim.clearTranscript();

    QStringList refusals;
    int started = 0;
    connect(&m_station->Exchanges(), &TExchangeLine::commandStarted, this, [&] {
        if (++started != 3)
            return;
        try {
            if (second == "read")
                m_station->ReadFromController();
            else if (second == "compare")
                m_station->CompareWithController(m_station->Configuration());
            else
                m_station->OpenTable(1, 100);
        } catch (const TError &error) {
            refusals << error.Message();
        }
    });
    m_station->SaveToController();
    QCOMPARE(refusals, QStringList{"Терминал занят"});
    QCOMPARE(m_events.first(), QStringLiteral("exchange 118"));
    QCOMPARE(m_events.filter(QStringLiteral("exchange")), (QStringList{"exchange 118", "exchange over"}));
    QCOMPARE(Commands(sim).size(), 118);
    QVERIFY(m_station->Configuration() == config);
    QVERIFY(!m_station->TankTables()[0].Loaded);
    QVERIFY(m_station->TankTables()[1].Loaded && !m_station->TankTables()[1].Modified);
}

void TestStation::fileHoldsConfigurationAndTables()
{
    sim::ControllerSim &sim = m_fixture->Sim();
    Create();
    m_station->Start();
    m_station->ReadFromController();
    m_station->Configuration().server_name = QByteArray("saved.example");
    Change(2);
    const TankTable *table = m_station->TankTables().ForTank(2);
    const TTerminalConfig saved = m_station->Configuration();
    const auto savedVolumes = table->Volumes;
    QTemporaryDir dir;
    const QString path = dir.filePath("station.json");
    m_events.clear();
    sim.clearTranscript();
    m_station->SaveToFile(path);
    QVERIFY(QFile::exists(path));

    // Another station read in; the file replaces all of it.
    QByteArray other(ConfigImage::Size, '\0');
    other[416] = 9;
    sim.setFile("config", other.toStdString());
    m_station->ReadFromController();
    QVERIFY(SlotsEmpty(m_station->TankTables()));
    m_events.clear();
    sim.clearTranscript();

    m_station->LoadFromFile(path);
    QCOMPARE(Commands(sim), QStringList());
    QCOMPARE(m_events, (QStringList{"cleared", "loaded"}));
    QVERIFY(m_station->Configuration() == saved);
    for (const TankTable &slot : m_station->TankTables()) {
        const bool inFile = slot.TankNo == 2;
        QCOMPARE(slot.Loaded, inFile);
        QCOMPARE(slot.Modified, inFile);
        if (inFile)
            QVERIFY(slot.Volumes == savedVolumes);
    }
}

void TestStation::refusedFileChangesNothing()
{
    Create();
    m_station->Start();
    m_station->ReadFromController();
    Change(4);
    const TankTable *table = m_station->TankTables().ForTank(4);
    const TTerminalConfig config = m_station->Configuration();
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[1, 2]");
    file.close();
    m_events.clear();

    try {
        m_station->LoadFromFile(path);
        QFAIL("the file was taken");
    } catch (const TError &error) {
        QCOMPARE(error.Message(), QDir::toNativeSeparators(path) + ": ожидается один объект JSON");
    }
    QCOMPARE(m_events, QStringList());
    QVERIFY(m_station->Configuration() == config);
    QVERIFY(table->Loaded && table->Modified);
}

// The station file goes only to a regular file: a FIFO in its place is
// refused, not replaced.
void TestStation::fileIsWrittenOnlyOverAFile()
{
    Create();
    QTemporaryDir dir;
    const QString path = dir.filePath("station.json");
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    try {
        m_station->SaveToFile(path);
        QFAIL("the station was saved");
    } catch (const TError &error) {
        QCOMPARE(error.Message(), QDir::toNativeSeparators(path) + ": Not a regular file, not replaced");
    }
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"station.json"});
}

void TestStation::portChange_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("settings written") << true;
    QTest::newRow("settings not writable") << false;
}

void TestStation::portChange()
{
    QFETCH(bool, writable);
    if (!writable)
        m_settings->Use(QFileInfo(m_settings->Path()).absolutePath() + "/missing/kolt-tarvo-conf.ini");
    std::unique_ptr<sim::ControllerSim> com2 = m_fixture->StartAnother(2);
    Create();
    QCOMPARE(m_station->SettingsPath(), m_settings->Path());
    m_station->Start();
    m_events.clear();

    try {
        m_station->ChangePort(2);
        QVERIFY(writable);
    } catch (const TError &error) {
        QVERIFY(!writable);
        QCOMPARE(error.Message(), "Unable to write to " + m_settings->Path());
    }
    // The closed event has reopened the link on the new number.
    QCOMPARE(m_events, QStringList{"status COM2 открыт"});
    QCOMPARE(m_station->Terminal().PortNumber(), 2);
    QVERIFY(m_station->Terminal().Active());
    QVERIFY(PortOpens(1));
    QCOMPARE(QFile::exists(m_settings->Path()), writable);
    if (writable) {
        QFile file(m_settings->Path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[conn]\nport=2\n"));
    }
    m_station->Terminal().Send("reload\r");
    QVERIFY(WaitFor([&] { return com2->reloadCount() == 1; }));
    com2->stop();
}

void TestStation::destroyedStationReleasesThePort()
{
    Create();
    m_station->Start();
    QVERIFY(m_station->Terminal().Active());
    m_events.clear();
    m_station.reset(); // its closed event must not reopen the port
    QCOMPARE(m_events, QStringList());
    QVERIFY(PortOpens(m_fixture->Port()));
}

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
