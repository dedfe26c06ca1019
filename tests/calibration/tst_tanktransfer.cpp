// Fetch and write-back of calibration tables against the controller stand-in.
#include "QtTestWatchdog.h"
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
#include "terminal/ExchangeScript.h"
#include "terminal/Terminal.h"

#include <QTest>

namespace {

using Volumes = std::array<qint32, TankTable::EntryCount>;

// A distinct table per tank, negative entries included.
Volumes TankVolumes(int tankNo)
{
    Volumes volumes;
    for (int k = 0; k < TankTable::EntryCount; ++k)
        volumes[k] = (k % 2 ? -1 : 1) * (tankNo * 100000 + k * 37);
    return volumes;
}

std::string LittleEndian(const Volumes &volumes)
{
    std::string bytes;
    for (qint32 value : volumes) {
        const quint32 bits = quint32(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(char((bits >> shift) & 0xFF));
    }
    return bytes;
}

// "tanks.tbl" holding TankVolumes() for tanks 1..6.
std::string TankFile()
{
    std::string file;
    for (int n = 1; n <= 6; ++n)
        file += LittleEndian(TankVolumes(n));
    return file;
}

QStringList Commands(sim::ControllerSim &sim)
{
    QStringList commands;
    for (const std::string &command : sim.commands())
        commands.append(QString::fromStdString(command));
    return commands;
}

QStringList WriteCommands(int offset, const std::string &file)
{
    QStringList commands;
    for (int done = 0; done < 1600; done += 32) {
        const QByteArray chunk = QByteArray::fromStdString(file.substr(offset + done, 32));
        commands.append(QStringLiteral("wrfile tanks.tbl %1 %2")
                            .arg(offset + done)
                            .arg(QString::fromLatin1(chunk.toHex().toUpper())));
    }
    return commands;
}

} // namespace

Q_DECLARE_METATYPE(TEmptyTable)

class TankTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { m_watchdog.LastTestDone(); }
    void fetch_data();
    void fetch();
    void fetchFailureLeavesSlotEmpty_data();
    void fetchFailureLeavesSlotEmpty();
    void writeBack_data();
    void writeBack();
    void editDuringWriteBackStaysMarked();
    void stationWriteReportsEachStep();
    void reloadAnswerIsReturned_data();
    void reloadAnswerIsReturned();

private:
    QtTestWatchdog m_watchdog;
};

void TankTransferTest::fetch_data()
{
    QTest::addColumn<int>("fileBytes"); // how much of the file exists
    QTest::addColumn<int>("copiedBytes");

    QTest::newRow("whole block") << 6 * 1600 << 1600;
    // A controller that has no table for the tank yet.
    QTest::newRow("no data") << 1600 << 0;
}

void TankTransferTest::fetch()
{
    QFETCH(int, fileBytes);
    QFETCH(int, copiedBytes);

    SimFixture fixture;
    fixture.Sim().setFile("tanks.tbl", TankFile().substr(0, fileBytes));
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTankTables tables;

    FetchTankTableScript(tables[2]).Run(exchanges);

    QCOMPARE(Commands(fixture.Sim()), QStringList{"rdfile tanks.tbl 3200 1600"});
    std::string expected = LittleEndian(TankVolumes(3)).substr(0, copiedBytes);
    expected.resize(1600, '\0');
    QCOMPARE(LittleEndian(tables[2].Volumes), expected);
    QVERIFY(tables[2].Loaded);
    QVERIFY(!tables[2].Modified);
}

void TankTransferTest::fetchFailureLeavesSlotEmpty_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("fileBytes"); // how much of the file exists
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("answerLine"); // that the error names
    QTest::addColumn<TEmptyTable>("empty");

    const int file = 6 * 1600;
    const QString damaged = QStringLiteral("Таблица резервуара 3 повреждена: получено %1 байт из 1600");
    const QString odd = QStringLiteral("Нечётное число шестнадцатеричных цифр");
    QTest::newRow("no answer") << int(sim::Fault::Silence) << file << "rdfile tanks.tbl 3200 1600" << 0
        << TEmptyTable::Zeros;
    QTest::newRow("non-hex answer") << int(sim::Fault::NonHexLine) << file << "'$ER' is not a valid integer value" << 2
        << TEmptyTable::Zeros;
    // Part of a table, taken with zeros in its tail, would overwrite the
    // controller's values with zeros when written back.
    QTest::newRow("short answer") << int(sim::Fault::ShortAnswer) << file << damaged.arg(800) << 0
        << TEmptyTable::Zeros;
    QTest::newRow("entry cut in the middle") << int(sim::Fault::None) << 2 * 1600 + 6 << damaged.arg(6) << 0
        << TEmptyTable::Zeros;
    QTest::newRow("an answer line beginning with '>'") << int(sim::Fault::LineCutAfterGt) << file << damaged.arg(16) << 0
        << TEmptyTable::Zeros;
    QTest::newRow("a digit too many mid-line") << int(sim::Fault::ExtraDigit) << file << odd << 51
        << TEmptyTable::Zeros;
    QTest::newRow("a digit missing") << int(sim::Fault::DroppedDigit) << file << odd << 51 << TEmptyTable::Zeros;
    QTest::newRow("a byte too many") << int(sim::Fault::ExtraByte) << file
                                     << "Ответ длиннее запрошенного: получено 1601 байт из 1600" << 0
                                         << TEmptyTable::Zeros;
    // No table there yet, where a whole one is asked for.
    QTest::newRow("no table, a whole one asked for") << int(sim::Fault::None) << 2 * 1600 << damaged.arg(0) << 0
                                                     << TEmptyTable::Refused;
}

// The slot stays as it was, and the error names the file, the tank and the
// command.
void TankTransferTest::fetchFailureLeavesSlotEmpty()
{
    QFETCH(int, fault);
    QFETCH(int, fileBytes);
    QFETCH(QString, error);
    QFETCH(int, answerLine);
    QFETCH(TEmptyTable, empty);

    SimFixture fixture;
    fixture.Sim().setFile("tanks.tbl", TankFile().substr(0, fileBytes));
    fixture.Sim().addFault({sim::Fault::Kind(fault)});
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    // A short limit only where silence is the fault: an answer that comes
    // must not be cut short by a pause on a busy machine.
    terminal.SetPortNumber(fixture.Port());
    if (fault == sim::Fault::Silence)
        exchanges.SetCommandTimeout(300);
    TTankTables tables;
    tables[2].HMax = 1234;

    try {
        FetchTankTableScript(tables[2], empty).Run(exchanges);
        QFAIL("the fetch went through");
    } catch (const TError &failure) {
        QCOMPARE(failure.Message(), error);
        QCOMPARE(failure.Place().Command, QByteArray("rdfile tanks.tbl 3200 1600"));
        QCOMPARE(failure.Place().File, QByteArray("tanks.tbl"));
        QCOMPARE(failure.Place().Part, 3);
        QCOMPARE(failure.Place().AnswerLine, answerLine);
    }
    QCOMPARE(Commands(fixture.Sim()), QStringList{"rdfile tanks.tbl 3200 1600"});
    QVERIFY(!tables[2].Loaded);
    QVERIFY(tables[2].Volumes == Volumes{});
    QCOMPARE(tables[2].HMax, 1234);
}

void TankTransferTest::writeBack_data()
{
    QTest::addColumn<QList<int>>("modifiedTanks");
    QTest::addColumn<int>("failingCommand"); // 0: none
    QTest::addColumn<QList<int>>("writtenTanks");
    QTest::addColumn<QList<int>>("stillModified");

    QTest::newRow("tanks 2 and 5") << QList<int>{2, 5} << 0 << QList<int>{2, 5} << QList<int>{};
    QTest::newRow("nothing changed") << QList<int>{} << 0 << QList<int>{} << QList<int>{};
    QTest::newRow("second table fails") << QList<int>{2, 5} << 60 << QList<int>{2}
                                        << QList<int>{5};
    QTest::newRow("first table fails") << QList<int>{2, 5} << 3 << QList<int>{} << QList<int>{2, 5};
}

void TankTransferTest::writeBack()
{
    QFETCH(QList<int>, modifiedTanks);
    QFETCH(int, failingCommand);
    QFETCH(QList<int>, writtenTanks);
    QFETCH(QList<int>, stillModified);

    SimFixture fixture;
    const std::string before = TankFile();
    fixture.Sim().setFile("tanks.tbl", before);
    if (failingCommand)
        fixture.Sim().addFault({sim::Fault::Silence, failingCommand, failingCommand});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    exchanges.SetCommandTimeout(2000); // ends the silent command; the others answer whole

    // Edited tables hold the values of tank 7 + n, so every write shows.
    TTankTables tables;
    std::string edited = before;
    for (int n = 1; n <= 6; ++n)
        tables[n - 1].Loaded = true;
    for (int n : modifiedTanks) {
        tables[n - 1].Volumes = TankVolumes(7 + n);
        tables[n - 1].Modified = true;
        edited.replace((n - 1) * 1600, 1600, LittleEndian(TankVolumes(7 + n)));
    }

    const TExchangeScript script = WriteBackScript(tables);
    QCOMPARE(script.Plan(), (TExchangePlan{0, 50 * int(modifiedTanks.size()), 0}));
    if (failingCommand)
        QVERIFY_THROWS_EXCEPTION(TError, script.Run(exchanges));
    else
        script.Run(exchanges);

    // A failure ends the run at the failing command of the next table.
    QStringList expectedCommands;
    for (int n : writtenTanks)
        expectedCommands += WriteCommands((n - 1) * 1600, edited);
    if (failingCommand) {
        const int failingTank = modifiedTanks[writtenTanks.size()];
        expectedCommands += WriteCommands((failingTank - 1) * 1600, edited)
                                .mid(0, failingCommand - expectedCommands.size());
    }
    QCOMPARE(Commands(fixture.Sim()), expectedCommands);
    for (int n = 1; n <= TTankTables::Count; ++n) {
        QCOMPARE(tables[n - 1].Modified, stillModified.contains(n));
        QCOMPARE(tables[n - 1].Loaded, n <= 6);
    }
    for (int n : writtenTanks)
        QCOMPARE(fixture.Sim().file("tanks.tbl").substr((n - 1) * 1600, 1600),
                 edited.substr((n - 1) * 1600, 1600));
}

// A table edited while the write-back runs, after its block was taken,
// stays marked: the edit is written next time, not dropped.
void TankTransferTest::editDuringWriteBackStaysMarked()
{
    SimFixture fixture;
    fixture.Sim().setFile("tanks.tbl", TankFile());
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTankTables tables;
    for (int n : {2, 3, 5}) {
        tables[n - 1].Loaded = tables[n - 1].Modified = true;
        tables[n - 1].Volumes = TankVolumes(7 + n);
    }
    const TExchangeScript script = WriteBackScript(tables);
    // While the first chunk of tank 2 is sent, tanks 2 and 5 are edited.
    QObject context;
    connect(&exchanges, &TExchangeLine::commandStarted, &context, [&](const TExchangeStep &step) {
        if (step.Number != 1)
            return;
        ++tables[1].Volumes[0];
        ++tables[4].Volumes[0];
    });
    script.Run(exchanges);

    QVERIFY(tables[1].Modified);
    QVERIFY(!tables[2].Modified);
    QVERIFY(tables[4].Modified);
    // The controller holds the blocks as they were taken.
    const std::string held = fixture.Sim().file("tanks.tbl");
    for (int n : {2, 3, 5})
        QCOMPARE(held.substr((n - 1) * 1600, 1600), LittleEndian(TankVolumes(7 + n)));
}

// A whole checked write with the tables of tanks 2 and 5 changed: every
// command reported in order, read-backs after what they check, with its
// file, offset, tank, number and the total known from the first, each as
// the stand-in received it.
void TankTransferTest::stationWriteReportsEachStep()
{
    SimFixture fixture;
    fixture.Sim().setFile("tanks.tbl", TankFile());
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTankTables tables;
    for (int n : {2, 5})
        tables[n - 1].Loaded = tables[n - 1].Modified = true;
    QList<TExchangeStep> started;
    QList<int> finished;
    connect(&exchanges, &TExchangeLine::commandStarted, this,
            [&](const TExchangeStep &step) { started << step; });
    connect(&exchanges, &TExchangeLine::commandFinished, this, [&](const TExchangeStep &step, bool succeeded) {
        finished << (succeeded ? step.Number : -step.Number);
    });

    constexpr int kTotal = 14 + 1 + 1 + 2 * (50 + 1);
    const QByteArray image = ConfigImage::Encode(TTerminalConfig());
    const TExchangeScript script = WriteStationScript(
        image, tables, TStationDifference::TSides{QStringLiteral("в окне"), QStringLiteral("в контроллере")});
    QCOMPARE(script.Plan(), (TExchangePlan{0, 14 + 2 * 50, 1, 3}));
    QCOMPARE(WriteStationScript(image, tables, std::nullopt).Plan(), (TExchangePlan{0, 14 + 2 * 50, 1, 0}));
    script.Run(exchanges);

    struct Expected
    {
        TExchangeStep::TKind kind;
        QByteArray file;
        qint32 offset;
        qint32 size;
        int part;
    };
    QList<Expected> expected;
    for (int offset = 0; offset < 429; offset += 32)
        expected.append({TExchangeStep::TKind::Write, "config", offset, qMin(32, 429 - offset), 0});
    expected.append({TExchangeStep::TKind::Check, "config", 0, 429, 0});
    expected.append({TExchangeStep::TKind::Command, {}, 0, 0, 0});
    for (int n : {2, 5}) {
        for (int chunk = 0; chunk < 50; ++chunk)
            expected.append({TExchangeStep::TKind::Write, "tanks.tbl", (n - 1) * 1600 + 32 * chunk, 32, n});
        expected.append({TExchangeStep::TKind::Check, "tanks.tbl", (n - 1) * 1600, 1600, n});
    }
    const QStringList sent = Commands(fixture.Sim());
    QCOMPARE(started.size(), kTotal);
    QCOMPARE(sent.size(), kTotal);
    QCOMPARE(sent[14], QStringLiteral("rdfile config 0 429"));
    QCOMPARE(sent[15], QStringLiteral("reload"));
    QCOMPARE(sent[66], QStringLiteral("rdfile tanks.tbl 1600 1600"));
    QCOMPARE(sent[117], QStringLiteral("rdfile tanks.tbl 6400 1600"));
    for (int i = 0; i < kTotal; ++i) {
        const TExchangeStep &step = started[i];
        QCOMPARE(step.Kind, expected[i].kind);
        QCOMPARE(step.File, expected[i].file);
        QCOMPARE(step.Offset, expected[i].offset);
        QCOMPARE(step.Size, expected[i].size);
        QCOMPARE(step.Part, expected[i].part);
        QCOMPARE(step.Number, i + 1);
        QCOMPARE(step.Plan.Commands(), kTotal);
        QCOMPARE(QString::fromLatin1(step.Command), sent[i]);
        if (step.Kind == TExchangeStep::TKind::Write)
            QVERIFY(sent[i].startsWith(QStringLiteral("wrfile %1 %2 ").arg(QString::fromLatin1(step.File)).arg(step.Offset)));
    }
    // Every step ended with its prompt, in the order it began.
    QList<int> numbers;
    for (int i = 1; i <= kTotal; ++i)
        numbers << i;
    QCOMPARE(finished, numbers);
    QVERIFY(!tables[1].Modified && !tables[4].Modified);
}

void TankTransferTest::reloadAnswerIsReturned_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("taken up") << false << QList<QByteArray>{"OK"};
    QTest::newRow("refused") << true << QList<QByteArray>{"\xCE\xD8\xC8\xC1\xCA\xC0: config not loaded"};
}

// "reload" after the configuration: its answer, the controller's word on
// whether it took the file up, comes back as it was sent.
void TankTransferTest::reloadAnswerIsReturned()
{
    QFETCH(bool, refused);
    QFETCH(QList<QByteArray>, lines);

    SimFixture fixture;
    if (refused)
        fixture.Sim().addFault({sim::Fault::ReloadError});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    QList<QByteArray> answer;
    ReloadScript([&](const QList<QByteArray> &reloaded) { answer = reloaded; }).Run(exchanges);
    QCOMPARE(answer, lines);
    QCOMPARE(fixture.Sim().reloadCount(), refused ? 0 : 1);
    QCOMPARE(Commands(fixture.Sim()), QStringList{"reload"});
}

QTEST_GUILESS_MAIN(TankTransferTest)
#include "tst_tanktransfer.moc"
