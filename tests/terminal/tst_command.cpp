// TTerminalCommand: the answer parser fed exact chunks, and whole exchanges
// with the controller stand-in, its faults included.
#include "QtTestWatchdog.h"
#include "SimFixture.h"
#include "common/Error.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"
#include "terminal/TerminalThread.h"

#include <QAbstractEventDispatcher>
#include <QtTest>

#include <optional>

using Chunks = QList<QByteArray>;
using Lines = QList<QByteArray>;

namespace {

// A terminal open on a stand-in that never answers, so that every chunk a
// test delivers is exactly one data event; an operation holds its line.
struct SilentLine
{
    SilentLine() : fixture(1)
    {
        fixture.Sim().addFault({sim::Fault::Silence});
        terminal.SetPortNumber(fixture.Port());
        exchanges.SetCommandTimeout(400);
        terminal.Open();
        exchange.emplace(exchanges);
    }
    void Deliver(const QByteArray &chunk)
    {
        TTerminalDataEvent event(chunk, terminal.ReaderRun());
        QCoreApplication::sendEvent(&terminal, &event);
    }
    SimFixture fixture;
    TTerminal terminal;
    TExchangeLine exchanges{terminal};
    std::optional<TExchange> exchange;
};

QString ErrorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const TError &error) {
        return error.Message();
    }
    return QString();
}

} // namespace

class TestCommand : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { m_watchdog.LastTestDone(); }
    void parsesChunks_data();
    void parsesChunks();
    void atLineStartCarriesOver();
    void busyRefusesSecondStart();
    void secondOperationIsRefused();
    void endings_data();
    void endings();
    void chunkWhileIdleIsIgnored();
    void exchangesWithController_data();
    void exchangesWithController();
    void openFailureInStart();
    void waitingDoesNotSpin();
    void timeoutNeverEarly_data();
    void timeoutNeverEarly();

private:
    QtTestWatchdog m_watchdog;
};

void TestCommand::parsesChunks_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<Lines>("lines");

    QTest::newRow("echo split over chunks, prompt alone")
        << QByteArray("reload") << Chunks{"rel", "oad\r\r", "\n", ">"} << true << Lines{};
    QTest::newRow("answer lines across chunks")
        << QByteArray("rdfile config 0 0")
        << Chunks{"rdfile config 0 0\r\r\n0A 0B", " 0C\r\n01 02\r\n", ">"} << true
        << Lines{"0A 0B 0C", "01 02"};
    QTest::newRow("left-over output before the echo is dropped")
        << QByteArray("reload") << Chunks{"\r\n>", "reload\r\r\n>"} << true << Lines{};
    QTest::newRow("prompt right after the echo in one chunk")
        << QByteArray("reload") << Chunks{"xyzreload\r\r\n>"} << true << Lines{};
    QTest::newRow("> not at a line start is text")
        << QByteArray("reload") << Chunks{"reload\r\r\nabc>"} << false << Lines{"abc>"};
    QTest::newRow("> not the last character is text")
        << QByteArray("reload") << Chunks{"reload\r\r\n", "\r\n>x"} << false << Lines{"", ">x"};
    QTest::newRow("prompt followed by a blank is no prompt")
        << QByteArray("reload") << Chunks{"reload\r\r\n> "} << false << Lines{"> "};
    QTest::newRow("a line starting with > cut after it reads as the prompt")
        << QByteArray("rdfile a 0 0") << Chunks{"rdfile a 0 0\r\r\n0A\r\n>", "0B\r\n>"} << true
        << Lines{"0A"};
    QTest::newRow("CR anywhere is ignored, lone LF ends a line")
        << QByteArray("x") << Chunks{"x\r\r\n1\r2\n3\r\n\r>"} << true << Lines{"12", "3"};
    QTest::newRow("echo must match case")
        << QByteArray("reload") << Chunks{"RELOAD\r\r\n>"} << false << Lines{""};
    QTest::newRow("empty command: > before any LF is text")
        << QByteArray() << Chunks{">"} << false << Lines{">"};
    QTest::newRow("empty command: > after an LF is the prompt")
        << QByteArray() << Chunks{"junk\r\n", ">"} << true << Lines{"junk"};
}

void TestCommand::parsesChunks()
{
    QFETCH(QByteArray, command);
    QFETCH(Chunks, chunks);
    QFETCH(bool, finished);
    QFETCH(Lines, lines);

    SilentLine line;
    TTerminalCommand transaction(*line.exchange);
    transaction.Start(command);
    for (const QByteArray &chunk : chunks)
        line.Deliver(chunk);

    QCOMPARE(transaction.Busy(), !finished);
    QCOMPARE(transaction.Succeeded(), finished);
    QCOMPARE(transaction.Lines(), lines);
    QVERIFY(transaction.ErrorText().isEmpty());
}

void TestCommand::atLineStartCarriesOver()
{
    SilentLine line;
    TTerminalCommand transaction(*line.exchange);
    transaction.Start("reload");
    line.Deliver("reload\r\r\n>");
    QVERIFY(transaction.Succeeded());

    // The last transaction ended at a prompt: a bare > now is a prompt.
    transaction.Start(QByteArray());
    line.Deliver(">");
    QVERIFY(transaction.Succeeded());
    QVERIFY(transaction.Lines().isEmpty());

    // A fresh object starts with AtLineStart clear.
    TTerminalCommand fresh(*line.exchange);
    fresh.Start(QByteArray());
    line.Deliver(">");
    QVERIFY(fresh.Busy());
}

void TestCommand::busyRefusesSecondStart()
{
    SilentLine line;
    TTerminalCommand running(*line.exchange);
    running.Start("reload");
    TTerminalCommand other(*line.exchange);

    QCOMPARE(ErrorOf([&] { running.Start("rdfile config 0 0"); }), QString("Терминал занят"));
    QCOMPARE(ErrorOf([&] { other.Start("rdfile config 0 0"); }), QString("Терминал занят"));
    QVERIFY(running.Busy());
    QVERIFY(!other.Busy());

    // The running transaction goes on untouched.
    line.Deliver("reload\r\r\n>");
    QVERIFY(running.Succeeded());
    other.Start("reload"); // the terminal is free again
    QVERIFY(other.Busy());
}

// An operation holds the line from its start to its end, between its
// commands too; another one begun meanwhile is refused and changes nothing.
void TestCommand::secondOperationIsRefused()
{
    SilentLine line;
    QList<bool> running;
    connect(&line.exchanges, &TExchangeLine::exchangeRunningChanged, this,
            [&](bool state) { running << state; });
    QVERIFY(line.exchanges.ExchangeRunning());
    {
        TTerminalCommand first(*line.exchange);
        QCOMPARE(ErrorOf([&] { TExchange second(line.exchanges); }), QString("Терминал занят"));
        first.Start("reload");
        QCOMPARE(ErrorOf([&] { TExchange second(line.exchanges); }), QString("Терминал занят"));
        QVERIFY(first.Busy());
        line.Deliver("reload\r\r\n>");
        QVERIFY(first.Succeeded());
        QCOMPARE(ErrorOf([&] { TExchange second(line.exchanges); }), QString("Терминал занят"));
    }
    QVERIFY(line.exchanges.ExchangeRunning());
    QCOMPARE(running, QList<bool>{}); // no flicker between the commands

    line.exchange.reset();
    QVERIFY(!line.exchanges.ExchangeRunning());
    TExchange second(line.exchanges);
    TTerminalCommand next(second);
    next.Start("reload");
    QVERIFY(next.Busy());
    QCOMPARE(running, (QList<bool>{false, true}));
}

void TestCommand::endings_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("limit"); // of silence; generous where the ending is no time-out
    QTest::addColumn<QString>("errorText");
    QTest::newRow("silence") << "silence" << 400 << "Таймаут";
    QTest::newRow("echo then silence") << "echo" << 400 << "Таймаут";
    QTest::newRow("port closed") << "close" << 60000 << "Порт закрыт";
    QTest::newRow("line fails") << "hangup" << 60000 << "COM1: Input/output error";
}

// Each ending comes once the command has gone out: queued when the command
// starts, it runs as the transaction begins to wait.
void TestCommand::endings()
{
    QFETCH(QString, ending);
    QFETCH(int, limit);
    QFETCH(QString, errorText);

    QStringList ownEvents; // what the terminal's owner hears
    SilentLine line;
    line.exchanges.SetCommandTimeout(limit);
    line.terminal.OnClose = [&](TTerminal *) { ownEvents << "close"; };
    TTerminalCommand transaction(*line.exchange);

    const auto end = [&] {
        if (ending == "echo")
            line.Deliver("rdfile config 0 0\r\r\n0A 0");
        else if (ending == "close")
            line.terminal.Close();
        else if (ending == "hangup")
            line.fixture.Sim().hangUp();
    };
    connect(&line.exchanges, &TExchangeLine::commandStarted, this,
            [&] { QMetaObject::invokeMethod(&line.terminal, end, Qt::QueuedConnection); });

    const QString raised = ErrorOf([&] { transaction.Execute("rdfile config 0 0"); });
    QCOMPARE(raised, QString("rdfile config 0 0"));
    QCOMPARE(transaction.ErrorText(), errorText);
    QVERIFY(!transaction.Busy());
    QVERIFY(!transaction.Succeeded());
    if (ending == "echo")
        QCOMPARE(transaction.Lines(), Lines{"0A 0"}); // kept, unfinished line included
    if (ending == "hangup")
        QCOMPARE(ownEvents, QStringList{"close"}); // the close after the error changes nothing more
}

void TestCommand::chunkWhileIdleIsIgnored()
{
    SilentLine line;
    TTerminalCommand transaction(*line.exchange);
    line.Deliver("reload\r\r\n>");
    QVERIFY(!transaction.Succeeded());
    QVERIFY(transaction.Lines().isEmpty());
}

void TestCommand::exchangesWithController_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("bytewiseEcho");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<int>("lineCount");

    // The default "config" is 429 bytes: 26 full lines and one of 13 bytes.
    QTest::newRow("plain") << int(sim::Fault::None) << false << "" << 27;
    QTest::newRow("echo byte by byte") << int(sim::Fault::None) << true << "" << 27;
    QTest::newRow("one-byte chunks") << int(sim::Fault::OneByteChunks) << false << "" << 27;
    QTest::newRow("garbage before the echo") << int(sim::Fault::GarbageBeforeEcho) << false << "" << 27;
    QTest::newRow("no answer") << int(sim::Fault::Silence) << false << "Таймаут" << 1;
    QTest::newRow("echo then silence") << int(sim::Fault::EchoThenSilence) << false << "Таймаут" << 1;
    QTest::newRow("prompt never sent") << int(sim::Fault::NoPrompt) << false << "Таймаут" << 28;
    QTest::newRow("prompt with a blank") << int(sim::Fault::PromptWithBlank) << false << "Таймаут" << 28;
}

void TestCommand::exchangesWithController()
{
    QFETCH(int, fault);
    QFETCH(bool, bytewiseEcho);
    QFETCH(QString, errorText);
    QFETCH(int, lineCount);

    sim::SimOptions options;
    options.echoByteByByte = bytewiseEcho;
    SimFixture fixture(1, options);
    if (fault != sim::Fault::None)
        fixture.Sim().addFault({sim::Fault::Kind(fault)});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    // A short limit where the answer stops short; the usual one where it
    // comes whole, so that a busy machine cannot turn a pause into a failure.
    if (!errorText.isEmpty())
        exchanges.SetCommandTimeout(500);

    TExchange exchange(exchanges);
    TTerminalCommand transaction(exchange);
    const QString raised = ErrorOf([&] { transaction.Execute("rdfile config 0 0"); });
    QCOMPARE(raised, errorText.isEmpty() ? QString() : QString("rdfile config 0 0"));
    QCOMPARE(transaction.ErrorText(), errorText);
    QCOMPARE(transaction.Lines().size(), lineCount);
    if (errorText.isEmpty()) // the answer is the whole file, whatever the chunking
        QCOMPARE(QByteArray::fromHex(transaction.Lines().join()),
                 QByteArray::fromStdString(fixture.Sim().file("config")));
    QCOMPARE(fixture.Sim().commands(), std::vector<std::string>{"rdfile config 0 0"});
}

void TestCommand::openFailureInStart()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(9);
    TExchangeLine exchanges(terminal);
    TExchange exchange(exchanges);
    TTerminalCommand transaction(exchange);
    QCOMPARE(ErrorOf([&] { transaction.Execute("reload"); }), QString("COM9: No such file or directory"));
    QVERIFY(!transaction.Busy());
    QVERIFY(transaction.ErrorText().isEmpty());
    // The operation is not left with a command in flight.
    terminal.SetPortNumber(fixture.Port());
    transaction.Execute("reload");
    QVERIFY(transaction.Succeeded());
}

void TestCommand::waitingDoesNotSpin()
{
    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Silence});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    exchanges.SetCommandTimeout(1500);
    TExchange exchange(exchanges);
    TTerminalCommand transaction(exchange);

    // Every pass of an event loop wakes the dispatcher once. Waiting for
    // events, the transaction wakes for the few events there are; a loop that
    // polls, or sleeps and polls, wakes thousands or hundreds of times in
    // 1.5 s, however slow or busy the machine.
    int wakes = 0;
    const auto counter = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                                 this, [&] { ++wakes; });
    QVERIFY_THROWS_EXCEPTION(TError, transaction.Execute("reload"));
    disconnect(counter);
    QCOMPARE(transaction.ErrorText(), QString("Таймаут"));
    QVERIFY2(wakes < 30, qPrintable(QString("%1 wake-ups").arg(wakes)));
}

void TestCommand::timeoutNeverEarly_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<Chunks>("chunks"); // the limit counts from the last one

    QTest::newRow("silence from the start") << 300 << QByteArray("reload") << Chunks{};
    QTest::newRow("silence after the echo") << 300 << QByteArray("reload") << Chunks{"rel", "oad\r\r\n"};
    QTest::newRow("silence inside a line")
        << 300 << QByteArray("rdfile config 0 0") << Chunks{"rdfile config 0 0\r\r\n0A", " 0B\r\n", "0C"};
    QTest::newRow("one-second limit") << 1000 << QByteArray("reload") << Chunks{"reload\r\r\n"};
}

// The limit is one of inactivity: the transaction fails no earlier than the
// limit after the last chunk. Only that lower bound is checked; how late the
// expiry comes depends on the machine's load.
void TestCommand::timeoutNeverEarly()
{
    QFETCH(int, limit);
    QFETCH(QByteArray, command);
    QFETCH(Chunks, chunks);

    SilentLine line;
    line.exchanges.SetCommandTimeout(limit);
    TTerminalCommand transaction(*line.exchange);
    QElapsedTimer sinceLast;
    qint64 nsecsAtEnd = -1;
    QObject::connect(&line.exchanges, &TExchangeLine::commandFinished,
                     [&] { nsecsAtEnd = sinceLast.nsecsElapsed(); });

    sinceLast.start();
    transaction.Start(command);
    for (const QByteArray &chunk : chunks) {
        sinceLast.restart();
        line.Deliver(chunk);
    }
    QVERIFY(transaction.Busy());
    QTRY_VERIFY_WITH_TIMEOUT(!transaction.Busy(), 10 * limit + 10000);
    QCOMPARE(transaction.ErrorText(), QString("Таймаут"));
    QVERIFY2(nsecsAtEnd >= qint64(limit) * 1000000,
             qPrintable(QString("ended %1 us after the last chunk, the limit is %2 ms")
                            .arg(nsecsAtEnd / 1000).arg(limit)));
}

QTEST_GUILESS_MAIN(TestCommand)
#include "tst_command.moc"
