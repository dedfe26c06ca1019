// Controller files over hexadecimal text: the line decoder by itself, and
// reads and writes (scripts of them) against the controller stand-in.
#include "QtTestWatchdog.h"
#include "SimFixture.h"
#include "common/Error.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/ExchangeScript.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"

#include <QtTest>

#include <optional>

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
    void lateAnswerIsNotTaken_data();
    void lateAnswerIsNotTaken();
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
    QTest::addColumn<int>("line"); // the answer line the error names

    const QString odd = QStringLiteral("Нечётное число шестнадцатеричных цифр");
    QTest::newRow("two lines") << Lines{"0A 0B 0C", "01 02"} << QByteArray("\x0a\x0b\x0c\x01\x02") << "" << 0;
    QTest::newRow("blanks in odd places") << Lines{"0 A0B"} << QByteArray("\x0a\x0b") << "" << 0;
    QTest::newRow("lower case") << Lines{"0a ff"} << QByteArray("\x0a\xff") << "" << 0;
    QTest::newRow("no lines") << Lines{} << QByteArray() << "" << 0;
    QTest::newRow("a word instead of hex keeps what came before")
        << Lines{"0A 0B", "ERROR bad", "01"} << QByteArray("\x0a\x0b") << "'$ER' is not a valid integer value" << 2;
    QTest::newRow("bad pair mid-line") << Lines{"0A 0G 0B"} << QByteArray("\x0a")
                                       << "'$0G' is not a valid integer value" << 1;
    QTest::newRow("a tab is not a blank") << Lines{"0A\t0B"} << QByteArray("\x0a")
                                          << "'$\t0' is not a valid integer value" << 1;
    // A digit too many or too few shifts every byte after it: refused.
    QTest::newRow("a digit too many at the end") << Lines{"01", "0A0", "B1"} << QByteArray("\x01\x0a") << odd << 2;
    QTest::newRow("a digit too many mid-line") << Lines{"0A 0 0B 0C"} << QByteArray("\x0a\x00\xb0", 3) << odd << 1;
    QTest::newRow("a digit missing") << Lines{"0A B 0C"} << QByteArray("\x0a\xb0") << odd << 1;
    QTest::newRow("a last character that is no digit")
        << Lines{"0A G"} << QByteArray("\x0a") << "'$G' is not a valid integer value" << 1;
}

void TestRemoteFile::decodesLines()
{
    QFETCH(Lines, lines);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QFETCH(int, line);
    QByteArray stream;
    QString raised;
    int raisedLine = 0;
    try {
        DecodeHexLines(lines, stream);
    } catch (const TError &e) {
        raised = e.Message();
        raisedLine = e.Place().AnswerLine;
    }
    QCOMPARE(raised, error);
    QCOMPARE(raisedLine, line);
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
    TExchangeScript script;
    script.Write("blob", offset, data);
    QCOMPARE(script.Plan(), (TExchangePlan{0, commands, 0}));
    script.Run(exchanges);

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
    TExchange exchange(exchanges);

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
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("error");  // "" when the read goes through
    QTest::addColumn<int>("cause");      // TErrorPlace::TCause
    QTest::addColumn<int>("line");       // the answer line the error names
    QTest::addColumn<int>("streamSize"); // -1: the stream is left as it was
    QTest::addColumn<int>("goodBytes");  // the stream's first bytes, as the file holds them

    using TCause = TErrorPlace::TCause;
    const QString config = QStringLiteral("rdfile config 0 0");
    const auto row = [](const char *name, sim::Fault::Kind fault, const char *file, int length) -> QTestData & {
        return QTest::newRow(name) << int(fault) << QByteArray(file) << length;
    };
    row("no answer leaves the stream", sim::Fault::Silence, "config", 0)
        << config << int(TCause::NoAnswer) << 0 << -1 << 0;
    row("echo, then silence", sim::Fault::EchoThenSilence, "config", 0)
        << config << int(TCause::NoPrompt) << 0 << -1 << 0;
    row("a prompt with a blank", sim::Fault::PromptWithBlank, "config", 0)
        << config << int(TCause::NoPrompt) << 0 << -1 << 0;
    row("wrong echo", sim::Fault::WrongEcho, "config", 0) << config << int(TCause::NoEcho) << 0 << -1 << 0;
    row("hang-up inside the answer", sim::Fault::HangUp, "config", 0)
        << config << int(TCause::LinkFailed) << 0 << -1 << 0;
    // The bad line follows the first answer line: its 16 bytes stay.
    row("non-hex line", sim::Fault::NonHexLine, "config", 0)
        << "'$ER' is not a valid integer value" << int(TCause::None) << 2 << 16 << 16;
    // Line 14 of 27 gains a digit before its ninth pair: the eight pairs
    // after it come shifted, then the odd digit is found.
    row("a digit too many mid-line", sim::Fault::ExtraDigit, "config", 0)
        << "Нечётное число шестнадцатеричных цифр" << int(TCause::None) << 14 << 13 * 16 + 16 << 13 * 16 + 8;
    row("a digit missing", sim::Fault::DroppedDigit, "config", 0)
        << "Нечётное число шестнадцатеричных цифр" << int(TCause::None) << 14 << 13 * 16 + 15 << 13 * 16;
    row("a byte more than asked for", sim::Fault::ExtraByte, "tanks.tbl", 1600)
        << "Ответ длиннее запрошенного: получено 1601 байт из 1600" << int(TCause::None) << 0 << 1601 << 1600;
    row("a byte more than the whole file", sim::Fault::ExtraByte, "config", 0)
        << "" << int(TCause::None) << 0 << 430 << 429;
}

// A read that fails names its command and file, and why; what was decoded
// before a fault of the answer stays in the stream.
void TestRemoteFile::readFailures()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, file);
    QFETCH(int, length);
    QFETCH(QString, error);
    QFETCH(int, cause);
    QFETCH(int, line);
    QFETCH(int, streamSize);
    QFETCH(int, goodBytes);

    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Kind(fault), 1, 1, 60});
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    // A short limit only where a missing end is the fault: an answer that
    // comes must not be cut short by a pause on a busy machine.
    terminal.SetPortNumber(fixture.Port());
    const bool timesOut = cause >= int(TErrorPlace::TCause::NoAnswer) && cause <= int(TErrorPlace::TCause::NoPrompt);
    if (timesOut)
        exchanges.SetCommandTimeout(300);
    TExchange exchange(exchanges);
    QByteArray result = "untouched";
    std::optional<TError> raised;
    try {
        ReadRemoteFile(exchange, file, 0, length, result);
    } catch (const TError &e) {
        raised = e;
    }
    const QByteArray command = ReadFileCommand(file, 0, length);
    QCOMPARE(raised ? raised->Message() : QString(), error);
    if (raised) {
        const TErrorPlace &place = raised->Place();
        QCOMPARE(place.Command, command);
        QCOMPARE(place.File, file);
        QCOMPARE(int(place.Cause), cause);
        QCOMPARE(place.AnswerLine, line);
        QCOMPARE(place.TimeoutMs, timesOut ? 300 : place.TimeoutMs);
        QCOMPARE(place.LinkText, cause == int(TErrorPlace::TCause::LinkFailed)
                                     ? QStringLiteral("COM%1: Input/output error").arg(fixture.Port())
                                     : QString());
    }
    const QByteArray held = QByteArray::fromStdString(fixture.Sim().file(file.toStdString()));
    if (streamSize < 0) {
        QCOMPARE(result, QByteArray("untouched"));
    } else {
        QCOMPARE(result.size(), streamSize);
        QCOMPARE(result.left(goodBytes), held.left(goodBytes));
    }
    if (fault != sim::Fault::HangUp)
        QVERIFY(NextCommandStarts(exchange));
}

void TestRemoteFile::lateAnswerIsNotTaken_data()
{
    QTest::addColumn<bool>("reopened");
    QTest::addColumn<int>("echoesLogged"); // of the read's command
    // The reader has read it before the next command, which has not seen it.
    QTest::newRow("read, not yet handled") << false << 2;
    // The stand-in sends it once the port is closed; the next open finds it.
    QTest::newRow("waiting when the port opens") << true << 1;
}

// After a read timed out, the controller's late echo and answer are not
// taken for those of the same read sent again, after the file changed. The
// stand-in answers only when told to, or when the port closes, so the order
// is fixed: the time-out first, then the late answer, then the next read.
void TestRemoteFile::lateAnswerIsNotTaken()
{
    QFETCH(bool, reopened);
    QFETCH(int, echoesLogged);

    SimFixture fixture;
    sim::ControllerSim &sim = fixture.Sim();
    sim.addFault({sim::Fault::LateAnswer, 1, 1});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    QByteArray log;
    terminal.OnData = [&log](TTerminal *, const QByteArray &text) { log += text; };
    TExchangeLine exchanges(terminal);
    exchanges.SetCommandTimeout(300);
    TExchange exchange(exchanges);
    QByteArray stream;
    QVERIFY_THROWS_EXCEPTION(TError, ReadRemoteFile(exchange, "tanks.tbl", 3200, 16, stream));

    QByteArray changed = QByteArray::fromStdString(sim.file("tanks.tbl"));
    const QByteArray before = changed.mid(3200, 16);
    changed.replace(3200, 16, QByteArray(16, '\x77'));
    sim.setFile("tanks.tbl", changed.toStdString());
    if (reopened)
        terminal.Close();
    else
        sim.releaseLateAnswers();
    // Waits without handling events: what the reader reads stays queued.
    QVERIFY(sim.waitForLateAnswers(0, std::chrono::seconds(30)));

    ReadRemoteFile(exchange, "tanks.tbl", 3200, 16, stream);
    QCOMPARE(stream, QByteArray(16, '\x77'));
    QVERIFY(before != stream);
    QCOMPARE(log.count("rdfile tanks.tbl 3200 16\r\r\n"), echoesLogged);
    QVERIFY(log.endsWith(">"));
}

void TestRemoteFile::writeStopsAtFailure()
{
    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Silence, 2, 2});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    exchanges.SetCommandTimeout(2000); // the first chunk's answer comes whole
    TExchangeScript script;
    script.Write("f", 0, QByteArray(100, 'x'));
    TExchange exchange(exchanges, script.Plan());
    try {
        script.Run(exchange);
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

    TExchangeScript script;
    script.Read("config", 0, 0, 0, {});
    script.Write("tanks.tbl", 3200, QByteArray(65, '\x11'), 3);
    QCOMPARE(script.Plan(), (TExchangePlan{1, 3, 0}));
    script.Run(exchanges);
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
