// The terminal page's log of received bytes: line breaks, chunking and the
// characters it shows. Needs no controller stand-in.
#include "TestSeed.h"
#include "app/TerminalPage.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QtTest>

using Chunks = QList<QByteArray>;

namespace {

QStringList LogLines(TTerminalPage &page)
{
    return page.Log().Text().split(u'\n');
}

} // namespace

class TestTerminalLog : public QObject
{
    Q_OBJECT

private slots:
    void appendsChunks_data();
    void appendsChunks();
    void chunkingDoesNotMatter();
};

void TestTerminalLog::appendsChunks_data()
{
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF in one chunk") << Chunks{"ab\r\ncd"} << QStringList{"ab", "cd"};
    QTest::newRow("open line empty after LF") << Chunks{"ab\r\n"} << QStringList{"ab", ""};
    QTest::newRow("CR and LF in two chunks") << Chunks{"ab\r", "\ncd"} << QStringList{"ab", "cd"};
    QTest::newRow("lone CR joins") << Chunks{"con\rfig"} << QStringList{"config"};
    QTest::newRow("two LF give an empty line") << Chunks{"a\n\nb"} << QStringList{"a", "", "b"};
    QTest::newRow("LF CR and CR CR LF are one break each")
        << Chunks{"a\n\rb\r\r\nc"} << QStringList{"a", "b", "c"};
    QTest::newRow("echo after the prompt")
        << Chunks{">", "reload\r\r\n"} << QStringList{">reload", ""};
    QTest::newRow("NUL, controls and 1251 letters stand as received")
        << Chunks{QByteArray("a\0\x07\xc0\xff", 5)} << QStringList{QString("a") + QChar(0) + QChar(7) + "Ая"};
}

void TestTerminalLog::appendsChunks()
{
    QFETCH(Chunks, chunks);
    QFETCH(QStringList, lines);
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    for (const QByteArray &chunk : chunks)
        page.AppendLog(chunk);
    QCOMPARE(LogLines(page), lines);
}

void TestTerminalLog::chunkingDoesNotMatter()
{
    QByteArray stream;
    QRandomGenerator random = SeededGenerator("chunkingDoesNotMatter");
    const char alphabet[] = "ab>\r\n\r\nxyz\xe0\xff";
    for (int i = 0; i < 4000; ++i)
        stream.append(alphabet[random.bounded(int(sizeof alphabet - 1))]);

    TTerminal terminal;

    TExchangeLine exchanges(terminal);
    TTerminalPage whole(exchanges);
    whole.AppendLog(stream);
    for (int round = 0; round < 5; ++round) {
        TTerminalPage pieces(exchanges);
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype length = 1 + random.bounded(20);
            pieces.AppendLog(stream.mid(at, length));
            at += length;
        }
        QCOMPARE(LogLines(pieces), LogLines(whole));
    }
}

QTEST_MAIN(TestTerminalLog)
#include "tst_terminallog.moc"
