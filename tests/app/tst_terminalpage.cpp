// The terminal page: the input line and its history, against the controller
// stand-in (its log: tst_terminallog).
#include "SimFixture.h"
#include "app/ErrorBox.h"
#include "app/TerminalPage.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"

#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

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
