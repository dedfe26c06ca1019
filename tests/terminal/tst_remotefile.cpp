// Controller files over hexadecimal text: the line decoder by itself, and
// reads and writes against the controller stand-in.
#include "QtTestWatchdog.h"
#include "SimFixture.h"
#include "common/Error.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"

#include <QtTest>

using Lines = QList<QByteArray>;

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
    QByteArray data;
    for (int i = 0; i < size; ++i)
        data.append(char(i * 7 + 5)); // 05, 0C, ... AB: leading zeros and letters
    WriteRemoteFile(terminal, "blob", offset, data);

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

    QByteArray stream = "stale";
    ReadRemoteFile(terminal, "tanks.tbl", 1600, 1600, stream);
    QCOMPARE(stream, content.mid(1600, 1600));
    ReadRemoteFile(terminal, "tanks.tbl", 0, 0, stream);
    QCOMPARE(stream, content);
    ReadRemoteFile(terminal, "tanks.tbl", 5000, 16, stream); // beyond the end: no lines
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
    terminal.SetPortNumber(fixture.Port());
    terminal.SetCommandTimeout(300);
    QByteArray result = "untouched";
    QString raised;
    try {
        ReadRemoteFile(terminal, "config", 0, 0, result);
    } catch (const TError &e) {
        raised = e.Message();
    }
    QCOMPARE(raised, error);
    const QByteArray config = QByteArray::fromStdString(fixture.Sim().file("config"));
    QCOMPARE(result, keptBytes < 0 ? QByteArray("untouched") : config.left(keptBytes));
    QVERIFY(!terminal.ExchangeRunning());
}

void TestRemoteFile::writeStopsAtFailure()
{
    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Silence, 2, 2});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    terminal.SetCommandTimeout(300);
    const QByteArray data(100, 'x');
    try {
        WriteRemoteFile(terminal, "f", 0, data);
        QFAIL("write succeeded");
    } catch (const TError &e) {
        QCOMPARE(e.Message(), QString("wrfile f 32 " + QString(64, u'7').replace("77", "78")));
    }
    QCOMPARE(fixture.Sim().commands().size(), std::size_t(2)); // nothing after the failed chunk
    QVERIFY(!terminal.ExchangeRunning());
}

QTEST_GUILESS_MAIN(TestRemoteFile)
#include "tst_remotefile.moc"
