// The terminal page: the log of received bytes, the input line and its
// history, against the controller stand-in.
#include "SimFixture.h"
#include "TestSeed.h"
#include "app/ErrorBox.h"
#include "app/TerminalPage.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"

#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using Chunks = QList<QByteArray>;

namespace {

QStringList LogLines(const TTerminalPage &page)
{
    return page.mLog->document()->toRawText().split(QChar::ParagraphSeparator);
}

QStringList History(const TTerminalPage &page)
{
    QStringList items;
    for (int i = 0; i < page.cbTx->count(); ++i)
        items << page.cbTx->itemText(i);
    return items;
}

} // namespace

class TestTerminalPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void appendsChunks_data();
    void appendsChunks();
    void chunkingDoesNotMatter();
    void historyRules();
    void enterSendsWithAnyModifier_data();
    void enterSendsWithAnyModifier();
    void lineGoesOutWithCr();
    void refusedWhileTransactionRuns();
    void failedSendKeepsLine();

private:
    QStringList m_errors;
};

void TestTerminalPage::init()
{
    m_errors.clear();
    ErrorBox::SetReporter([this](const QString &text) { m_errors << text; });
}

void TestTerminalPage::appendsChunks_data()
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

void TestTerminalPage::appendsChunks()
{
    QFETCH(Chunks, chunks);
    QFETCH(QStringList, lines);
    TTerminal terminal;
    TTerminalPage page(terminal);
    for (const QByteArray &chunk : chunks)
        page.AppendLog(chunk);
    QCOMPARE(LogLines(page), lines);
}

void TestTerminalPage::chunkingDoesNotMatter()
{
    QByteArray stream;
    QRandomGenerator random = SeededGenerator("chunkingDoesNotMatter");
    const char alphabet[] = "ab>\r\n\r\nxyz\xe0\xff";
    for (int i = 0; i < 4000; ++i)
        stream.append(alphabet[random.bounded(int(sizeof alphabet - 1))]);

    TTerminal terminal;
    TTerminalPage whole(terminal);
    whole.AppendLog(stream);
    for (int round = 0; round < 5; ++round) {
        TTerminalPage pieces(terminal);
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype length = 1 + random.bounded(20);
            pieces.AppendLog(stream.mid(at, length));
            at += length;
        }
        QCOMPARE(LogLines(pieces), LogLines(whole));
    }
}

void TestTerminalPage::historyRules()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TTerminalPage page(terminal);

    const auto send = [&](const QString &line) {
        page.cbTx->setEditText(line);
        page.btnSendClick();
    };
    send("abc");
    send("rdfile config 0 16");
    send("abc");
    QCOMPARE(History(page), QStringList({"abc", "rdfile config 0 16"}));
    send("ABC");
    QCOMPARE(History(page), QStringList({"ABC", "rdfile config 0 16"}));
    QCOMPARE(page.cbTx->currentText(), QString());

    send(""); // an empty line sends nothing
    QCOMPARE(History(page), QStringList({"ABC", "rdfile config 0 16"}));
    QVERIFY(WaitFor([&] { return fixture.Sim().commands().size() == 4; }));
    Pump(100);
    QCOMPARE(fixture.Sim().commands(),
             (std::vector<std::string>{"abc", "rdfile config 0 16", "abc", "ABC"}));
}

void TestTerminalPage::enterSendsWithAnyModifier_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier);
    QTest::newRow("Alt+keypad Enter") << int(Qt::Key_Enter) << int(Qt::AltModifier | Qt::KeypadModifier);
}

void TestTerminalPage::enterSendsWithAnyModifier()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TTerminalPage page(terminal);
    page.show();

    QTest::keyClicks(page.cbTx->lineEdit(), "reload");
    QTest::keyClick(page.cbTx->lineEdit(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(WaitFor([&] { return fixture.Sim().commands().size() == 1; }));
    QCOMPARE(fixture.Sim().commands().front(), std::string("reload"));
    QCOMPARE(History(page), QStringList{"reload"});
    QVERIFY(m_errors.isEmpty());
}

void TestTerminalPage::lineGoesOutWithCr()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    QByteArray received;
    terminal.OnData = [&](TTerminal *, const QByteArray &text) { received += text; };
    TTerminalPage page(terminal);

    page.cbTx->setEditText("Пароль"); // leaves as 1251 bytes
    page.btnSendClick();
    QVERIFY(terminal.Active()); // opened on demand
    QVERIFY(WaitFor([&] { return received.endsWith('>'); }));
    const QByteArray typed = "\xcf\xe0\xf0\xee\xeb\xfc";
    QCOMPARE(received, typed + "\r\r\nUnknown command: " + typed + "\r\n>");
    QVERIFY(page.mLog->document()->isEmpty()); // the page itself logs nothing
}

void TestTerminalPage::refusedWhileTransactionRuns()
{
    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Silence});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TTerminalPage page(terminal);
    TTerminalCommand running(terminal);
    running.Start("reload");

    page.cbTx->setEditText("abc");
    QTest::mouseClick(page.btnSend, Qt::LeftButton);
    QCOMPARE(m_errors, QStringList{"Терминал занят."});
    QCOMPARE(page.cbTx->currentText(), QString("abc"));
    QCOMPARE(page.cbTx->count(), 0);
    Pump(100);
    QCOMPARE(fixture.Sim().commands(), std::vector<std::string>{"reload"});
}

void TestTerminalPage::failedSendKeepsLine()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(6); // no such port
    TTerminalPage page(terminal);
    page.cbTx->setEditText("abc");
    QTest::mouseClick(page.btnSend, Qt::LeftButton);
    QCOMPARE(m_errors, QStringList{"COM6: No such file or directory."});
    QCOMPARE(page.cbTx->currentText(), QString("abc"));
    QCOMPARE(page.cbTx->count(), 0);
}

QTEST_MAIN(TestTerminalPage)
#include "tst_terminalpage.moc"
