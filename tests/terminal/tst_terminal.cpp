// TTerminal against the controller stand-in on a pseudo-terminal.
#include "QtTestWatchdog.h"
#include "SimFixture.h"
#include "common/Error.h"
#include "terminal/Terminal.h"

#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

namespace {

// Records the events of a terminal and its links in delivery order.
struct EventLog
{
    QStringList events;
    QByteArray data;

    void Watch(TTerminal &terminal)
    {
        terminal.OnOpen = [this](TTerminal *) { events << "open"; };
        terminal.OnClose = [this](TTerminal *) { events << "close"; };
        terminal.OnError = [this](TTerminal *, const QString &text) { events << "error:" + text; };
        terminal.OnData = [this](TTerminal *, const QByteArray &text) {
            if (events.isEmpty() || events.last() != "data")
                events << "data";
            data += text;
        };
    }
};

} // namespace

class TestTerminal : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { m_watchdog.LastTestDone(); }
    void openErrors_data();
    void openErrors();
    void openAndCloseAreIdempotent();
    void sendOpensClosedPort();
    void handlerOrderAndLinks();
    void linksChangedDuringDelivery_data();
    void linksChangedDuringDelivery();
    void bytesArriveUnchanged_data();
    void bytesArriveUnchanged();
    void hangUpIsErrorThenClose();
    void dataBeforeCloseIsDeliveredAfterIt();
    void destructionFiresClosed();
    void shutRefusesEveryLaterOpen();

private:
    QtTestWatchdog m_watchdog;
};

void TestTerminal::openErrors_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("holdPort");
    QTest::addColumn<QString>("ports"); // KOLT_TARVO_PORTS; %dir: the stand-in's directory
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing port") << 7 << false << "%dir" << "COM7: No such file or directory";
    QTest::newRow("port held elsewhere") << 1 << true << "%dir" << "COM1: Device or resource busy";
    QTest::newRow("negative number") << -3 << false << "%dir" << "COM-3: No such file or directory";
    // A misspelt ports directory never leads to the machine's own ports.
    QTest::newRow("ports directory missing") << 1 << false << "%dir/missing"
                                             << "COM1: KOLT_TARVO_PORTS=%dir/missing: No such file or directory";
    QTest::newRow("ports directory is a device") << 1 << false << "%dir/COM1"
                                                 << "COM1: KOLT_TARVO_PORTS=%dir/COM1: Not a directory";
    QTest::newRow("ports directory empty") << 1 << false << ""
                                           << "COM1: KOLT_TARVO_PORTS=: No such file or directory";
}

void TestTerminal::openErrors()
{
    QFETCH(int, port);
    QFETCH(bool, holdPort);
    QFETCH(QString, ports);
    QFETCH(QString, expected);
    SimFixture fixture(1);

    TTerminal holder;
    holder.SetPortNumber(1);
    if (holdPort)
        holder.Open();
    qputenv("KOLT_TARVO_PORTS", ports.replace("%dir", fixture.PortsDir()).toLocal8Bit());
    expected.replace("%dir", fixture.PortsDir());

    EventLog log; // outlives the terminal, whose destruction it hears
    TTerminal terminal;
    log.Watch(terminal);
    terminal.SetPortNumber(port);
    try {
        terminal.Open();
        QFAIL("Open() succeeded");
    } catch (const TError &error) {
        QCOMPARE(error.Message(), expected);
    }
    QVERIFY(!terminal.Active());
    QVERIFY(log.events.isEmpty());

    // Send raises the same error and writes nothing.
    QVERIFY_THROWS_EXCEPTION(TError, terminal.Send("reload\r"));
    qputenv("KOLT_TARVO_PORTS", fixture.PortsDir().toLocal8Bit());
    QVERIFY(SentinelTaken(holder, fixture.Sim()));
    QCOMPARE(fixture.Sim().commands(), std::vector<std::string>{kSentinelCommand.toStdString()});
}

void TestTerminal::openAndCloseAreIdempotent()
{
    SimFixture fixture;
    EventLog log; // outlives the terminal, whose destruction it hears
    TTerminal terminal;
    log.Watch(terminal);
    terminal.SetPortNumber(fixture.Port());

    terminal.Close();
    QVERIFY(log.events.isEmpty());
    terminal.Open();
    terminal.Open();
    QVERIFY(terminal.Active());
    terminal.Close();
    terminal.Close();
    QVERIFY(!terminal.Active());
    QCOMPARE(log.events, QStringList({"open", "close"}));

    // A closed terminal opens again.
    terminal.Open();
    QVERIFY(terminal.Active());
}

void TestTerminal::sendOpensClosedPort()
{
    SimFixture fixture;
    EventLog log; // outlives the terminal, whose destruction it hears
    TTerminal terminal;
    log.Watch(terminal);
    terminal.SetPortNumber(fixture.Port());

    terminal.Send("reload\r");
    QCOMPARE(log.events.value(0), QString("open"));
    QVERIFY(WaitFor([&] { return log.data.endsWith('>'); }));
    QCOMPARE(fixture.Sim().commands(), std::vector<std::string>{"reload"});
    QCOMPARE(log.data, QByteArray("reload\r\r\nOK\r\n>"));
}

void TestTerminal::handlerOrderAndLinks()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    QStringList order;
    terminal.OnOpen = [&](TTerminal *sender) {
        QCOMPARE(sender, &terminal);
        order << "own";
    };
    TTerminalLink first, second, unassigned;
    first.OnOpen = [&](TTerminal *) { order << "first"; };
    second.OnOpen = [&](TTerminal *) { order << "second"; };
    terminal.AddLink(&first);
    terminal.AddLink(&unassigned);
    terminal.AddLink(&second);
    terminal.AddLink(&first); // already there: stays in its place, once
    TTerminalLink neverAdded;
    terminal.RemoveLink(&neverAdded);

    terminal.Open();
    QCOMPARE(order, QStringList({"own", "first", "second"}));

    terminal.Close();
    terminal.RemoveLink(&first);
    order.clear();
    terminal.Open();
    QCOMPARE(order, QStringList({"own", "second"}));
}

// A handler changes the links while the open event is delivered: links A, B
// and C registered in that order, D not yet. Each changer first removes,
// then adds. The close event that follows shows who is registered then.
void TestTerminal::linksChangedDuringDelivery_data()
{
    QTest::addColumn<QString>("changer"); // "own" or a link
    QTest::addColumn<QString>("removed");  // links, in order
    QTest::addColumn<QString>("added");
    QTest::addColumn<QString>("heardOpen");
    QTest::addColumn<QString>("heardClose");
    QTest::newRow("a link removes itself") << "A" << "A" << "" << "own A B C" << "own B C";
    QTest::newRow("a link removes the one before it") << "B" << "A" << "" << "own A B C" << "own B C";
    QTest::newRow("a link removes the one after it") << "A" << "B" << "" << "own A C" << "own A C";
    QTest::newRow("a link removes two") << "B" << "AC" << "" << "own A B" << "own B";
    QTest::newRow("a link adds one") << "A" << "" << "D" << "own A B C" << "own A B C D";
    QTest::newRow("a link removes itself and adds one") << "A" << "A" << "D" << "own A B C" << "own B C D";
    QTest::newRow("a link removes one and adds it again") << "A" << "B" << "B" << "own A C" << "own A C B";
    QTest::newRow("the owner removes one") << "own" << "B" << "" << "own A C" << "own A C";
    QTest::newRow("the owner adds one") << "own" << "" << "D" << "own A B C" << "own A B C D";
}

void TestTerminal::linksChangedDuringDelivery()
{
    QFETCH(QString, changer);
    QFETCH(QString, removed);
    QFETCH(QString, added);
    QFETCH(QString, heardOpen);
    QFETCH(QString, heardClose);
    SimFixture fixture;
    QStringList heard;
    std::map<QChar, TTerminalLink> links; // outlive the terminal, whose destruction they hear
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    bool changed = false;
    const auto change = [&] {
        if (std::exchange(changed, true))
            return;
        for (const QChar name : removed)
            terminal.RemoveLink(&links[name]);
        for (const QChar name : added)
            terminal.AddLink(&links[name]);
    };
    const auto listen = [&](const QString &name) {
        return [&, name](TTerminal *) {
            heard << name;
            if (name == changer)
                change();
        };
    };
    terminal.OnOpen = terminal.OnClose = listen("own");
    for (const QChar name : QStringLiteral("ABCD")) {
        links[name].OnOpen = links[name].OnClose = listen(name);
        if (name != 'D')
            terminal.AddLink(&links[name]);
    }

    terminal.Open();
    QCOMPARE(heard.join(' '), heardOpen);
    heard.clear();
    terminal.Close();
    QCOMPARE(heard.join(' '), heardClose);
}

void TestTerminal::bytesArriveUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray everyValue;
    for (int i = 0; i < 256; ++i)
        everyValue.append(char(i));
    QByteArray burst;
    for (int i = 0; i < 5000; ++i)
        burst.append(char('a' + i % 26));
    QTest::newRow("every byte value, NUL and 1251 letters included") << everyValue;
    QTest::newRow("burst over 1024 bytes") << burst;
    QTest::newRow("lone CR") << QByteArray("ab\rcd");
}

void TestTerminal::bytesArriveUnchanged()
{
    QFETCH(QByteArray, bytes);
    SimFixture fixture;
    EventLog log; // outlives the terminal, whose destruction it hears
    TTerminal terminal;
    log.Watch(terminal);
    terminal.SetPortNumber(fixture.Port());
    terminal.Open();

    // The stand-in prints on its own time: the sentinel goes once all came.
    fixture.Sim().print(bytes.toStdString());
    QVERIFY(WaitFor([&] { return log.data.size() >= bytes.size(); }));
    terminal.Send(kSentinelCommand + '\r');
    QVERIFY(WaitFor([&] { return log.data.endsWith(kSentinelAnswer); }));
    QCOMPARE(log.data, bytes + kSentinelAnswer);
}

void TestTerminal::hangUpIsErrorThenClose()
{
    SimFixture fixture;
    EventLog log; // outlives the terminal, whose destruction it hears
    TTerminal terminal;
    log.Watch(terminal);
    TTerminalLink link;
    QStringList linkEvents;
    link.OnError = [&](TTerminal *, const QString &text) { linkEvents << "error:" + text; };
    link.OnClose = [&](TTerminal *) { linkEvents << "close"; };
    terminal.AddLink(&link);
    terminal.SetPortNumber(fixture.Port());
    terminal.Open();

    fixture.Sim().hangUp();
    QVERIFY(WaitFor([&] { return !terminal.Active(); }));
    // Nothing further arrives: whatever the reader posted before it ended
    // has been handled, and there is no second failure.
    QVERIFY(PostedEventsHandled());
    const QStringList expected{"error:COM1: Input/output error", "close"};
    QCOMPARE(log.events, QStringList{"open"} + expected);
    QCOMPARE(linkEvents, expected);
}

void TestTerminal::dataBeforeCloseIsDeliveredAfterIt()
{
    SimFixture fixture;
    EventLog log; // outlives the terminal, whose destruction it hears
    TTerminal terminal;
    log.Watch(terminal);
    terminal.SetPortNumber(fixture.Port());
    std::mutex mutex;
    std::condition_variable posted;
    qsizetype postedBytes = 0;
    terminal.ReaderPosted = [&](qsizetype size) {
        {
            const std::lock_guard lock(mutex);
            postedBytes += size;
        }
        posted.notify_all();
    };
    terminal.Open();

    fixture.Sim().print("late");
    // The reader reads and posts while the GUI thread handles nothing.
    {
        std::unique_lock lock(mutex);
        QVERIFY(posted.wait_for(lock, std::chrono::seconds(30), [&] { return postedBytes >= 4; }));
    }
    terminal.Close();
    QVERIFY(WaitFor([&] { return log.data == "late"; }));
    QCOMPARE(log.events, QStringList({"open", "close", "data"}));
}

void TestTerminal::destructionFiresClosed()
{
    SimFixture fixture;
    QStringList events;
    {
        TTerminal terminal;
        terminal.OnClose = [&](TTerminal *) { events << "close"; };
        terminal.SetPortNumber(fixture.Port());
        terminal.Open();
    }
    QCOMPARE(events, QStringList({"close"}));
    // The port is free again.
    TTerminal next;
    next.SetPortNumber(fixture.Port());
    next.Open();
    QVERIFY(next.Active());
}

void TestTerminal::shutRefusesEveryLaterOpen()
{
    SimFixture fixture;
    EventLog log;
    TTerminal terminal;
    log.Watch(terminal);
    terminal.SetPortNumber(fixture.Port());
    terminal.Open();
    terminal.Shut("Interrupted by SIGINT");
    QVERIFY(!terminal.Active());
    QCOMPARE(log.events, QStringList({"open", "close"}));

    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            terminal.Open();
            QFAIL("Open() succeeded");
        } catch (const TError &error) {
            QCOMPARE(error.Message(), QString("Interrupted by SIGINT"));
        }
    }
    QVERIFY_THROWS_EXCEPTION(TError, terminal.Send("reload\r"));
    QVERIFY(!terminal.Active());
    QCOMPARE(log.events, QStringList({"open", "close"}));
    // The port itself is free for others.
    QVERIFY(PortOpens(fixture.Port()));
    QVERIFY(fixture.Sim().commands().empty());
}

QTEST_GUILESS_MAIN(TestTerminal)
#include "tst_terminal.moc"
