// The terminal page through its user's input: the input line and its
// history against the controller stand-in, the log's caret, selection and
// local typing, the session log, saving, the hex dump and the search (the
// log's line rules: tst_terminallog).
#include "FileDialogAnswer.h"
#include "SimFixture.h"
#include "UserInput.h"
#include "app/ErrorBox.h"
#include "app/TerminalLogView.h"
#include "app/TerminalPage.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"
#include "terminal/TerminalCommand.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using Chunks = QList<QByteArray>;
using Keys = QList<QKeySequence>;
using Lines = QList<qint64>;

namespace {

QStringList History(const TTerminalPage &page)
{
    QStringList items;
    for (int i = 0; i < page.cbTx->count(); ++i)
        items << page.cbTx->itemText(i);
    return items;
}

QStringList LogLines(TTerminalPage &page)
{
    return page.Log().Text().split(u'\n');
}

// Types text into the input line as a user does, replacing what it holds.
void TypeLine(TTerminalPage &page, const QString &text)
{
    UserInput::Click(page.cbTx);
    UserInput::Key(Qt::Key_A, Qt::ControlModifier);
    UserInput::Key(Qt::Key_Delete);
    UserInput::Type(text);
}

void PressKeys(const QKeySequence &keys)
{
    for (int i = 0; i < keys.count(); ++i)
        UserInput::Key(keys[i].key(), keys[i].keyboardModifiers());
}

// Where the log shows the place before column of line, in its viewport.
QPoint Spot(const TTerminalPage &page, qint64 line, qint64 column = 0)
{
    return page.mLog->CursorRect({line, column}).center();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// How many pixels of color the view shows in rect of its viewport.
int PixelsOf(TTerminalLogView &view, const QRect &rect, const QColor &color)
{
    const QImage image = view.viewport()->grab().toImage();
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += image.rect().contains(x, y) && image.pixelColor(x, y) == color;
    return count;
}

// The cells of a range on one line, in the viewport.
QRect Cells(TTerminalPage &page, const TLogRange &range)
{
    return page.mLog->CursorRect(range.Begin).united(page.mLog->CursorRect(range.End)).adjusted(0, 0, -1, 0);
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
    void localTypingStays_data();
    void localTypingStays();
    void mouseSelectsAndCopies();
    void lineGoesOutWithCr();
    void refusedWhileTransactionRuns();
    void failedSendKeepsLine();
    void sessionLogAgainstTranscript();
    void sessionLogUnwritable_data();
    void sessionLogUnwritable();
    void saveLog_data();
    void saveLog();
    void hexViewShowsBytes();
    void hexViewShowsCaretLine();
    void find_data();
    void find();

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
    QVERIFY(SentinelTaken(terminal, fixture.Sim()));
    QCOMPARE(fixture.Sim().commands(),
             (std::vector<std::string>{"abc", "rdfile config 0 16", "abc", "ABC", kSentinelCommand.toStdString()}));
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
                                                     << "first\nsecond\n>";
    QTest::newRow("caret at the end of the log") << 2 << QKeySequence("Ctrl+End") << Chunks{"more", manyLines}
                                                 << QString();
    QTest::newRow("open line growing to the right")
        << 1 << QKeySequence("Home, Shift+Right") << Chunks{QByteArray(600, 'w')} << "s";
    QTest::newRow("two lines by Shift+Down") << 0 << QKeySequence("Shift+Down, Shift+Down") << Chunks{manyLines}
                                             << "first\nsecond\n";
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
    UserInput::Click(page.mLog->viewport(), Spot(page, clickedLine));
    PressKeys(keys);
    const TLogPosition anchor = page.Log().Anchor();
    const TLogPosition position = page.Log().Position();
    QCOMPARE(page.Log().SelectedText(), selected);

    for (const QByteArray &chunk : chunks)
        page.AppendLog(chunk);
    QCOMPARE(page.Log().Anchor(), anchor);
    QCOMPARE(page.Log().Position(), position);
    QCOMPARE(page.Log().SelectedText(), selected);

    // The view follows the appended text: the end of the log is in view.
    QVERIFY(page.mLog->viewport()->rect().contains(page.mLog->CursorRect(page.Log().End())));
}

void TestTerminalPage::localTypingStays_data()
{
    // The log holds "first", "second" and the open line ">". The user clicks
    // a place in it, presses keys and types; then the controller's echo of
    // "reload" arrives. What was typed stays where it was typed, the caret
    // too, and the echo goes to the log's last line, as received text does.
    QTest::addColumn<qint64>("line");
    QTest::addColumn<qint64>("column");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TLogPosition>("caret");

    QTest::newRow("into a line") << qint64(1) << qint64(3) << QKeySequence() << "XY"
                                 << QStringList{"first", "secXYond", ">reload", ""} << TLogPosition{1, 5};
    QTest::newRow("Cyrillic at the end of the open line")
        << qint64(2) << qint64(1) << QKeySequence() << "ввод"
        << QStringList{"first", "second", ">вводreload", ""} << TLogPosition{2, 5};
    QTest::newRow("Enter at the end: the echo goes to the new last line")
        << qint64(2) << qint64(1) << QKeySequence("Return") << "x"
        << QStringList{"first", "second", ">", "xreload", ""} << TLogPosition{3, 1};
    QTest::newRow("Enter in a line splits it") << qint64(0) << qint64(2) << QKeySequence("Return") << QString()
                                               << QStringList{"fi", "rst", "second", ">reload", ""}
                                               << TLogPosition{1, 0};
    QTest::newRow("Backspace joins two lines") << qint64(1) << qint64(0) << QKeySequence("Backspace") << QString()
                                               << QStringList{"firstsecond", ">reload", ""} << TLogPosition{0, 5};
    QTest::newRow("a selected line deleted") << qint64(0) << qint64(0) << QKeySequence("Shift+Down, Delete")
                                             << QString() << QStringList{"second", ">reload", ""}
                                             << TLogPosition{0, 0};
    QTest::newRow("everything deleted") << qint64(0) << qint64(0) << QKeySequence("Ctrl+A, Delete") << QString()
                                        << QStringList{"reload", ""} << TLogPosition{0, 0};
    QTest::newRow("Delete at a line's end joins the next")
        << qint64(1) << qint64(6) << QKeySequence("Delete") << QString()
        << QStringList{"first", "second>reload", ""} << TLogPosition{1, 6};
    QTest::newRow("a word deleted with Ctrl+Backspace")
        << qint64(0) << qint64(5) << QKeySequence("Ctrl+Backspace") << QString()
        << QStringList{"", "second", ">reload", ""} << TLogPosition{0, 0};
}

void TestTerminalPage::localTypingStays()
{
    QFETCH(qint64, line);
    QFETCH(qint64, column);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, typed);
    QFETCH(QStringList, lines);
    QFETCH(TLogPosition, caret);

    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    terminal.Open();
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog("first\r\nsecond\r\n>");
    UserInput::Click(page.mLog->viewport(), Spot(page, line, column));
    QCOMPARE(page.Log().Position(), (TLogPosition{line, column}));
    PressKeys(keys);
    UserInput::Type(typed);
    page.AppendLog("reload\r");
    page.AppendLog("\r\n");
    QCOMPARE(LogLines(page), lines);
    QCOMPARE(page.Log().Position(), caret);
    QVERIFY(!page.Log().HasSelection());
    // What is typed into the log stays there.
    QVERIFY(SentinelTaken(terminal, fixture.Sim()));
    QCOMPARE(fixture.Sim().commands(), std::vector<std::string>{kSentinelCommand.toStdString()});
}

void TestTerminalPage::mouseSelectsAndCopies()
{
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog("first line\r\nsecond line\r\n>");

    UserInput::Drag(page.mLog->viewport(), Spot(page, 0, 6), Spot(page, 1, 3));
    QCOMPARE(page.Log().SelectedText(), QString("line\nsec"));
    page.AppendLog("more\r\n");
    QCOMPARE(page.Log().SelectedText(), QString("line\nsec"));
    UserInput::Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("line\nsec"));

    UserInput::DoubleClick(page.mLog->viewport(), Spot(page, 1, 8));
    QCOMPARE(page.Log().SelectedText(), QString("line"));
    // Shift and a click extend the selection from its anchor.
    UserInput::Click(page.mLog->viewport(), Spot(page, 0, 0), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(page.Log().SelectedText(), QString("first line\nsecond "));
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
    QCOMPARE(page.Log().Text(), QString()); // the page itself logs nothing
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
        QVERIFY(SentinelTaken(terminal, fixture.Sim()));
        QCOMPARE(fixture.Sim().commands(), (std::vector<std::string>{"reload", kSentinelCommand.toStdString()}));
        QVERIFY(!page.btnSend->isEnabled());
    }
    QVERIFY(page.btnSend->isEnabled());

    // Once the operation has ended, the same line goes out.
    UserInput::Click(page.btnSend);
    QVERIFY(WaitFor([&] { return fixture.Sim().commands().size() == 3; }));
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

// Lines typed on the page and an operation's command against the stand-in,
// with the session log on: the file holds what it held, then every line
// sent and received in order, each stamped with its time, the sent ones at
// or before the stand-in took them, their echoes at or after.
void TestTerminalPage::sessionLogAgainstTranscript()
{
    SimFixture fixture;
    TTerminal terminal;
    terminal.SetPortNumber(fixture.Port());
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    terminal.OnData = [&page](TTerminal *, const QByteArray &text) { page.AppendLog(text); };
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog("before the session\r\n>");

    QTemporaryDir dir;
    const QString path = dir.filePath("session.log");
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier session\n");
    }
    {
        const auto answer = AnswerFileDialog(path);
        UserInput::Click(page.btnSessionLog);
        QCOMPARE(answer->Opened, 1);
    }
    QVERIFY(page.btnSessionLog->isChecked());
    QVERIFY(UserInput::Activate(&page)); // back from the dialog

    const auto prompts = [&page] { return page.Log().Text().count(u'>'); };
    TypeLine(page, "reload");
    UserInput::Key(Qt::Key_Return);
    QVERIFY(WaitFor([&] { return prompts() == 2; }));
    {
        TExchange exchange(exchanges);
        TTerminalCommand command(exchange);
        command.Execute("rdfile config 0 16");
    }
    TypeLine(page, "Пароль");
    UserInput::Key(Qt::Key_Return);
    QVERIFY(WaitFor([&] { return prompts() == 4; }));
    // Each line is in the file as soon as it has arrived whole.
    QVERIFY(ReadFile(path).contains(" RX Unknown command: Пароль\n"));

    UserInput::Click(page.btnSessionLog);
    QVERIFY(!page.btnSessionLog->isChecked());
    page.AppendLog("after the session\r\n");

    QStringList file = QString::fromUtf8(ReadFile(path)).split(u'\n');
    QCOMPARE(file.takeFirst(), QString("an earlier session"));
    QCOMPARE(file.takeLast(), QString()); // the last line ends too
    const QRegularExpression format(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (TX|RX) (.*)$)");
    QStringList sent;
    QStringList received;
    QList<qint64> times;
    QStringList directions;
    for (const QString &line : file) {
        const QRegularExpressionMatch match = format.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const QDateTime time = QDateTime::fromString(match.captured(1), "yyyy-MM-dd HH:mm:ss.zzz");
        QVERIFY(time.isValid());
        times << time.toMSecsSinceEpoch();
        directions << match.captured(2);
        (match.captured(2) == "TX" ? sent : received) << match.captured(3);
    }
    // Received: the log's lines from where the open line stood at the start
    // (after its ">") to the part of the open line that had come at the stop
    // (">", without what came after it).
    QStringList expected = LogLines(page).mid(1, received.size());
    expected.front().remove(0, 1);
    QCOMPARE(expected.back(), QString(">after the session"));
    expected.back().truncate(1);
    QCOMPARE(received, expected);
    QCOMPARE(received.front(), QString("reload"));
    QCOMPARE(sent, (QStringList{"reload", "rdfile config 0 16", "Пароль"}));

    const std::vector<sim::TranscriptEntry> transcript = fixture.Sim().transcript();
    QCOMPARE(transcript.size(), size_t(3));
    QVERIFY(std::is_sorted(times.cbegin(), times.cend()));
    for (qsizetype i = 0, command = 0; i < file.size(); ++i) {
        if (directions[i] != "TX")
            continue;
        const qint64 taken = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 transcript[size_t(command)].time.time_since_epoch())
                                 .count();
        QVERIFY2(times[i] <= taken, qPrintable(file[i]));
        // Its echo comes next.
        QCOMPARE(directions[i + 1], QString("RX"));
        QVERIFY2(file[i + 1].endsWith(sent[command]), qPrintable(file[i + 1]));
        QVERIFY2(taken <= times[i + 1], qPrintable(file[i + 1]));
        ++command;
    }
}

void TestTerminalPage::sessionLogUnwritable_data()
{
    QTest::addColumn<QString>("file"); // in a folder holding the regular file "plain"
    QTest::addColumn<QString>("message");
    QTest::newRow("in a folder that is a file") << "plain/session.log" << "Не удалось открыть журнал %1: ";
    QTest::newRow("device full") << "/dev/full" << "Журнал %1 остановлен: ";
}

void TestTerminalPage::sessionLogUnwritable()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QStringList status;
    connect(&page, &TTerminalPage::statusMessage, this, [&status](const QString &text) { status << text; });
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog("before\r\n");

    const FolderWithFile folder;
    const QString path = folder.Path(file);
    {
        const auto answer = AnswerFileDialog(path);
        UserInput::Click(page.btnSessionLog);
        QCOMPARE(answer->Opened, 1);
    }
    page.AppendLog("after\r\n>");
    page.AppendLog("more\r\n");

    QVERIFY(!page.btnSessionLog->isChecked());
    status.removeAll(QString()); // a session that starts takes an earlier message away
    QCOMPARE(status.size(), 1);
    QVERIFY2(status.front().startsWith(message.arg(QDir::toNativeSeparators(path))), qPrintable(status.front()));
    QCOMPARE(LogLines(page), (QStringList{"before", "after", ">more", ""}));
}

void TestTerminalPage::saveLog_data()
{
    QTest::addColumn<QString>("file"); // in a folder holding the regular file "plain"
    QTest::addColumn<QString>("error");
    QTest::newRow("a new file") << "saved.txt" << QString();
    QTest::newRow("in a folder that is a file") << "plain/saved.txt" << "Не удалось сохранить журнал в %1: ";
}

void TestTerminalPage::saveLog()
{
    QFETCH(QString, file);
    QFETCH(QString, error);
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog("ab\r\n\xc6\xe4\xf3\r\n>");
    UserInput::Click(page.mLog->viewport(), Spot(page, 0, 2));
    UserInput::Type("!");

    const FolderWithFile folder;
    const QString path = folder.Path(file);
    const auto answer = AnswerFileDialog(path);
    UserInput::Click(page.btnSaveLog);
    QCOMPARE(answer->Opened, 1);
    if (error.isEmpty()) {
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(ReadFile(path), QString("ab!\nЖду\n>\n").toUtf8());
    } else {
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.front().startsWith(error.arg(QDir::toNativeSeparators(path))), qPrintable(m_errors.front()));
        QVERIFY(!QFileInfo::exists(path));
    }
}

// A line holding a CR in its middle, a NUL and Cyrillic letters: the text
// shows the line, the hex dump every byte; switching back loses nothing.
void TestTerminalPage::hexViewShowsBytes()
{
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    page.AppendLog(QByteArray("ab\r\0\xc0\xff\r\n>", 9));
    UserInput::Click(page.mLog->viewport(), Spot(page, 0, 5));
    UserInput::Type("X");
    const QString text = QString("ab") + QChar(0) + "АяX\n>";
    QCOMPARE(page.mLog->ShownText(), text);

    UserInput::Click(page.btnHex);
    QCOMPARE(page.mLog->Mode(), TTerminalLogView::TMode::Hex);
    QCOMPARE(page.mLog->ShownText(), QString("00000000  61 62 0D 00 C0 FF 0D 0A  3E") + QString(23, u' ') + "ab..Ая..>");
    page.AppendLog(QByteArray(9, 'z'));
    QCOMPARE(page.mLog->ShownText().split(u'\n').back(), QString("00000010  7A 7A") + QString(45, u' ') + "zz");

    UserInput::Click(page.btnHex);
    QCOMPARE(page.mLog->Mode(), TTerminalLogView::TMode::Text);
    QCOMPARE(page.mLog->ShownText(), text + QString(9, u'z'));
}

// The user puts the caret on a line far from the log's end and switches to
// the hex dump: it shows that line's bytes, marked.
void TestTerminalPage::hexViewShowsCaretLine()
{
    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    for (int i = 0; i < 300; ++i)
        page.AppendLog(QStringLiteral("line %1\r\n").arg(i, 3, 10, QChar(u'0')).toLatin1());
    UserInput::Click(page.mLog->viewport(), Spot(page, page.mLog->FirstVisibleLine()));
    UserInput::Key(Qt::Key_Home, Qt::ControlModifier);
    UserInput::Click(page.mLog->viewport(), Spot(page, 2, 3));

    UserInput::Click(page.btnHex);
    const qint64 row = 2 * 10 / 16; // "line 002" begins at byte 20
    QVERIFY(page.mLog->FirstVisibleLine() <= row && row < page.mLog->FirstVisibleLine() + page.mLog->VisibleLines());
    // The bytes of the line, "6C 69 ... 0D 0A", stand out.
    const QColor highlight = page.mLog->palette().color(QPalette::Active, QPalette::Highlight);
    const int y = page.mLog->CursorRect({row, 0}).top();
    const QFontMetricsF metrics(page.mLog->font());
    const auto cell = [&](int column) {
        const int x = page.mLog->CursorRect({row, column}).left();
        return QRect(x, y, int(metrics.horizontalAdvance(u'0')), page.mLog->CursorRect({row, 0}).height());
    };
    QVERIFY(PixelsOf(*page.mLog, cell(10 + 3 * 4), highlight) > 0);  // byte 20, "6C"
    QVERIFY(PixelsOf(*page.mLog, cell(10 + 3 * 3), highlight) == 0); // byte 19, the LF before it
}

void TestTerminalPage::find_data()
{
    // A log of 2000 lines; the caret at its start; the needle typed after
    // Ctrl+F; then keys in the search field, each finding a hit (its line
    // and column; -1: none) with the text beside the field after it.
    QTest::addColumn<QString>("needle");
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<Lines>("columns");
    QTest::addColumn<QStringList>("notes");

    const QString none;
    const QString wrapped = "Поиск продолжен с начала";
    QTest::newRow("Cyrillic in any case, onwards and round")
        << "ошибка" << Keys{Qt::Key_Return, Qt::Key_Return, Qt::Key_Return, Qt::Key_Return}
        << Lines{700, 1500, 1800, 700} << Lines{0, 0, 8, 0} << QStringList{none, none, none, wrapped};
    QTest::newRow("backwards from the start")
        << "ОшибкА" << Keys{Qt::SHIFT | Qt::Key_Return, Qt::SHIFT | Qt::Key_Return, Qt::Key_F3}
        << Lines{1800, 1500, 1800} << Lines{8, 0, 8} << QStringList{"Поиск продолжен с конца", none, none};
    QTest::newRow("Latin in any case, F3 and Shift+F3")
        << "LINE 1999:" << Keys{Qt::Key_F3, Qt::SHIFT | Qt::Key_F3} << Lines{1999, 1999} << Lines{0, 0}
        << QStringList{none, "Поиск продолжен с конца"};
    QTest::newRow("not there") << "отказ" << Keys{Qt::Key_Return} << Lines{-1} << Lines{-1} << QStringList{"Не найдено"};
}

void TestTerminalPage::find()
{
    QFETCH(QString, needle);
    QFETCH(Keys, keys);
    QFETCH(Lines, lines);
    QFETCH(Lines, columns);
    QFETCH(QStringList, notes);

    TTerminal terminal;
    TExchangeLine exchanges(terminal);
    TTerminalPage page(exchanges);
    QVERIFY(UserInput::Activate(&page));
    for (int i = 0; i < 2000; ++i) {
        QByteArray line = QStringLiteral("line %1: ok\r\n").arg(i).toLatin1();
        if (i == 700)
            line = "\xce\xf8\xe8\xe1\xea\xe0 \xf1\xe2\xff\xe7\xe8\r\n"; // Ошибка связи
        else if (i == 1500)
            line = "\xce\xd8\xc8\xc1\xca\xc0\r\n"; // ОШИБКА
        else if (i == 1800)
            line = "\xef\xee\xe2\xf2\xee\xf0: \xee\xf8\xe8\xe1\xea\xe0\r\n"; // повтор: ошибка
        page.AppendLog(line);
    }
    UserInput::Click(page.mLog->viewport(), Spot(page, page.mLog->FirstVisibleLine()));
    UserInput::Key(Qt::Key_Home, Qt::ControlModifier);
    UserInput::Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), page.eFind);
    UserInput::Type(needle);

    for (qsizetype i = 0; i < keys.size(); ++i) {
        PressKeys(keys[i]);
        QCOMPARE(page.lblFind->text(), notes[i]);
        if (lines[i] < 0) {
            QVERIFY(!page.Log().Hit());
            continue;
        }
        const TLogRange hit{{lines[i], columns[i]}, {lines[i], columns[i] + needle.size()}};
        QCOMPARE(page.Log().Hit(), std::optional<TLogRange>(hit));
        QCOMPARE(page.Log().Selection(), hit);
        QCOMPARE(page.Log().SelectedText().toLower(), needle.toLower());
        // In view, and marked.
        const QRect cells = Cells(page, hit);
        QVERIFY(page.mLog->viewport()->rect().contains(cells));
        QVERIFY(PixelsOf(*page.mLog, cells, TTerminalLogView::HitColor()) > cells.width() * cells.height() / 4);
    }
}

QTEST_MAIN(TestTerminalPage)
#include "tst_terminalpage.moc"
