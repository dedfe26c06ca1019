// The terminal page: the input line and its history, against the controller
// stand-in (its log: tst_terminallog).
#include "SimFixture.h"
#include "UserInput.h"
#include "app/ErrorBox.h"
#include "app/TerminalPage.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"

#include <QComboBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QtTest>

using Chunks = QList<QByteArray>;

namespace {

QStringList History(const TTerminalPage &page)
{
    QStringList items;
    for (int i = 0; i < page.cbTx->count(); ++i)
        items << page.cbTx->itemText(i);
    return items;
}

// Types text into the input line as a user does, replacing what it holds.
void TypeLine(TTerminalPage &page, const QString &text)
{
    UserInput::Click(page.cbTx);
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Key(Qt::Key_Delete);
    UserInput::Type(text);
}

// Where the log shows the start of a line, in its viewport.
QPoint LineStart(const TTerminalPage &page, int line)
{
    QTextCursor cursor(page.mLog->document()->findBlockByNumber(line));
    return page.mLog->cursorRect(cursor).center();
}

} // namespace

class TestTerminalPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void historyRules();
    void enterSendsWithAnyModifier_data();
    void enterSendsWithAnyModifier();
    void logKeepsUserSelection_data();
    void logKeepsUserSelection();
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

void TestTerminalPage::historyRules()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));

    const auto send = [&](const QString &line) {
        TypeLine(page, line);
        UserInput::Key(Qt::Key_Return);
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
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Alt+keypad Enter") << int(Qt::Key_Enter) << int(Qt::AltModifier | Qt::KeypadModifier);
}

void TestTerminalPage::enterSendsWithAnyModifier()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));

    TypeLine(page, "reload");
    UserInput::Key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(WaitFor([&] { return fixture.Sim().commands().size() == 1; }));
    QCOMPARE(fixture.Sim().commands().front(), std::string("reload"));
    QCOMPARE(History(page), QStringList{"reload"});
    QCOMPARE(page.cbTx->currentText(), QString());
    QVERIFY(m_errors.isEmpty());
}

void TestTerminalPage::logKeepsUserSelection_data()
{
    // The user clicks a line of the log and selects with keys; chunks then
    // arrive. The selection and the caret stay as they were.
    QTest::addColumn<int>("clickedLine");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<QString>("selected");

    const QByteArray manyLines = QByteArray("line\r\n").repeated(200);
    QTest::newRow("a line in the middle") << 1 << QKeySequence("Home, Shift+End") << Chunks{manyLines, ">"}
                                         << "second";
    QTest::newRow("everything, up to the open line") << 0 << QKeySequence("Ctrl+A") << Chunks{"tail\r\n", manyLines}
                                                     << QString("first") + QChar::ParagraphSeparator + "second"
                                                            + QChar::ParagraphSeparator + ">";
    QTest::newRow("caret at the end of the log") << 2 << QKeySequence("Ctrl+End") << Chunks{"more", manyLines}
                                                 << QString();
    QTest::newRow("open line growing to the right")
        << 1 << QKeySequence("Home, Shift+Right") << Chunks{QByteArray(600, 'w')} << "s";
}

void TestTerminalPage::logKeepsUserSelection()
{
    QFETCH(int, clickedLine);
    QFETCH(QKeySequence, keys);
    QFETCH(Chunks, chunks);
    QFETCH(QString, selected);

    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog("first\r\nsecond\r\n>");
    UserInput::Click(page.mLog->viewport(), LineStart(page, clickedLine));
    for (int i = 0; i < keys.count(); ++i)
        UserInput::Key(keys[i].key(), keys[i].keyboardModifiers());
    const QTextCursor before = page.mLog->textCursor();
    const int anchor = before.anchor();
    const int position = before.position();
    QCOMPARE(before.selectedText(), selected);

    for (const QByteArray &chunk : chunks)
        page.AppendLog(chunk);
    QCOMPARE(page.mLog->textCursor().anchor(), anchor);
    QCOMPARE(page.mLog->textCursor().position(), position);
    QCOMPARE(page.mLog->textCursor().selectedText(), selected);

    // The view follows the appended text: the end of the log is in view.
    QTextCursor end(page.mLog->document());
    end.movePosition(QTextCursor::End);
    QVERIFY(page.mLog->viewport()->rect().contains(page.mLog->cursorRect(end)));
}

void TestTerminalPage::lineGoesOutWithCr()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    QByteArray received;
    terminal.OnData = [&](TTerminal *, const QByteArray &text) { received += text; };
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));

    TypeLine(page, "Пароль"); // leaves as 1251 bytes
    UserInput::Click(page.btnSend);
    QVERIFY(terminal.Active()); // opened on demand
    QVERIFY(WaitFor([&] { return received.endsWith('>'); }));
    const QByteArray typed = "\xcf\xe0\xf0\xee\xeb\xfc";
    QCOMPARE(received, typed + "\r\r\nUnknown command: " + typed + "\r\n>");
    QVERIFY(page.mLog->document()->isEmpty()); // the page itself logs nothing
}

// While an operation holds the line the send button is disabled; Enter
// still reaches the page, and the line refuses what it would send.
void TestTerminalPage::refusedWhileTransactionRuns()
{
    SimFixture fixture;
    fixture.Sim().addFault({sim::Fault::Silence});
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    QVERIFY(page.btnSend->isEnabled());
    {
        TExchange exchange(exchanges);
        TTerminalCommand running(exchange);
        running.Start("reload");
        QVERIFY(!page.btnSend->isEnabled());

        TypeLine(page, "abc");
        UserInput::Click(page.btnSend);
        QCOMPARE(m_errors, QStringList());
        UserInput::Key(Qt::Key_Return);
        QCOMPARE(m_errors, QStringList{"Терминал занят."});
        QCOMPARE(page.cbTx->currentText(), QString("abc"));
        QCOMPARE(page.cbTx->count(), 0);
        Pump(100);
        QCOMPARE(fixture.Sim().commands(), std::vector<std::string>{"reload"});
        QVERIFY(!page.btnSend->isEnabled());
    }
    QVERIFY(page.btnSend->isEnabled());

    // Once the operation has ended, the same line goes out.
    UserInput::Click(page.btnSend);
    QVERIFY(WaitFor([&] { return fixture.Sim().commands().size() == 2; }));
    QCOMPARE(fixture.Sim().commands().back(), std::string("abc"));
    QCOMPARE(History(page), QStringList{"abc"});
    QCOMPARE(m_errors, QStringList{"Терминал занят."});
}

void TestTerminalPage::failedSendKeepsLine()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(6); // no such port
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    TypeLine(page, "abc");
    UserInput::Click(page.btnSend);
    QCOMPARE(m_errors, QStringList{"COM6: No such file or directory."});
    QCOMPARE(page.cbTx->currentText(), QString("abc"));
    QCOMPARE(page.cbTx->count(), 0);
}

QTEST_MAIN(TestTerminalPage)
#include "tst_terminalpage.moc"
