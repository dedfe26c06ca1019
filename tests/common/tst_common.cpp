// The settings file, files written whole, and the code page conversion.
#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/ErrorText.h"
#include "common/SaveFile.h"
#include "common/Settings.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_WIN
#include <QFile>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

Q_DECLARE_METATYPE(TErrorPlace)

namespace {

// While it lives, writing the file at path fails, for root as well: on
// Windows the file is held open, which keeps it from being replaced; on
// POSIX the process may not write files beyond a few bytes.
class WriteFailure
{
public:
    explicit WriteFailure(const QString &path);
    ~WriteFailure();
    WriteFailure(const WriteFailure &) = delete;
    WriteFailure &operator=(const WriteFailure &) = delete;

    bool Armed() const { return m_armed; }

private:
    bool m_armed = false;
#ifdef Q_OS_WIN
    QFile m_held;
#else
    rlimit m_limit{};
    void (*m_handler)(int) = SIG_DFL;
#endif
};

#ifdef Q_OS_WIN
WriteFailure::WriteFailure(const QString &path) : m_held(path)
{
    m_armed = m_held.open(QIODevice::ReadOnly);
}

WriteFailure::~WriteFailure() = default;
#else
WriteFailure::WriteFailure(const QString &)
{
    if (getrlimit(RLIMIT_FSIZE, &m_limit) != 0)
        return;
    // A write beyond the limit fails with EFBIG instead of ending the process.
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = m_limit;
    small.rlim_cur = 8;
    m_armed = setrlimit(RLIMIT_FSIZE, &small) == 0;
}

WriteFailure::~WriteFailure()
{
    if (m_armed)
        setrlimit(RLIMIT_FSIZE, &m_limit);
    std::signal(SIGXFSZ, m_handler);
}
#endif

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestCommon : public QObject
{
    Q_OBJECT

private slots:
    void readsPort_data();
    void readsPort();
    void writeKeepsTheRest_data();
    void writeKeepsTheRest();
    void unwritableFile();
    void failedWriteKeepsTheFile();
    void settingsPathBesideExecutable();
    void onlyRegularFilesAreReplaced_data();
    void onlyRegularFilesAreReplaced();
    void errorTextsSayWhere_data();
    void errorTextsSayWhere();
    void cp1251MatchesIcu();
    void cp1251RoundTripsEveryByte();
    void cp1251ReplacesVisibly();
};

void TestCommon::readsPort_data()
{
    QTest::addColumn<QByteArray>("content"); // "-" for no file
    QTest::addColumn<int>("port");
    QTest::newRow("no file") << QByteArray("-") << 1;
    QTest::newRow("decimal") << QByteArray("[conn]\nport=5\n") << 5;
    QTest::newRow("0x prefix") << QByteArray("[conn]\nport=0x10\n") << 16;
    QTest::newRow("$ prefix") << QByteArray("[conn]\nport=$1F\n") << 31;
    QTest::newRow("not a number") << QByteArray("[conn]\nport=abc\n") << 1;
    QTest::newRow("negative") << QByteArray("[conn]\nport=-3\n") << -3;
    QTest::newRow("blanks and CRLF") << QByteArray("[conn]\r\n port = 7 \r\n") << 7;
    QTest::newRow("names ignore case") << QByteArray("[CONN]\nPort=8\n") << 8;
    QTest::newRow("key in another section") << QByteArray("[other]\nport=4\n[conn]\n") << 1;
    QTest::newRow("no key") << QByteArray("[conn]\nbaud=9600\n") << 1;
    QTest::newRow("beyond 32 bits") << QByteArray("[conn]\nport=4294967297\n") << 1;
    QTest::newRow("empty value") << QByteArray("[conn]\nport=\n") << 1;
}

void TestCommon::readsPort()
{
    QFETCH(QByteArray, content);
    QFETCH(int, port);
    QTemporaryDir dir;
    const QString path = dir.filePath("kolt.ini");
    if (content != "-") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QCOMPARE(Settings::ReadPort(path), port);
    QCOMPARE(QFile::exists(path), content != "-"); // reading never creates the file
}

void TestCommon::writeKeepsTheRest_data()
{
    QTest::addColumn<QByteArray>("before"); // "-" for no file
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("creates the file") << QByteArray("-") << QByteArray("[conn]\nport=12\n");
    QTest::newRow("replaces the value")
        << QByteArray("; note\n[conn]\nbaud=1\nport=3\n[x]\nport=9\n")
        << QByteArray("; note\n[conn]\nbaud=1\nport=12\n[x]\nport=9\n");
    QTest::newRow("adds the key to its section")
        << QByteArray("[conn]\nbaud=1\n\n[x]\na=b\n") << QByteArray("[conn]\nbaud=1\nport=12\n\n[x]\na=b\n");
    QTest::newRow("adds the section") << QByteArray("[x]\na=b\n") << QByteArray("[x]\na=b\n[conn]\nport=12\n");
    QTest::newRow("CRLF lines, no line end at the end")
        << QByteArray("[conn]\r\nport=3\r\n; last") << QByteArray("[conn]\nport=12\n; last\n");
    QTest::newRow("Cyrillic comment, blank lines")
        << QByteArray("; \xd0\xbf\xd0\xbe\xd1\x80\xd1\x82\n\n[conn]\n\nport=3\n")
        << QByteArray("; \xd0\xbf\xd0\xbe\xd1\x80\xd1\x82\n\n[conn]\n\nport=12\n");
}

void TestCommon::writeKeepsTheRest()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath("kolt.ini");
    if (before != "-") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    // Permissions of the file's own, which the written file keeps.
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    if (before != "-")
        QVERIFY(QFile::setPermissions(path, permissions));
    const QFile::Permissions held = QFile::permissions(path);
    Settings::WritePort(path, 12);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray written = file.readAll();
    written.replace("\r\n", "\n");
    QCOMPARE(written, after);
    QCOMPARE(Settings::ReadPort(path), 12);
    if (before != "-")
        QCOMPARE(QFile::permissions(path), held);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList("kolt.ini"));
}

void TestCommon::unwritableFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("missing-dir/kolt.ini");
    try {
        Settings::WritePort(path, 2);
        QFAIL("write succeeded");
    } catch (const TError &error) {
        QCOMPARE(error.Message(), "Unable to write to " + QDir::toNativeSeparators(path));
    }
}

// A write that fails part way leaves the file as it was, and nothing beside it.
void TestCommon::failedWriteKeepsTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kolt.ini");
    const QByteArray before("; written by hand\r\n[conn]\r\nport=3\r\n[x]\r\na=b\r\n");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(before), before.size());
    }
    QString message;
    {
        WriteFailure failure(path);
        QVERIFY(failure.Armed());
        try {
            Settings::WritePort(path, 12);
        } catch (const TError &error) {
            message = error.Message();
        }
    }
    QCOMPARE(message, "Unable to write to " + QDir::toNativeSeparators(path));
    QCOMPARE(ReadAll(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList("kolt.ini"));
    // Once writing works again, the same call succeeds.
    Settings::WritePort(path, 12);
    QCOMPARE(Settings::ReadPort(path), 12);
}

void TestCommon::settingsPathBesideExecutable()
{
    // Absolute paths as this platform writes them (with a drive on Windows).
    const QDir temp(QDir::tempPath());
    const QString dir = temp.absoluteFilePath("kolt");
    qunsetenv("KOLT_TARVO_SETTINGS");
    QCOMPARE(Settings::FilePath(dir + "/kolt-tarvo-conf"), dir + "/kolt-tarvo-conf.ini");
    QCOMPARE(Settings::FilePath(dir + "/tool.v2.exe"), dir + "/tool.v2.ini");
    const QString elsewhere = temp.absoluteFilePath("elsewhere.ini");
    qputenv("KOLT_TARVO_SETTINGS", elsewhere.toLocal8Bit());
    QCOMPARE(Settings::FilePath(dir + "/kolt-tarvo-conf"), elsewhere);
    qunsetenv("KOLT_TARVO_SETTINGS");
}

void TestCommon::onlyRegularFilesAreReplaced_data()
{
    QTest::addColumn<QString>("target"); // what the path names, made first
    QTest::addColumn<bool>("written");

    QTest::newRow("nothing") << "nothing" << true;
    QTest::newRow("a regular file") << "file" << true;
    QTest::newRow("a directory") << "directory" << false;
#ifndef Q_OS_WIN
    QTest::newRow("a link to a regular file") << "link to file" << true;
    QTest::newRow("a FIFO") << "fifo" << false;
    QTest::newRow("a link to a FIFO") << "link to fifo" << false;
#endif
}

// Every file the tool writes goes through TSaveFile: a regular file (or
// none) is replaced whole, anything else is refused before a byte is
// written and keeps what it is. The settings file is one such writer.
void TestCommon::onlyRegularFilesAreReplaced()
{
    QFETCH(QString, target);
    QFETCH(bool, written);

    QTemporaryDir dir;
    const QString path = dir.filePath("kolt.ini");
    const QString file = dir.filePath("file.ini");
    const QByteArray before("[conn]\r\nport=3\r\n");
    {
        QFile existing(target == "file" ? path : file);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        QCOMPARE(existing.write(before), before.size());
    }
    if (target == "directory")
        QVERIFY(QDir(dir.path()).mkdir("kolt.ini"));
#ifndef Q_OS_WIN
    const QString fifo = dir.filePath("fifo");
    if (target.endsWith("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(target == "fifo" ? path : fifo).constData(), 0600), 0);
    if (target.startsWith("link"))
        QVERIFY(QFile::link(target.endsWith("fifo") ? fifo : file, path));
#endif
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);

    QString error;
    QCOMPARE(TSaveFile::Write(path, "written", error), written);
    QCOMPARE(error, written ? QString() : QStringLiteral("Not a regular file, not replaced"));
    const QStringList expected = written && target == "nothing" ? QStringList{"file.ini", "kolt.ini"} : entries;
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             expected);
    QCOMPARE(QFileInfo(path).isSymLink(), target.startsWith("link"));
    if (written)
        QCOMPARE(ReadAll(path), QByteArray("written"));
#ifndef Q_OS_WIN
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(S_ISFIFO(status.st_mode), target.endsWith("fifo"));
#endif

    // The settings file keeps to the same rule.
    try {
        Settings::WritePort(path, 5);
        QVERIFY(written);
        QCOMPARE(Settings::ReadPort(path), 5);
    } catch (const TError &failure) {
        QVERIFY(!written);
        QCOMPARE(failure.Message(), "Unable to write to " + QDir::toNativeSeparators(path));
    }
    QCOMPARE(QFileInfo(path).isDir(), target == "directory");
}

void TestCommon::errorTextsSayWhere_data()
{
    using TCause = TErrorPlace::TCause;
    QTest::addColumn<QString>("message");
    QTest::addColumn<TErrorPlace>("place");
    QTest::addColumn<QString>("oneLine"); // the companion's
    QTest::addColumn<QString>("inBox");   // the window's

    const QByteArray read = "rdfile tanks.tbl 3200 1600";
    const TErrorPlace table{.Command = read, .File = "tanks.tbl", .Part = 3};
    const auto failed = [&](TCause cause, int timeoutMs, const QString &link = {}) {
        TErrorPlace place = table;
        place.Cause = cause;
        place.TimeoutMs = timeoutMs;
        place.LinkText = link;
        return place;
    };
    QTest::newRow("no place") << "Терминал занят" << TErrorPlace{} << "Терминал занят." << "Терминал занят.";
    QTest::newRow("no answer") << QString(read) << failed(TCause::NoAnswer, 10000)
                               << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: no answer within 10 s."
                               << "rdfile tanks.tbl 3200 1600.\ntanks.tbl, резервуар 3: нет ответа за 10 с.";
    QTest::newRow("wrong echo, a limit in milliseconds")
        << QString(read) << failed(TCause::NoEcho, 1500)
        << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: wrong echo: bytes came within 1500 ms, but not the "
           "command's echo."
        << "rdfile tanks.tbl 3200 1600.\ntanks.tbl, резервуар 3: неверное эхо: за 1500 мс пришли байты, но не эхо "
           "команды.";
    QTest::newRow("no prompt") << QString(read) << failed(TCause::NoPrompt, 2000)
                               << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: the answer did not end: no prompt "
                                  "within 2 s."
                               << "rdfile tanks.tbl 3200 1600.\ntanks.tbl, резервуар 3: ответ не закончен: нет "
                                  "приглашения за 2 с.";
    QTest::newRow("port closed") << QString(read) << failed(TCause::PortClosed, 10000)
                                 << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: the port was closed."
                                 << "rdfile tanks.tbl 3200 1600.\ntanks.tbl, резервуар 3: Порт закрыт.";
    QTest::newRow("line failed") << QString(read) << failed(TCause::LinkFailed, 10000, "COM1: Input/output error")
                                 << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: the line failed: COM1: "
                                    "Input/output error."
                                 << "rdfile tanks.tbl 3200 1600.\ntanks.tbl, резервуар 3: сбой линии: COM1: "
                                    "Input/output error.";
    TErrorPlace badLine = table;
    badLine.AnswerLine = 2;
    QTest::newRow("an answer line") << "'$ER' is not a valid integer value" << badLine
                                    << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600, answer line 2: '$ER' is not a "
                                       "valid integer value."
                                    << "'$ER' is not a valid integer value.\ntanks.tbl, резервуар 3: rdfile "
                                       "tanks.tbl 3200 1600, строка ответа 2.";
    QTest::newRow("a plain command") << "reload" << TErrorPlace{.Command = "reload", .Cause = TCause::NoAnswer,
                                                                .TimeoutMs = 300}
                                     << "reload: no answer within 300 ms." << "reload.\nнет ответа за 300 мс.";
    QTest::newRow("a file without tanks")
        << "Конфигурация повреждена: получено 214 байт из 429" << TErrorPlace{.Command = "rdfile config 0 0", .File = "config"}
        << "config: rdfile config 0 0: Конфигурация повреждена: получено 214 байт из 429."
        << "Конфигурация повреждена: получено 214 байт из 429.\nconfig: rdfile config 0 0.";
}

void TestCommon::errorTextsSayWhere()
{
    QFETCH(QString, message);
    QFETCH(TErrorPlace, place);
    QFETCH(QString, oneLine);
    QFETCH(QString, inBox);
    const TError error(message, place);
    QCOMPARE(ErrorText::OneLine(error), oneLine);
    QCOMPARE(ErrorText::InBox(error), inBox);
}

void TestCommon::cp1251MatchesIcu()
{
    QStringDecoder icu("windows-1251");
    if (!icu.isValid())
        QSKIP("Qt was built without ICU");
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue; // undefined in the code page
        const QByteArray byte(1, char(b));
        QCOMPARE(Cp1251::toUnicode(byte), QString(icu.decode(byte)));
    }
}

void TestCommon::cp1251RoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    bool lossless = false;
    QCOMPARE(Cp1251::fromUnicode(Cp1251::toUnicode(all), &lossless), all);
    QVERIFY(lossless);
    QCOMPARE(Cp1251::toUnicode("\xcf\xe0\xf0\xee\xeb\xfc"), QString("Пароль"));
}

void TestCommon::cp1251ReplacesVisibly()
{
    bool lossless = true;
    QCOMPARE(Cp1251::fromUnicode(QString("a★bЖ"), &lossless), QByteArray("a?b\xc6"));
    QVERIFY(!lossless);
    QVERIFY(!Cp1251::canEncode(QChar(0x2605)));
    QVERIFY(Cp1251::canEncode(QChar(0x20AC))); // the euro sign is 0x88
}

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
