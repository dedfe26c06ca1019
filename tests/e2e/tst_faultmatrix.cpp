// Every controller operation of the main window against every fault of the
// line, through the real window, terminal and stand-in.
#include "SimFixture.h"
#include "WindowDriver.h"
#include "app/ConfigPages.h"
#include "app/ErrorBox.h"
#include "app/TerminalPage.h"
#include "calibration/UfmTankCalibration.h"
#include "config/TerminalConfig.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QAction>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <optional>

namespace {

enum class Operation { Read, Write, Fetch, WriteBack };

// How the line is set up before the operation, besides the fault.
enum class Line { StandIn, PortMissing, PortBusy, SecondExchange };

// Ends the silences; long enough that the commands before the silent one
// never reach it on a busy machine.
constexpr int kCommandTimeoutMs = 2000;
constexpr int kConfigChunks = 14;
constexpr int kTableChunks = 50;
// A checked write: the chunks of "config", its read-back and "reload"; then
// each table's chunks and its read-back.
constexpr int kConfigCommands = kConfigChunks + 2;
constexpr int kTableCommands = kTableChunks + 1;
constexpr int kMissingPort = 9;
// The slots the write operations carry as changed: tanks 2 and 5.
constexpr int kChangedSlots[] = {1, 4};

// The command of the operation a fault is aimed at, counted from the
// operation's first command, and how its text begins.
struct Target
{
    int command;
    const char *prefix;
};

Target TargetOf(Operation operation)
{
    switch (operation) {
    case Operation::Read:
        return {1, "rdfile config 0 0"};
    case Operation::Write:
        return {3, "wrfile config 64 "};
    case Operation::Fetch:
        return {1, "rdfile tanks.tbl 0 1600"};
    case Operation::WriteBack: // the third chunk of the second table
        return {kConfigCommands + kTableCommands + 3, "wrfile tanks.tbl 6464 "};
    }
    return {};
}

void Start(TfmMain &window, Operation operation)
{
    switch (operation) {
    case Operation::Read:
        ClickAction(window, "acIcRead");
        break;
    case Operation::Write:
    case Operation::WriteBack:
        ClickAction(window, "acIcWrite");
        break;
    case Operation::Fetch:
        ShowTankPage(window);
        ClickTableButton(window, 0);
        break;
    }
}

// What a user can try while an exchange runs: the table of tank 1 when the
// tank grid has rows, then a read and a write after switching the top page
// away and back. Returns the controls that were enabled when clicked; each
// would start a second exchange, which the line would refuse.
QStringList AttemptSecondExchange(TfmMain &window)
{
    QStringList enabled;
    if (TankGrid(window)->model()->rowCount() > 0) {
        ShowTankPage(window);
        if (TableButtonsEnabled(window))
            enabled << QStringLiteral("table button");
        ClickTableButton(window, 0);
    }
    ClickTab(window, "tsTerminal");
    ClickTab(window, "tsConfig");
    for (const char *name : {"acIcRead", "acIcWrite"}) {
        QAction *action = Action(window, name);
        if (action->isEnabled())
            enabled << action->text();
        ClickAction(window, name);
    }
    return enabled;
}

// Edits the changed slots' tables, as the editor would, into ones that
// differ from the stand-in's; each is fetched first.
void ChangeTables(TfmMain &window)
{
    TStation &station = window.Station();
    for (int slot : kChangedSlots) {
        station.EditTable(slot + 1, station.Configuration().tanks[slot].hmax, [slot](TankTable &table) {
            for (int k = 0; k < TankTable::EntryCount; ++k)
                table.Volumes[k] = 1000 * (slot + 1) + k;
            table.Modified = true;
        });
    }
}

QByteArray VolumeBytes(const TankTable &table)
{
    QByteArray bytes;
    for (qint32 volume : table.Volumes)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char(quint32(volume) >> shift));
    return bytes;
}

QByteArray TableBlock(const sim::ControllerSim &sim, int slot)
{
    return QByteArray::fromStdString(sim.file("tanks.tbl")).mid(slot * 1600, 1600);
}

bool PagesEmpty(TfmMain &window)
{
    for (auto *grid : window.findChildren<TConfigGrid *>())
        if (grid->model()->rowCount() != 0)
            return false;
    for (auto *edit : Child(window, "pcConfig")->findChildren<QLineEdit *>())
        if (!edit->text().isEmpty())
            return false;
    return true;
}

bool SlotsEmpty(TfmMain &window)
{
    for (const TankTable &table : window.Station().TankTables())
        if (table.Loaded || table.Modified || VolumeBytes(table) != QByteArray(1600, '\0'))
            return false;
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Line)
Q_DECLARE_METATYPE(sim::Fault::Kind)

class FaultMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void operationUnderFault_data();
    void operationUnderFault();

private:
    QStringList m_errors;
};

void FaultMatrixTest::init()
{
    m_errors.clear();
    ErrorBox::SetReporter([this](const QString &text) { m_errors.append(text); });
}

void FaultMatrixTest::cleanup()
{
    ErrorBox::SetReporter(nullptr);
}

void FaultMatrixTest::operationUnderFault_data()
{
    using sim::Fault;
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<Line>("line");
    QTest::addColumn<Fault::Kind>("fault");
    QTest::addColumn<int>("bytes"); // of a hang-up
    QTest::addColumn<bool>("succeeds");
    // The error boxes' texts; %1 stands for the failing command as received.
    QTest::addColumn<QStringList>("errors");
    // The commands sent when a check after the fault stops the operation; 0
    // when it stops at the fault.
    QTest::addColumn<int>("sent");

    // Each box holds the message, then where and why the exchange failed.
    const QStringList none;
    const QString missing = QStringLiteral("COM%1: No such file or directory.").arg(kMissingPort);
    const QString busy = QStringLiteral("COM1: Device or resource busy.");
    const QString nonHex = QStringLiteral("'$ER' is not a valid integer value.");
    const QString odd = QStringLiteral("Нечётное число шестнадцатеричных цифр.");

    struct OperationInfo
    {
        const char *name;
        Operation operation;
        int hangUpBytes; // inside the answer of a read, inside the echo of a write
        bool reads;
        QString file;         // the file and tank it moves, as the box names them
        QString firstCommand; // as the box shows it
        int middleLine;       // of its read's answer
    };
    const OperationInfo operations[] = {
        {"read", Operation::Read, 60, true, "config", "rdfile config 0 0", 14},
        {"write", Operation::Write, 40, false, "config", "wrfile config 0", 0},
        {"table fetch", Operation::Fetch, 200, true, "tanks.tbl, резервуар 1", "rdfile tanks.tbl 0 1600", 51},
        {"table write-back", Operation::WriteBack, 40, false, "tanks.tbl, резервуар 5", "", 0},
    };
    for (const OperationInfo &info : operations) {
        auto row = [&](const char *fault) -> QTestData & {
            return QTest::addRow("%s, %s", info.name, fault) << info.operation;
        };
        // The failing command, then its file and the cause.
        const auto failed = [&](const QString &cause) {
            return QStringList{QStringLiteral("%1.\n") + info.file + QStringLiteral(": ") + cause + u'.'};
        };
        // The message, then the file and the command whose answer was wrong.
        const auto refused = [&](const QString &message, int line) {
            const QString where = line > 0 ? QStringLiteral(", строка ответа %1").arg(line) : QString();
            return QStringList{message + u'\n' + info.file + QStringLiteral(": ") + info.firstCommand + where + u'.'};
        };
        if (info.operation != Operation::WriteBack) { // fails before any table, as a write
            row("port missing") << Line::PortMissing << Fault::None << 0 << false << refused(missing, 0) << 0;
            row("port busy") << Line::PortBusy << Fault::None << 0 << false << refused(busy, 0) << 0;
        }
        row("unplugged mid-answer") << Line::StandIn << Fault::HangUp << info.hangUpBytes << false
                                    << failed(QStringLiteral("сбой линии: COM1: Input/output error")) << 0;
        const QString limit = QStringLiteral("%1 с").arg(kCommandTimeoutMs / 1000);
        row("no answer") << Line::StandIn << Fault::Silence << 0 << false << failed("нет ответа за " + limit) << 0;
        row("echo then silence") << Line::StandIn << Fault::EchoThenSilence << 0 << false
                                 << failed("ответ не закончен: нет приглашения за " + limit) << 0;
        row("no prompt") << Line::StandIn << Fault::NoPrompt << 0 << false
                         << failed("ответ не закончен: нет приглашения за " + limit) << 0;
        row("wrong echo") << Line::StandIn << Fault::WrongEcho << 0 << false
                          << failed("неверное эхо: за " + limit + " пришли байты, но не эхо команды") << 0;
        row("garbage before echo") << Line::StandIn << Fault::GarbageBeforeEcho << 0 << true << none << 0;
        row("non-hex line") << Line::StandIn << Fault::NonHexLine << 0 << !info.reads
                            << (info.reads ? refused(nonHex, 2) : none) << 0;
        row("a digit too many") << Line::StandIn << Fault::ExtraDigit << 0 << !info.reads
                                << (info.reads ? refused(odd, info.middleLine) : none) << 0;
        row("one-byte chunks") << Line::StandIn << Fault::OneByteChunks << 0 << true << none << 0;
        // Nothing can be started during any exchange: the controls that would
        // start one are disabled.
        row("second exchange") << Line::SecondExchange << Fault::None << 0 << true << none << 0;
    }
    const OperationInfo &read = operations[0];
    const OperationInfo &fetch = operations[2];
    QTest::newRow("read, short answer")
        << Operation::Read << Line::StandIn << Fault::ShortAnswer << 0 << false
        << QStringList{"Конфигурация повреждена: получено 214 байт из 429.\nconfig: " + read.firstCommand + u'.'} << 0;
    // The whole file asked for: a byte more is no fault.
    QTest::newRow("read, a byte too many") << Operation::Read << Line::StandIn << Fault::ExtraByte << 0 << true << none << 0;
    // Part of a table is refused: written back, its zeros would replace the
    // controller's values.
    QTest::newRow("table fetch, short answer")
        << Operation::Fetch << Line::StandIn << Fault::ShortAnswer << 0 << false
        << QStringList{"Таблица резервуара 1 повреждена: получено 800 байт из 1600.\n" + fetch.file + ": "
                       + fetch.firstCommand + u'.'} << 0;
    QTest::newRow("table fetch, a byte too many")
        << Operation::Fetch << Line::StandIn << Fault::ExtraByte << 0 << false
        << QStringList{"Ответ длиннее запрошенного: получено 1601 байт из 1600.\n" + fetch.file + ": "
                       + fetch.firstCommand + u'.'} << 0;
    // The writes' checks: a chunk stored otherwise than sent is caught by the
    // read-back after it, named in the pages' words, "config"'s before
    // "reload"; a chunk refused in words that would not have changed what
    // the controller holds leaves nothing to find.
    QTest::newRow("write, a chunk stored otherwise")
        << Operation::Write << Line::StandIn << Fault::AlterWrite << 0 << false
        << QStringList{"Контроллер хранит не ту конфигурацию, что записана; \"reload\" не отправлен:\n\n"
                       "Http · Порт: в окне 8080, в контроллере 8081."}
        << kConfigChunks + 1;
    QTest::newRow("write, a chunk of unchanged bytes refused")
        << Operation::Write << Line::StandIn << Fault::RefuseWrite << 0 << true << none << 0;
    QTest::newRow("table write-back, a chunk refused")
        << Operation::WriteBack << Line::StandIn << Fault::RefuseWrite << 0 << false
        << QStringList{"Контроллер хранит не ту таблицу резервуара 5, что записана:\n\n"
                       "Резервуар 5: высоты 160–230 (в окне 5016 … 5023, в контроллере 0 … 0)"}
        << kConfigCommands + 2 * kTableCommands;
}

void FaultMatrixTest::operationUnderFault()
{
    QFETCH(Operation, operation);
    QFETCH(Line, line);
    QFETCH(sim::Fault::Kind, fault);
    QFETCH(int, bytes);
    QFETCH(bool, succeeds);
    QFETCH(QStringList, errors);
    QFETCH(int, sent);

    SettingsFile settings;
    SimFixture fixture;
    sim::ControllerSim &sim = fixture.Sim();
    TfmMain window;
    QVERIFY(UserInput::Activate(&window));
    ModalDriver<TfmTankCalibration> editor;

    // Filled pages to start from; the write operations carry changed tables.
    ClickAction(window, "acIcRead");
    QCOMPARE(m_errors, QStringList());
    QVERIFY(!PagesEmpty(window));
    const bool writes = operation == Operation::Write || operation == Operation::WriteBack;
    if (writes)
        ChangeTables(window);
    const int before = int(sim.commands().size());
    const int reloadsBefore = sim.reloadCount();
    const QByteArray tablesBefore = QByteArray::fromStdString(sim.file("tanks.tbl"));

    const Target target = TargetOf(operation);
    if (fault != sim::Fault::None)
        sim.addFault({fault, before + target.command, before + target.command, bytes});
    // A short limit ends the silences quickly; everywhere else the usual one
    // stands, so that a pause on a busy machine cannot fail a row.
    if (fault == sim::Fault::Silence || fault == sim::Fault::EchoThenSilence || fault == sim::Fault::NoPrompt
        || fault == sim::Fault::WrongEcho)
        window.Station().Exchanges().SetCommandTimeout(kCommandTimeoutMs);

    std::optional<TTerminal> holder;
    auto enabledDuringExchange = std::make_shared<std::optional<QStringList>>();
    switch (line) {
    case Line::StandIn:
        break;
    case Line::PortMissing:
        window.Station().Terminal().SetPortNumber(kMissingPort);
        window.Station().Terminal().Close(); // its reconnect fails on the missing port
        break;
    case Line::PortBusy:
        window.Station().Terminal().SetPortNumber(kMissingPort);
        window.Station().Terminal().Close();
        holder.emplace();
        holder->SetPortNumber(fixture.Port());
        holder->Open();
        window.Station().Terminal().SetPortNumber(fixture.Port());
        break;
    case Line::SecondExchange: {
        auto started = std::make_shared<int>(0);
        connect(&window.Station().Exchanges(), &TExchangeLine::commandStarted, &window,
                [&window, started, target, enabledDuringExchange] {
                    if (++*started == target.command)
                        QTimer::singleShot(0, &window, [&window, enabledDuringExchange] {
                            *enabledDuringExchange = AttemptSecondExchange(window);
                        });
                });
        break;
    }
    }

    Start(window, operation);
    const QStringList commands = Commands(sim, before);
    const QString failing = commands.value(target.command - 1);
    errors.replaceInStrings(QStringLiteral("%1"), failing);
    QCOMPARE(m_errors, errors);
    QVERIFY(!editor.LeftOpen);
    if (line == Line::SecondExchange) {
        QVERIFY(enabledDuringExchange->has_value());
        QCOMPARE(**enabledDuringExchange, QStringList());
    }

    // The window is ready for the next operation.
    QCOMPARE(Child<QTabWidget>(window, "pc")->currentWidget(), Child(window, "tsConfig"));
    QVERIFY(Action(window, "acIcRead")->isEnabled());
    QVERIFY(Action(window, "acIcWrite")->isEnabled());
    QVERIFY(Child(window, "tsConfigTank")->isEnabled());
    QVERIFY(TableButtonsEnabled(window));

    // What reached the stand-in: the whole operation, or nothing beyond the
    // command that failed or the check that found the fault.
    const bool portFails = line == Line::PortMissing || line == Line::PortBusy;
    if (portFails) {
        QCOMPARE(commands, QStringList());
    } else if (!succeeds) {
        QCOMPARE(commands.size(), sent > 0 ? sent : target.command);
        QVERIFY2(failing.startsWith(QLatin1String(target.prefix)), qPrintable(failing));
    }

    switch (operation) {
    case Operation::Read:
        if (succeeds) {
            QCOMPARE(commands, QStringList{"rdfile config 0 0"});
            QCOMPARE(TankGrid(window)->model()->rowCount(), 6);
        } else {
            QVERIFY(PagesEmpty(window));
        }
        QVERIFY(SlotsEmpty(window));
        break;
    case Operation::Fetch: {
        const TankTable &table = window.Station().TankTables()[0];
        QCOMPARE(bool(table.Loaded), succeeds);
        QCOMPARE(editor.Opened, succeeds ? 1 : 0);
        QByteArray expected(1600, '\0');
        if (succeeds) {
            QCOMPARE(commands, QStringList{"rdfile tanks.tbl 0 1600"});
            expected = TableBlock(sim, 0);
        }
        QCOMPARE(VolumeBytes(table), expected);
        break;
    }
    case Operation::Write:
    case Operation::WriteBack: {
        QVERIFY(!PagesEmpty(window));
        const bool reloaded = succeeds || commands.size() > kConfigChunks + 1;
        QCOMPARE(sim.reloadCount(), reloadsBefore + (reloaded ? 1 : 0));
        QCOMPARE(commands.contains(QStringLiteral("reload")), reloaded);
        if (succeeds) {
            QCOMPARE(commands.size(), kConfigCommands + 2 * kTableCommands);
            QCOMPARE(commands[kConfigChunks], QStringLiteral("rdfile config 0 429"));
            QCOMPARE(commands[kConfigChunks + 1], QStringLiteral("reload"));
        } else {
            for (int i = 0; i < commands.size() && i < kConfigCommands; ++i)
                QVERIFY(!commands[i].startsWith(QLatin1String("wrfile tanks.tbl")));
        }
        // A slot is written and unmarked exactly when all its chunks went out
        // and its read-back came back as written before the failure.
        for (int n = 0; n < 2; ++n) {
            const int slot = kChangedSlots[n];
            const TankTable &table = window.Station().TankTables()[slot];
            const bool written = succeeds || commands.size() > kConfigCommands + (n + 1) * kTableCommands;
            QCOMPARE(bool(table.Modified), !written);
            QVERIFY(table.Loaded);
            if (written)
                QCOMPARE(TableBlock(sim, slot), VolumeBytes(table));
            else if (commands.size() <= kConfigCommands + n * kTableCommands)
                QCOMPARE(TableBlock(sim, slot), tablesBefore.mid(slot * 1600, 1600));
        }
        break;
    }
    }
}

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
