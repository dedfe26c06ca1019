// Controller files over hexadecimal text: the line decoder by itself, and
// reads and writes against the controller stand-in.
#include "QtTestWatchdog.h"
#include "SimFixture.h"
#include "common/Error.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"

#include <QtTest>

using Lines = QList<QByteArray>;
using Kind = TExchangeStep::TKind;

namespace {

// A step as the line reports it, in one comparable line.
QString Describe(const TExchangeStep &step)
{
    const char *kind = step.Kind == Kind::Read ? "read" : step.Kind == Kind::Write ? "write" : "command";
    return QStringLiteral("%1 %2 %3 %4 part %5, %6 of %7/%8/%9: %10")
        .arg(QLatin1String(kind), QString::fromLatin1(step.File))
        .arg(step.Offset).arg(step.Size).arg(step.Part).arg(step.Number)
        .arg(step.Plan.Reads).arg(step.Plan.Writes).arg(step.Plan.Others)
        .arg(QString::fromLatin1(step.Command));
}

// The operation is not left with a command in flight: the next one starts.
bool NextCommandStarts(TExchange &exchange)
{
    TTerminalCommand next(exchange);
    next.Start("reload");
    return next.Busy();
}

} // namespace

class TestRemoteFile : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { m_watchdog.LastTestDone(); }
    void decodesLines_data();
    void decodesLines();
    void writesInChunks_data();
    void writesInChunks();
    void readsBack();
    void readFailures_data();
    void readFailures();
    void writeStopsAtFailure();
    void reportsSteps();

private:
    QtTestWatchdog m_watchdog;
};

void TestRemoteFile::decodesLines_data()
{
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    QTest::newRow("two lines") << Lines{"0A 0B 0C", "01 02"} << QByteArray("\x0a\x0b\x0c\x01\x02") << "";
    QTest::newRow("blanks in odd places") << Lines{"0 A0B"} << QByteArray("\x0a\x0b") << "";
    QTest::newRow("odd length drops the last digit per line")
        << Lines{"0A0", "B1"} << QByteArray("\x0a\xb1") << "";
    QTest::newRow("lower case") << Lines{"0a ff"} << QByteArray("\x0a\xff") << "";
    QTest::newRow("no lines") << Lines{} << QByteArray() << "";
    QTest::newRow("a word instead of hex keeps what came before")
        << Lines{"0A 0B", "ERROR bad", "01"} << QByteArray("\x0a\x0b") << "'$ER' is not a valid integer value";
    QTest::newRow("bad pair mid-line") << Lines{"0A 0G 0B"} << QByteArray("\x0a")
                                       << "'$0G' is not a valid integer value";
    QTest::newRow("a tab is not a blank") << Lines{"0A\t0B"} << QByteArray("\x0a")
                                          << "'$\t0' is not a valid integer value";
}

void TestRemoteFile::decodesLines()
{
    QFETCH(Lines, lines);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QByteArray stream;
    QString raised;
    try {
        DecodeHexLines(lines, stream);
    } catch (const TError &e) {
        raised = e.Message();
    }
    QCOMPARE(raised, error);
    QCOMPARE(stream, bytes);
}

void TestRemoteFile::writesInChunks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("commands");
    QTest::addColumn<int>("lastDigits");
    QTest::newRow("empty stream sends nothing") << 0 << 0 << 0 << 0;
    QTest::newRow("64 bytes") << 64 << 100 << 2 << 64;
    QTest::newRow("65 bytes") << 65 << 0 << 3 << 2;
    QTest::newRow("429 bytes") << 429 << 0 << 14 << 26;
}

void TestRemoteFile::writesInChunks()
{
    QFETCH(int, size);
    QFETCH(int, offset);
    QFETCH(int, commands);
    QFETCH(int, lastDigits);

    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    QByteArray data;
    for (int i = 0; i < size; ++i)
        data.append(char(i * 7 + 5)); // 05, 0C, ... AB: leading zeros and letters
    QCOMPARE(WriteFilePlan(size), (TExchangePlan{0, commands, 0}));
    TExchange exchange(exchanges, WriteFilePlan(size));
    WriteRemoteFile(exchange, "blob", offset, data);

    const std::vector<std::string> sent = fixture.Sim().commands();
    QCOMPARE(int(sent.size()), commands);
    for (int i = 0; i < commands; ++i) {
        const QByteArray expected = "wrfile blob " + QByteArray::number(offset + 32 * i) + ' '
                                    + data.mid(32 * i, 32).toHex().toUpper();
        QCOMPARE(QByteArray::fromStdString(sent[i]), expected);
    }
    if (commands > 0)
        QCOMPARE(int(sent.back().size() - sent.back().rfind(' ') - 1), lastDigits);
    const std::string stored = fixture.Sim().file("blob");
    QCOMPARE(QByteArray::fromStdString(stored).mid(offset), data);
}

void TestRemoteFile::readsBack()
{
    SimFixture fixture;
    QByteArray content;
    for (int i = 0; i < 3000; ++i)
        content.append(char(i % 251));
    fixture.Sim().setFile("tanks.tbl", content.toStdString());
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TExchange exchange(exchanges, ReadFilePlan() * 3);

    QByteArray stream = "stale";
    ReadRemoteFile(exchange, "tanks.tbl", 1600, 1600, stream);
    QCOMPARE(stream, content.mid(1600, 1600));
    ReadRemoteFile(exchange, "tanks.tbl", 0, 0, stream);
    QCOMPARE(stream, content);
    ReadRemoteFile(exchange, "tanks.tbl", 5000, 16, stream); // beyond the end: no lines
    QCOMPARE(stream, QByteArray());
    QCOMPARE(fixture.Sim().commands(), (std::vector<std::string>{
        "rdfile tanks.tbl 1600 1600", "rdfile tanks.tbl 0 0", "rdfile tanks.tbl 5000 16"}));
}

void TestRemoteFile::readFailures_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("keptBytes"); // -1: the stream is left as it was
    QTest::newRow("no answer leaves the stream") << int(sim::Fault::Silence) << "rdfile config 0 0" << -1;
    // The bad line follows the first answer line: its 16 bytes stay.
    QTest::newRow("non-hex line") << int(sim::Fault::NonHexLine) << "'$ER' is not a valid integer value" << 16;
}

void TestRemoteFile::readFailures()
{
    QFETCH(int, fault);
    QFETCH(QString, error);
    QFETCH(int, keptBytes);

    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Kind(fault)});
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    // A short limit only where silence is the fault: an answer that comes
    // must not be cut short by a pause on a busy machine.
    terminal.SetPortNumber(fixture.Port());
    if (fault == sim::Fault::Silence)
        exchanges.SetCommandTimeout(300);
    TExchange exchange(exchanges, ReadFilePlan());
    QByteArray result = "untouched";
    QString raised;
    try {
        ReadRemoteFile(exchange, "config", 0, 0, result);
    } catch (const TError &e) {
        raised = e.Message();
    }
    QCOMPARE(raised, error);
    const QByteArray config = QByteArray::fromStdString(fixture.Sim().file("config"));
    QCOMPARE(result, keptBytes < 0 ? QByteArray("untouched") : config.left(keptBytes));
    QVERIFY(NextCommandStarts(exchange));
}

void TestRemoteFile::writeStopsAtFailure()
{
    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Silence, 2, 2});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    exchanges.SetCommandTimeout(2000); // the first chunk's answer comes whole
    TExchange exchange(exchanges, WriteFilePlan(100));
    const QByteArray data(100, 'x');
    try {
        WriteRemoteFile(exchange, "f", 0, data);
        QFAIL("write succeeded");
    } catch (const TError &e) {
        QCOMPARE(e.Message(), QString("wrfile f 32 " + QString(64, u'7').replace("77", "78")));
    }
    QCOMPARE(fixture.Sim().commands().size(), std::size_t(2)); // nothing after the failed chunk
    QVERIFY(NextCommandStarts(exchange));
}

// Each command of a read and a write in one operation, as the line reports
// it when it starts and when it ends, against what the stand-in received.
void TestRemoteFile::reportsSteps()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    QStringList started;
    QStringList finished;
    connect(&exchanges, &TExchangeLine::commandStarted, this,
            [&](const TExchangeStep &step) { started << Describe(step); });
    connect(&exchanges, &TExchangeLine::commandFinished, this, [&](const TExchangeStep &step, bool succeeded) {
        finished << Describe(step) + (succeeded ? " done" : " failed");
    });

    const TExchangePlan plan = ReadFilePlan() + WriteFilePlan(65);
    QCOMPARE(plan, (TExchangePlan{1, 3, 0}));
    {
        TExchange exchange(exchanges, plan);
        QByteArray stream;
        ReadRemoteFile(exchange, "config", 0, 0, stream);
        WriteRemoteFile(exchange, "tanks.tbl", 3200, QByteArray(65, '\x11'), 3);
    }
    const QString ones = QString(64, u'1');
    const QStringList expected{
        "read config 0 0 part 0, 1 of 1/3/0: rdfile config 0 0",
        "write tanks.tbl 3200 32 part 3, 2 of 1/3/0: wrfile tanks.tbl 3200 " + ones,
        "write tanks.tbl 3232 32 part 3, 3 of 1/3/0: wrfile tanks.tbl 3232 " + ones,
        "write tanks.tbl 3264 1 part 3, 4 of 1/3/0: wrfile tanks.tbl 3264 11",
    };
    QCOMPARE(started, expected);
    QStringList done;
    for (const QString &step : expected)
        done << step + " done";
    QCOMPARE(finished, done);
    QStringList sent;
    for (const std::string &command : fixture.Sim().commands())
        sent << QString::fromStdString(command);
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(expected[i].endsWith(": " + sent.value(i)), qPrintable(sent.value(i)));
    QCOMPARE(sent.size(), expected.size());
}

QTEST_GUILESS_MAIN(TestRemoteFile)
#include "tst_remotefile.moc"
