// kolt-tarvo-cli run as a child process against the controller stand-in:
// round trips, the commands each operation puts on the wire, the input
// checks, port and controller failures, the port choice and the progress
// display.
#include "ChildProcess.h"
#include "JsonEdit.h"
#include "QtTestWatchdog.h"
#include "SimFixture.h"

#include <QDir>
#include <QJsonArray>
#include <QtEndian>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kBlock = 1600;    // one tank's table in tanks.tbl

QProcessEnvironment Environment(const QStringList &settings)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : settings)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    return environment;
}

CliResult RunCli(const QStringList &arguments, const QByteArray &input = {}, const QStringList &environment = {},
                 const QString &outputFile = {})
{
    QProcess process;
    process.setProcessEnvironment(Environment(environment));
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    return RunToEnd(process, QStringLiteral(KOLT_CLI_PATH), arguments, input);
}

QByteArray Json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject With(const QJsonObject &root, const QString &path, const QJsonValue &value)
{
    return With(QJsonValue(root), path.split(u'/'), value).toObject();
}

// Commands as received, a wrfile's hex shown as its byte count.
QStringList Trace(const sim::ControllerSim &sim)
{
    QStringList trace;
    for (const std::string &command : sim.commands()) {
        const QString text = QString::fromStdString(command);
        const QStringList words = text.split(u' ');
        if (words.size() == 4 && words.at(0) == QStringLiteral("wrfile"))
            trace << QStringLiteral("wrfile %1 %2 +%3").arg(words.at(1), words.at(2)).arg(words.at(3).size() / 2);
        else
            trace << text;
    }
    return trace;
}

// The trace of writing size bytes at offset: one command per 32 bytes.
QStringList WriteTrace(const QString &name, int offset, int size)
{
    QStringList trace;
    for (int done = 0; done < size; done += 32)
        trace << QStringLiteral("wrfile %1 %2 +%3").arg(name).arg(offset + done).arg(qMin(32, size - done));
    return trace;
}

// The same, followed by the read-back that checks it.
QStringList CheckedWriteTrace(const QString &name, int offset, int size)
{
    return WriteTrace(name, offset, size) << QStringLiteral("rdfile %1 %2 %3").arg(name).arg(offset).arg(size);
}

QJsonArray TableJson(int seed)
{
    QJsonArray values;
    for (int k = 0; k < 400; ++k)
        values.append(seed * 100000 + 37 * k - 500);
    return values;
}

QByteArray TableText(int seed)
{
    QByteArray text;
    for (const QJsonValue value : TableJson(seed))
        text += QByteArray::number(value.toInt()) + '\n';
    return text;
}

// The same table as "height;volume" pairs.
QByteArray TableCsv(int seed)
{
    QByteArray text = "height;volume\n";
    const QJsonArray values = TableJson(seed);
    for (qsizetype k = 0; k < values.size(); ++k)
        text += QByteArray::number(10 * k) + ';' + QByteArray::number(values.at(k).toInt()) + '\n';
    return text;
}

// Tank n's 400 values as the stand-in holds them.
QList<qint32> TankBlock(const sim::ControllerSim &sim, int n)
{
    const QByteArray block = QByteArray::fromStdString(sim.file("tanks.tbl")).mid((n - 1) * kBlock, kBlock);
    QList<qint32> values;
    for (qsizetype at = 0; at + 4 <= block.size(); at += 4)
        values.append(qFromLittleEndian<qint32>(block.constData() + at));
    return values;
}

QByteArray Bytes(int count, int step)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((i * step) & 0xFF));
    return bytes;
}

QByteArray FileOf(const sim::ControllerSim &sim, const char *name)
{
    return QByteArray::fromStdString(sim.file(name));
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The "config" image's bytes that belong to no member: the run before the
// tank slots and the last four bytes of each of the ten 16-byte slots.
QList<int> GapOffsets()
{
    QList<int> offsets;
    for (int i = 180; i < 256; ++i)
        offsets << i;
    for (int slot = 0; slot < 10; ++slot) {
        for (int i = 12; i < 16; ++i)
            offsets << 256 + 16 * slot + i;
    }
    return offsets;
}

// A "config" image that a member-by-member copy cannot reproduce: non-zero
// gap bytes, texts that fill their whole field, bytes after a text's NUL.
QByteArray UnusualConfig(QByteArray image)
{
    image.replace(0, 32, QByteArray(32, 'A'));                 // apn, no NUL
    image.replace(32, 32, QByteArray("srv\0left over", 13) + QByteArray(19, 'x')); // server_name
    image.replace(66, 64, QByteArray(64, 'd'));                // server_dir, no NUL
    image.replace(417, 12, QByteArray("ABCDEFGHIJKL"));        // card_psw, full
    for (const int offset : GapOffsets())
        image[offset] = char(offset * 7 + 1);
    return image;
}

// The one match of pattern in text, or a match that has not matched.
QRegularExpressionMatch Match(const QString &pattern, const QString &text)
{
    return QRegularExpression(pattern).match(text);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { m_watchdog.LastTestDone(); }
    void initTestCase();
    void init();
    void cleanup();

    void configRoundTrip();
    void dataRoundTrips_data();
    void dataRoundTrips();
    void backupThenRestoreCopiesTheStation();
    void wireTraces_data();
    void wireTraces();
    void inputChecks_data();
    void inputChecks();
    void csvTables_data();
    void csvTables();
    void controllerFailures_data();
    void controllerFailures();
    void portChoice_data();
    void portChoice();
    void progressOnTerminal_data();
    void progressOnTerminal();
    void helpNamesCommandsAndVariables_data();
    void helpNamesCommandsAndVariables();
    void versionNamesTheProgram_data();
    void versionNamesTheProgram();
    void shortAnswersAreRefused_data();
    void shortAnswersAreRefused();
    void lateAnswerIsNotTaken();
    void reloadAnswerIsShown_data();
    void reloadAnswerIsShown();
    void backupGoesOnlyToFiles_data();
    void backupGoesOnlyToFiles();
    void verifiedWrites_data();
    void verifiedWrites();
    void verifyListsDifferences_data();
    void verifyListsDifferences();
    void diffOfTwoFiles_data();
    void diffOfTwoFiles();
    void changedOnlyWrites_data();
    void changedOnlyWrites();
    void backupRestoreBackupIsIdentical_data();
    void backupRestoreBackupIsIdentical();
    void outputErrors_data();
    void outputErrors();
    void interruptedRestoreSaysWhereItStopped_data();
    void interruptedRestoreSaysWhereItStopped();

private:
    QString TempPath(const QString &name) const { return m_temp.filePath(name); }
    QStringList Substituted(QStringList arguments) const;

    QTemporaryDir m_temp;
    QJsonObject m_config; // the stand-in's fresh configuration
    std::unique_ptr<SimFixture> m_fixture;
    QtTestWatchdog m_watchdog;
};

void TestCli::initTestCase()
{
    QVERIFY(m_temp.isValid());
    // No settings file: the port is 1 unless a test says otherwise.
    qputenv("KOLT_TARVO_SETTINGS", TempPath(QStringLiteral("absent.ini")).toLocal8Bit());
    SimFixture fixture;
    const CliResult read = RunCli({QStringLiteral("read-config")});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    m_config = QJsonDocument::fromJson(read.out).object();
    QCOMPARE(m_config.value(QStringLiteral("tanks")).toArray().size(), 6);
}

void TestCli::init()
{
    m_fixture = std::make_unique<SimFixture>(1);
}

void TestCli::cleanup()
{
    m_fixture.reset();
}

QStringList TestCli::Substituted(QStringList arguments) const
{
    arguments.replaceInStrings(QStringLiteral("%TMP%"), m_temp.path());
    return arguments;
}

void TestCli::configRoundTrip()
{
    QJsonObject config = m_config;
    config = With(config, QStringLiteral("apn"), QStringLiteral("точка.доступа"));
    config = With(config, QStringLiteral("server_port"), 65535);
    config = With(config, QStringLiteral("card_psw"), QStringLiteral("Пароль-12345"));
    config = With(config, QStringLiteral("admin_tel"), QString());
    config = With(config, QStringLiteral("tanks/5/hmin"), -32768);
    config = With(config, QStringLiteral("tanks/5/hmax"), 32767);
    config = With(config, QStringLiteral("pumps/3/nozzles/3/tank_no"), 255);

    const CliResult write = RunCli({QStringLiteral("write-config")}, Json(config));
    QCOMPARE(write.exitCode, 0);
    QCOMPARE(write.err, QByteArray("reload: OK\n"));
    QCOMPARE(write.out, QByteArray());
    QCOMPARE(m_fixture->Sim().reloadCount(), 1);

    const CliResult read = RunCli({QStringLiteral("read-config")});
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(read.err, QByteArray());
    QCOMPARE(QJsonDocument::fromJson(read.out).object(), config);
}

void TestCli::dataRoundTrips_data()
{
    QTest::addColumn<QStringList>("write");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("read");

    QTest::newRow("file: every byte value, CR, LF, NUL and Ctrl-Z included")
        << QStringList{QStringLiteral("write-file"), QStringLiteral("scratch.bin"), QStringLiteral("10")}
        << Bytes(512, 1)
        << QStringList{QStringLiteral("read-file"), QStringLiteral("scratch.bin"), QStringLiteral("10"), QStringLiteral("512")};
    QTest::newRow("table of tank 16, negative values included")
        << QStringList{QStringLiteral("write-table"), QStringLiteral("16")} << TableText(-3)
        << QStringList{QStringLiteral("read-table"), QStringLiteral("16")};
    QTest::newRow("table of tank 5 as height;volume pairs")
        << QStringList{QStringLiteral("write-table"), QStringLiteral("5"), QStringLiteral("--csv")} << TableCsv(-2)
        << QStringList{QStringLiteral("read-table"), QStringLiteral("5"), QStringLiteral("--csv")};
}

void TestCli::dataRoundTrips()
{
    QFETCH(QStringList, write);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, read);

    const CliResult written = RunCli(write, input);
    QCOMPARE(written.exitCode, 0);
    QCOMPARE(written.err, QByteArray());
    const CliResult back = RunCli(read);
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(back.err, QByteArray());
    QCOMPARE(back.out, input);
}

void TestCli::backupThenRestoreCopiesTheStation()
{
    sim::ControllerSim &source = m_fixture->Sim();
    std::unique_ptr<sim::ControllerSim> target = m_fixture->StartAnother(2);
    // The target differs everywhere, gaps of the image included, and holds
    // more tanks than a backup covers.
    target->setFile("config", Bytes(429, 7).toStdString());
    const QByteArray targetTables = Bytes(10 * kBlock, 3);
    target->setFile("tanks.tbl", targetTables.toStdString());
    QVERIFY(target->file("config") != source.file("config"));

    const QString backupPath = TempPath(QStringLiteral("station.json"));
    const CliResult backup = RunCli({QStringLiteral("backup"), backupPath});
    QCOMPARE(backup.exitCode, 0);
    QCOMPARE(backup.err, QByteArray());

    QFile file(backupPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    QJsonObject config = document.value(QStringLiteral("config")).toObject();
    QCOMPARE(config.take(QStringLiteral("image")).toString().toLatin1(), FileOf(source, "config").toHex().toUpper());
    QCOMPARE(config, m_config);
    QCOMPARE(document.value(QStringLiteral("tables")).toObject().keys(),
             (QStringList{"1", "2", "3", "4", "5", "6"}));

    const CliResult restore = RunCli({QStringLiteral("--port"), QStringLiteral("2"), QStringLiteral("restore"), backupPath});
    QCOMPARE(restore.exitCode, 0);
    QCOMPARE(restore.err, QByteArray("reload: OK\n"));

    QCOMPARE(QByteArray::fromStdString(target->file("config")), QByteArray::fromStdString(source.file("config")));
    const QByteArray copied = QByteArray::fromStdString(target->file("tanks.tbl"));
    QCOMPARE(copied.left(6 * kBlock), QByteArray::fromStdString(source.file("tanks.tbl")).left(6 * kBlock));
    QCOMPARE(copied.mid(6 * kBlock), targetTables.mid(6 * kBlock));
    QCOMPARE(target->reloadCount(), 1);
}

void TestCli::wireTraces_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("file"); // written to %TMP%/input.json first
    QTest::addColumn<QStringList>("trace");

    const QString tanks = QStringLiteral("tanks.tbl");
    const QStringList configWrite = CheckedWriteTrace(QStringLiteral("config"), 0, 429) << QStringLiteral("reload");
    const QStringList uncheckedConfigWrite = WriteTrace(QStringLiteral("config"), 0, 429) << QStringLiteral("reload");
    QStringList backupTrace{QStringLiteral("rdfile config 0 0")};
    for (int n = 1; n <= 6; ++n)
        backupTrace << QStringLiteral("rdfile tanks.tbl %1 1600").arg((n - 1) * kBlock);
    const QJsonObject twoTables{{"config", m_config}, {"tables", QJsonObject{{"2", TableJson(2)}, {"5", TableJson(5)}}}};

    QTest::newRow("exec") << QStringList{"exec", "reload"} << QByteArray() << QByteArray()
                          << QStringList{"reload"};
    QTest::newRow("read-file") << QStringList{"read-file", "config", "100", "7"} << QByteArray() << QByteArray()
                               << QStringList{"rdfile config 100 7"};
    QTest::newRow("write-file of 65 bytes") << QStringList{"write-file", "notes.txt", "100"} << Bytes(65, 5)
                                            << QByteArray() << CheckedWriteTrace(QStringLiteral("notes.txt"), 100, 65);
    QTest::newRow("write-file --no-verify") << QStringList{"write-file", "notes.txt", "100", "--no-verify"}
                                            << Bytes(65, 5) << QByteArray() << WriteTrace(QStringLiteral("notes.txt"), 100, 65);
    QTest::newRow("write-file of nothing") << QStringList{"write-file", "notes.txt", "0"} << QByteArray()
                                           << QByteArray() << QStringList{};
    QTest::newRow("read-config") << QStringList{"read-config"} << QByteArray() << QByteArray()
                                 << QStringList{"rdfile config 0 0"};
    QTest::newRow("write-config") << QStringList{"write-config"} << Json(m_config) << QByteArray() << configWrite;
    QTest::newRow("write-config --no-verify") << QStringList{"write-config", "--no-verify"} << Json(m_config)
                                              << QByteArray() << uncheckedConfigWrite;
    QTest::newRow("--no-verify write-config") << QStringList{"--no-verify", "write-config"} << Json(m_config)
                                              << QByteArray() << uncheckedConfigWrite;
    QTest::newRow("write-config --verify, the default") << QStringList{"write-config", "--verify"} << Json(m_config)
                                                        << QByteArray() << configWrite;
    QTest::newRow("read-table 3") << QStringList{"read-table", "3"} << QByteArray() << QByteArray()
                                  << QStringList{"rdfile tanks.tbl 3200 1600"};
    QTest::newRow("read-table 3 --csv") << QStringList{"read-table", "3", "--csv"} << QByteArray() << QByteArray()
                                        << QStringList{"rdfile tanks.tbl 3200 1600"};
    QTest::newRow("write-table 16") << QStringList{"write-table", "16"} << TableText(1) << QByteArray()
                                    << CheckedWriteTrace(tanks, 15 * kBlock, kBlock);
    QTest::newRow("write-table 16 --no-verify among its flags")
        << QStringList{"write-table", "--no-verify", "16", "--csv"} << TableCsv(1) << QByteArray()
        << WriteTrace(tanks, 15 * kBlock, kBlock);
    QTest::newRow("backup") << QStringList{"backup", "%TMP%/out.json"} << QByteArray() << QByteArray() << backupTrace;
    QTest::newRow("restore of tanks 2 and 5")
        << QStringList{"restore", "%TMP%/input.json"} << QByteArray() << Json(twoTables)
        << (configWrite + CheckedWriteTrace(tanks, kBlock, kBlock) + CheckedWriteTrace(tanks, 4 * kBlock, kBlock));
    QTest::newRow("restore FILE --no-verify")
        << QStringList{"restore", "%TMP%/input.json", "--no-verify"} << QByteArray() << Json(twoTables)
        << (uncheckedConfigWrite + WriteTrace(tanks, kBlock, kBlock) + WriteTrace(tanks, 4 * kBlock, kBlock));
    QTest::newRow("restore of the configuration alone")
        << QStringList{"restore", "%TMP%/input.json"} << QByteArray() << Json(QJsonObject{{"config", m_config}})
        << configWrite;
    QTest::newRow("--port after the command") << QStringList{"read-config", "--port", "1"} << QByteArray()
                                              << QByteArray() << QStringList{"rdfile config 0 0"};
    QTest::newRow("--port=N after the arguments") << QStringList{"read-file", "config", "100", "7", "--port=1"}
                                                  << QByteArray() << QByteArray() << QStringList{"rdfile config 100 7"};
    QTest::newRow("--port, the same before and after") << QStringList{"--port=1", "exec", "reload", "--port", "1"}
                                                       << QByteArray() << QByteArray() << QStringList{"reload"};
    QTest::newRow("-- before the command") << QStringList{"--", "read-config"} << QByteArray() << QByteArray()
                                           << QStringList{"rdfile config 0 0"};
    QTest::newRow("a flag before the argument") << QStringList{"read-table", "--csv", "3"} << QByteArray()
                                                << QByteArray() << QStringList{"rdfile tanks.tbl 3200 1600"};
    QTest::newRow("exec of an option's name after --") << QStringList{"exec", "--", "--help"} << QByteArray()
                                                       << QByteArray() << QStringList{"--help"};
}

void TestCli::wireTraces()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, trace);

    if (!file.isEmpty()) {
        QFile inputFile(TempPath(QStringLiteral("input.json")));
        QVERIFY(inputFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        inputFile.write(file);
    }
    const CliResult result = RunCli(Substituted(arguments), input);
    // A write of the configuration tells the controller's word on "reload";
    // nothing else goes to standard error when it is redirected.
    const bool reloads = trace.contains(QStringLiteral("reload")) && !arguments.contains(QStringLiteral("exec"));
    QCOMPARE(result.err, reloads ? QByteArray("reload: OK\n") : QByteArray());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(Trace(m_fixture->Sim()), trace);
}

void TestCli::inputChecks_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("file"); // written to %TMP%/input.json first
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("error");   // the start of the one line on stderr

    const QStringList writeConfig{"write-config"};
    const auto config = [&](const char *name, const QString &path, const QJsonValue &value, const QString &error) {
        QTest::newRow(name) << writeConfig << Json(With(m_config, path, value)) << QByteArray() << QStringList{} << error;
    };
    config("missing key", "apn", QJsonValue::Undefined, "apn: отсутствует");
    config("missing nested key", "tanks/2/hmax", QJsonValue::Undefined, "tanks[2].hmax: отсутствует");
    config("unknown key", "colour", "red", "colour: неизвестный ключ");
    config("unknown nested key", "pumps/1/nozzles/3/flow", 1, "pumps[1].nozzles[3].flow: неизвестный ключ");
    config("byte above 255", "tanks/0/active", 256, "tanks[0].active: 256 вне пределов 0..255");
    config("byte below 0", "card_sector", -1, "card_sector: -1 вне пределов 0..255");
    config("uint16 above 65535", "server_port", 65536, "server_port: 65536 вне пределов 0..65535");
    config("uint16 below 0", "pumps/2/nozzles/0/active", -3, "pumps[2].nozzles[0].active: -3 вне пределов 0..255");
    config("int16 below -32768", "tanks/5/hmin", -32769, "tanks[5].hmin: -32769 вне пределов -32768..32767");
    config("int16 above 32767", "tanks/4/adapter_h0", 32768, "tanks[4].adapter_h0: 32768 вне пределов -32768..32767");
    config("not an integer", "tanks/1/fuel_code", 92.1, "tanks[1].fuel_code: 92.1 — не целое число");
    config("number given as text", "sync_time", "300", "sync_time: ожидается число, а не текст");
    config("text given as number", "apn", 5, "apn: ожидается текст, а не число");
    config("text beyond capacity", "apn", QString(32, u'a'), "apn: длина 32, наибольшая 31");
    config("Cyrillic text beyond capacity", "server_login", "пароль12", "server_login: длина 8, наибольшая 7");
    config("card password beyond 12", "card_psw", "1234567890123", "card_psw: длина 13, наибольшая 12");
    config("character outside cp1251", "admin_tel", "+7 900 ✆", "admin_tel: символа «✆» (U+2706) нет в кодовой странице 1251");
    config("NUL in a text", "apn", QStringLiteral("internet") + QChar(0) + QStringLiteral(".ru"),
           "apn: символ U+0000 не хранится: на нём текст кончается");
    config("five tanks", "tanks/5", QJsonValue::Undefined, "tanks: элементов 5, ожидается 6");
    config("three nozzles", "pumps/0/nozzles/3", QJsonValue::Undefined, "pumps[0].nozzles: элементов 3, ожидается 4");
    config("tank not an object", "tanks/0", 1, "tanks[0]: ожидается объект, а не число");
    QTest::newRow("not JSON") << writeConfig << QByteArray("{\"apn\": ") << QByteArray() << QStringList{}
                              << "standard input: не JSON: в позиции ";
    QTest::newRow("JSON but no object") << writeConfig << QByteArray("[]") << QByteArray() << QStringList{}
                                        << "standard input: ожидается один объект JSON";

    QByteArray lines = TableText(1);
    const QStringList writeTable{"write-table", "2"};
    QTest::newRow("table of 399 values") << writeTable << lines.left(lines.lastIndexOf('\n', lines.size() - 2) + 1)
                                         << QByteArray() << QStringList{} << "таблица: значений 399, ожидается 400";
    QTest::newRow("table of 401 values") << writeTable << lines + "7\n" << QByteArray() << QStringList{}
                                         << "строка 401: значений больше 400";
    QList<QByteArray> fractionLines = lines.split('\n');
    fractionLines[6] = "12.5";
    const QByteArray fraction = fractionLines.join('\n');
    QTest::newRow("table value not an integer") << writeTable << fraction << QByteArray() << QStringList{}
                                                << "строка 7: «12.5» — не десятичное целое число";
    QTest::newRow("table value beyond 32 bits") << writeTable << "1\n2\n2147483648\n" + lines << QByteArray()
                                                << QStringList{} << "строка 3: 2147483648 вне пределов -2147483648..2147483647";
    QTest::newRow("tank 0") << QStringList{"read-table", "0"} << QByteArray() << QByteArray() << QStringList{}
                            << "TANK: 0 вне пределов 1..16";
    QTest::newRow("tank 17") << QStringList{"write-table", "17"} << lines << QByteArray() << QStringList{}
                             << "TANK: 17 вне пределов 1..16";
    QTest::newRow("tank not a number") << QStringList{"read-table", "x"} << QByteArray() << QByteArray()
                                       << QStringList{} << "TANK: «x» — не десятичное целое число";

    const QStringList restore{"restore", "%TMP%/input.json"};
    const QJsonObject backup{{"config", m_config}, {"tables", QJsonObject{{"1", TableJson(1)}}}};
    const auto restoreRow = [&](const char *name, const QString &path, const QJsonValue &value, const QString &error) {
        QTest::newRow(name) << restore << QByteArray() << Json(With(backup, path, value)) << QStringList{} << error;
    };
    restoreRow("backup table of 399 values", "tables/1/399", QJsonValue::Undefined, "tables.1: элементов 399, ожидается 400");
    restoreRow("backup table of tank 17", "tables/17", TableJson(1), "tables.17: неизвестный ключ, резервуары 1..16");
    restoreRow("backup table value not an integer", "tables/1/5", 0.5, "tables.1[5]: 0.5 — не целое число");
    restoreRow("backup without config", "config", QJsonValue::Undefined, "config: отсутствует");
    restoreRow("backup config out of range", "config/tanks/0/active", 300, "config.tanks[0].active: 300 вне пределов 0..255");
    restoreRow("backup with unknown key", "notes", "x", "notes: неизвестный ключ");
    restoreRow("backup image too short", "config/image", "00FF", "config.image: длина 4, ожидается 858 шестнадцатеричных цифр");
    restoreRow("backup image not hexadecimal", "config/image", QString(857, u'0') + u'g',
               "config.image: «g» в позиции 857 — не шестнадцатеричная цифра");
    restoreRow("backup image not a text", "config/image", 5, "config.image: ожидается текст, а не число");
    QTest::newRow("backup file missing") << QStringList{"restore", "%TMP%/missing.json"} << QByteArray() << QByteArray()
                                         << QStringList{} << "FILE: " + TempPath("missing.json") + ": ";
    QTest::newRow("backup into a missing folder") << QStringList{"backup", "%TMP%/missing/b.json"} << QByteArray()
                                                  << QByteArray() << QStringList{} << "FILE: " + TempPath("missing/b.json") + ": ";

    const auto arguments = [](const char *name, const QStringList &args, const QString &error,
                              const QStringList &environment = {}) {
        QTest::newRow(name) << args << QByteArray() << QByteArray() << environment << error;
    };
    arguments("negative offset", {"read-file", "config", "-1", "0"}, "OFFSET: -1 вне пределов 0..2147483647");
    arguments("option of another command", {"read-table", "2", "--allow-gaps"},
              "read-table: unknown option --allow-gaps");

    const QStringList writeCsv{"write-table", "2", "--csv"};
    QTest::newRow("csv table: a bad line") << writeCsv << QByteArray("h;v\n0;1\n10;x\n") << QByteArray()
                                           << QStringList{} << "standard input: line 3: not a height and a volume";
    QTest::newRow("csv table: no pair") << writeCsv << QByteArray("height;volume\n") << QByteArray()
                                        << QStringList{} << "standard input: no height and volume pair";
    QTest::newRow("csv table: height twice")
        << writeCsv << QByteArray("0;1\n0;2\n") << QByteArray() << QStringList{}
        << "standard input: line 2: height given before with another volume";
    QTest::newRow("csv table of tank 7, short of 3990")
        << QStringList{"write-table", "7", "--csv"} << QByteArray("0;0\n3000;1\n") << QByteArray() << QStringList{}
        << "standard input: no volume at height 3010, and tank 7 has heights 0..3990";
    QTest::newRow("--allow-gaps without --csv") << QStringList{"write-table", "2", "--allow-gaps"} << TableText(1)
                                                << QByteArray() << QStringList{} << "--allow-gaps: only with --csv";
    arguments("length not a number", {"read-file", "config", "0", "abc"}, "LENGTH: «abc» — не десятичное целое число");
    arguments("file name of two words", {"read-file", "two words", "0", "0"}, "NAME: a file name is one non-empty word");
    arguments("command character outside cp1251", {"exec", "тест ✓"}, "TEXT: символа «✓» (U+2713) нет в кодовой странице 1251");
    arguments("command with a control character", {"exec", "a\rb"}, "TEXT: control characters cannot be sent");
    arguments("unknown command", {"frobnicate"}, "unknown command 'frobnicate'");
    arguments("argument missing", {"read-table"}, "usage: kolt-tarvo-cli [--port N] read-table TANK");
    arguments("argument too many", {"read-config", "x"}, "usage: kolt-tarvo-cli [--port N] read-config");
    arguments("unknown option", {"--verbose", "read-config"}, "unknown option --verbose");
    arguments("--verify for a read", {"--verify", "read-config"},
              "--verify: only write-file, write-config, write-table, restore verify what they write");
    arguments("--no-verify after a read", {"read-table", "2", "--no-verify"},
              "--no-verify: only write-file, write-config, write-table, restore verify what they write");
    arguments("--verify and --no-verify", {"--verify", "restore", "%TMP%/input.json", "--no-verify"},
              "--verify, --no-verify: give one of them");
    arguments("argument missing, --no-verify shown", {"restore"},
              "usage: kolt-tarvo-cli [--port N] [--no-verify] restore FILE");
    arguments("port not a number", {"--port", "abc", "read-config"}, "--port: 'abc' is not a port number");
    arguments("no command", {"--port", "1"}, "no command given");
    arguments("time-out not a number", {"read-config"}, "KOLT_TARVO_TIMEOUT_MS: «soon» — не десятичное целое число",
              {"KOLT_TARVO_TIMEOUT_MS=soon"});
    arguments("time-out of zero", {"read-config"}, "KOLT_TARVO_TIMEOUT_MS: 0 вне пределов 1..2147483647",
              {"KOLT_TARVO_TIMEOUT_MS=0"});
    arguments("--port as the last word", {"--port"}, "--port: a port number must follow");
    arguments("--port=N not a number", {"--port=x", "read-config"}, "--port: 'x' is not a port number");
    arguments("a value for a flag", {"--verify=yes", "write-config"}, "--verify: takes no value");
    arguments("a value for a command's flag", {"read-table", "2", "--csv=yes"}, "read-table: --csv: takes no value");
    arguments("unknown short option", {"-x", "read-config"}, "unknown option -x");
    arguments("unknown short option after the command", {"read-table", "2", "-x"}, "read-table: unknown option -x");
    arguments("another --port after the command", {"--port", "1", "read-config", "--port", "2"},
              "--port: 1 before the command and 2 after it; give it once");
    arguments("--port without a number after the command", {"read-config", "--port"},
              "--port: a port number must follow");
    arguments("--port after the command not a number", {"exec", "reload", "--port=x"}, "--port: 'x' is not a port number");
    arguments("--version after the command", {"read-config", "--version"},
              "read-config: --version goes alone, before any command");
    arguments("a flag after --", {"write-table", "2", "--", "--csv"},
              "usage: kolt-tarvo-cli [--port N] [--no-verify] write-table TANK [--csv] [--allow-gaps]");
    arguments("an option after -- is an argument", {"write-config", "--", "--no-verify"},
              "usage: kolt-tarvo-cli [--port N] [--no-verify] write-config");
    arguments("an option after -- is the command", {"--", "--port", "2", "read-config"}, "unknown command '--port'");
}

void TestCli::inputChecks()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, environment);
    QFETCH(QString, error);

    if (!file.isEmpty()) {
        QFile inputFile(TempPath(QStringLiteral("input.json")));
        QVERIFY(inputFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        inputFile.write(file);
    }
    const CliResult result = RunCli(Substituted(arguments), input, environment);
    QCOMPARE(result.exitCode, 2);
    const QString err = QString::fromUtf8(result.err);
    QVERIFY2(err.startsWith(QStringLiteral("kolt-tarvo-cli: ") + error), qPrintable(err));
    QCOMPARE(err.count(u'\n'), 1);
    QVERIFY(err.endsWith(u'\n'));
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(Trace(m_fixture->Sim()), QStringList{});
}

// write-table --csv against the stand-in's configuration, where tank 1 has
// hmax 2500 and tank 5 hmax 0: which heights must be given, and what lands
// in the block.
void TestCli::csvTables_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("tank");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("error"); // empty: written
    QTest::addColumn<bool>("readsConfig");
    QTest::addColumn<QList<qint32>>("block"); // the tank's values afterwards; empty: unchanged

    const auto ramp = [](int lastLine, int step) {
        QList<qint32> values(400, 0);
        for (int k = 0; k <= lastLine; ++k)
            values[k] = step * k;
        return values;
    };
    QList<qint32> seeded;
    for (const QJsonValue value : TableJson(4))
        seeded.append(value.toInt());
    QList<qint32> firstOnly(400, 0);
    firstOnly[0] = 5;
    QList<qint32> middle(400, 0);
    for (int k = 10; k <= 20; ++k)
        middle[k] = 100 * k;

    const QStringList csv{"--csv"};
    QTest::newRow("every height given") << csv << 4 << TableCsv(4) << QString() << false << seeded;
    QTest::newRow("step 25 beyond 3990, decimal comma")
        << csv << 3 << QByteArray("Высота;Объём\n4000;40000,0\n0;0\n") << QString() << false << ramp(399, 100);
    QTest::newRow("up to hmax 2500") << csv << 1 << QByteArray("0\t0\n2500\t25000\n") << QString() << true
                                     << ramp(250, 100);
    QTest::newRow("short of hmax 2500") << csv << 1 << QByteArray("0;0\n2400;24000\n")
                                        << QStringLiteral("standard input: no volume at height 2410, and tank 1 has "
                                                          "heights 0..2500; --allow-gaps writes 0 there")
                                        << true << QList<qint32>();
    QTest::newRow("hmax 0: one height") << csv << 5 << QByteArray("0;5\n") << QString() << true << firstOnly;
    QTest::newRow("gaps allowed") << QStringList{"--allow-gaps", "--csv"} << 1 << QByteArray("100,1000\n200,2000\n")
                                  << QString() << false << middle;
}

void TestCli::csvTables()
{
    QFETCH(QStringList, options);
    QFETCH(int, tank);
    QFETCH(QByteArray, input);
    QFETCH(QString, error);
    QFETCH(bool, readsConfig);
    QFETCH(QList<qint32>, block);

    sim::ControllerSim &sim = m_fixture->Sim();
    const QList<qint32> before = TankBlock(sim, tank);
    const CliResult result = RunCli(QStringList{"write-table", QString::number(tank)} + options, input);
    QCOMPARE(QString::fromUtf8(result.err), error.isEmpty() ? QString() : "kolt-tarvo-cli: " + error + '\n');
    QCOMPARE(result.exitCode, error.isEmpty() ? 0 : 2);
    QStringList trace = readsConfig ? QStringList{"rdfile config 0 0"} : QStringList{};
    if (error.isEmpty())
        trace += CheckedWriteTrace(QStringLiteral("tanks.tbl"), (tank - 1) * kBlock, kBlock);
    QCOMPARE(Trace(sim), trace);
    QCOMPARE(TankBlock(sim, tank), block.isEmpty() ? before : block);
}

void TestCli::controllerFailures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("fromCommand");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<QStringList>("environment");

    const QStringList configWrite = CheckedWriteTrace(QStringLiteral("config"), 0, 429) << QStringLiteral("reload");
    const QStringList configRead{QStringLiteral("rdfile config 0 0")};
    QTest::newRow("no such port") << QStringList{"--port", "9", "read-config"} << QByteArray() << int(sim::Fault::None)
                                  << 1 << "config: rdfile config 0 0: COM9: No such file or directory."
                                  << QStringList{} << QStringList{};
    QTest::newRow("silent controller") << QStringList{"read-config"} << QByteArray() << int(sim::Fault::Silence) << 1
                                       << "config: rdfile config 0 0: no answer within 300 ms." << configRead
                                       << QStringList{};
    QTest::newRow("echo, then silence")
        << QStringList{"read-table", "2"} << QByteArray() << int(sim::Fault::EchoThenSilence) << 1
        << "tanks.tbl, tank 2: rdfile tanks.tbl 1600 1600: the answer did not end: no prompt within 300 ms."
        << QStringList{"rdfile tanks.tbl 1600 1600"} << QStringList{};
    QTest::newRow("wrong echo")
        << QStringList{"read-config"} << QByteArray() << int(sim::Fault::WrongEcho) << 1
        << "config: rdfile config 0 0: wrong echo: bytes came within 300 ms, but not the command's echo."
        << configRead << QStringList{};
    QTest::newRow("hang-up") << QStringList{"read-config"} << QByteArray() << int(sim::Fault::HangUp) << 1
                             << "config: rdfile config 0 0: the line failed: COM1: Input/output error." << configRead
                             << QStringList{};
    QTest::newRow("non-hex answer")
        << QStringList{"read-table", "3"} << QByteArray() << int(sim::Fault::NonHexLine) << 1
        << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600, answer line 2: '$ER' is not a valid integer value."
        << QStringList{"rdfile tanks.tbl 3200 1600"} << QStringList{};
    // The tank's hmax comes from "config": its corrupt answer is the
    // controller's fault, not the input's.
    QTest::newRow("write-table --csv, a corrupt configuration")
        << QStringList{"write-table", "3", "--csv"} << QByteArray("height;volume\n0;0\n100;1000\n")
        << int(sim::Fault::ExtraDigit) << 1
        << "config: rdfile config 0 0, answer line 14: Нечётное число шестнадцатеричных цифр." << configRead
        << QStringList{};
    QTest::newRow("silent at the read-back") << QStringList{"write-config"} << Json(m_config)
                                             << int(sim::Fault::Silence) << 15
                                             << "config: rdfile config 0 429: no answer within 2 s."
                                             << configWrite.mid(0, 15) << QStringList{};
    QTest::newRow("silent at reload") << QStringList{"write-config"} << Json(m_config) << int(sim::Fault::Silence)
                                      << 16 << "reload: no answer within 2 s." << configWrite << QStringList{};
    QTest::newRow("silent in the middle of a table")
        << QStringList{"write-table", "1"} << TableText(1) << int(sim::Fault::Silence) << 3
        << "tanks.tbl, tank 1: wrfile tanks.tbl 64: no answer within 2 s." << WriteTrace("tanks.tbl", 0, 96)
        << QStringList{};
    // A misspelt ports directory never leads to /dev/ttyS0.
    QTest::newRow("ports directory missing")
        << QStringList{"exec", "reload"} << QByteArray() << int(sim::Fault::None) << 1
        << "reload: COM1: KOLT_TARVO_PORTS=%TMP%/no-ports: No such file or directory." << QStringList{}
        << QStringList{"KOLT_TARVO_PORTS=%TMP%/no-ports"};
    QTest::newRow("ports directory is a file")
        << QStringList{"write-table", "1"} << TableText(1) << int(sim::Fault::None) << 1
        << "tanks.tbl, tank 1: wrfile tanks.tbl 0: COM1: KOLT_TARVO_PORTS=%TMP%/input.json: Not a directory."
        << QStringList{} << QStringList{"KOLT_TARVO_PORTS=%TMP%/input.json"};
}

// Exit status 1, one line on standard error naming the file, the tank, the
// command and why it failed, nothing on standard output.
void TestCli::controllerFailures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, fault);
    QFETCH(int, fromCommand);
    QFETCH(QString, error);
    QFETCH(QStringList, trace);
    QFETCH(QStringList, environment);

    QVERIFY(WriteAll(TempPath(QStringLiteral("input.json")), "{}"));
    m_fixture->Sim().addFault({sim::Fault::Kind(fault), fromCommand, 1 << 30, 0});
    // A short limit ends a silence quickly; where commands answer before it,
    // a longer one keeps a pause on a busy machine from ending them, and
    // where nothing ends in silence the usual one stands.
    const bool silence = fault == sim::Fault::Silence || fault == sim::Fault::EchoThenSilence
                         || fault == sim::Fault::WrongEcho;
    if (silence)
        environment << QStringLiteral("KOLT_TARVO_TIMEOUT_MS=%1").arg(fromCommand > 1 ? 2000 : 300);
    const CliResult result = RunCli(arguments, input, Substituted(environment));
    QCOMPARE(QString::fromUtf8(result.err), error.replace(QStringLiteral("%TMP%"), m_temp.path()) + u'\n');
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(Trace(m_fixture->Sim()), trace);
}

void TestCli::portChoice_data()
{
    QTest::addColumn<QString>("settings"); // content of the settings file; empty: none
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("after"); // the command's arguments
    QTest::addColumn<int>("port");

    const QStringList reload{"reload"};
    QTest::newRow("no settings file: port 1") << QString() << QStringList{} << reload << 1;
    QTest::newRow("the GUI's settings") << "[conn]\nport=3\n" << QStringList{} << reload << 3;
    QTest::newRow("hexadecimal as the GUI reads it") << "[conn]\nport=$3\n" << QStringList{} << reload << 3;
    QTest::newRow("not a number: port 1") << "[conn]\nport=three\n" << QStringList{} << reload << 1;
    QTest::newRow("--port before the settings") << "[conn]\nport=3\n" << QStringList{"--port", "1"} << reload << 1;
    QTest::newRow("--port=N") << QString() << QStringList{"--port=3"} << reload << 3;
    QTest::newRow("--port=N hexadecimal, then --") << QString() << QStringList{"--port=0x3", "--"} << reload << 3;
    QTest::newRow("the last --port counts") << "[conn]\nport=3\n" << QStringList{"--port=3", "--port", "1"} << reload
                                            << 1;
    QTest::newRow("--port after the command's text") << QString() << QStringList{} << QStringList{"reload", "--port", "3"}
                                                     << 3;
    QTest::newRow("--port after the command before the settings")
        << "[conn]\nport=3\n" << QStringList{} << QStringList{"--port=1", "reload"} << 1;
}

void TestCli::portChoice()
{
    QFETCH(QString, settings);
    QFETCH(QStringList, options);
    QFETCH(QStringList, after);
    QFETCH(int, port);

    QStringList environment;
    if (!settings.isEmpty()) {
        const QString path = TempPath(QStringLiteral("kolt-tarvo-conf.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(settings.toUtf8());
        environment << QStringLiteral("KOLT_TARVO_SETTINGS=") + path;
    }
    std::unique_ptr<sim::ControllerSim> third = m_fixture->StartAnother(3);
    const CliResult result = RunCli(options << QStringLiteral("exec") << after, {}, environment);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(m_fixture->Sim().reloadCount(), port == 1 ? 1 : 0);
    QCOMPARE(third->reloadCount(), port == 3 ? 1 : 0);
}

void TestCli::progressOnTerminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("file"); // written to %TMP%/input.json first
    QTest::addColumn<int>("chunks");

    QJsonObject tables;
    for (int n = 1; n <= 6; ++n)
        tables.insert(QString::number(n), TableJson(n));
    QTest::newRow("write-config") << QStringList{"write-config"} << Json(m_config) << QByteArray() << 14;
    QTest::newRow("write-table") << QStringList{"write-table", "4"} << TableText(4) << QByteArray() << 50;
    QTest::newRow("write-file") << QStringList{"write-file", "blob", "0"} << Bytes(100, 3) << QByteArray() << 4;
    QTest::newRow("restore") << QStringList{"restore", "%TMP%/input.json"} << QByteArray()
                             << Json({{"config", m_config}, {"tables", tables}}) << 14 + 6 * 50;
}

void TestCli::progressOnTerminal()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, file);
    QFETCH(int, chunks);

    if (!file.isEmpty()) {
        QFile inputFile(TempPath(QStringLiteral("input.json")));
        QVERIFY(inputFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        inputFile.write(file);
    }

    // Redirected, standard error stays empty (see wireTraces); on a
    // pseudo-terminal it shows the progress line.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    auto closeMaster = qScopeGuard([master] { ::close(master); });
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    QVERIFY(slave >= 0);
    QVERIFY(fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) == 0);

    QProcess process;
    process.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
    process.start(QStringLiteral(KOLT_CLI_PATH), Substituted(arguments));
    ::close(slave);
    QVERIFY(process.waitForStarted(kChildGuardMs));
    process.write(input);
    process.closeWriteChannel();

    QByteArray shown;
    const auto drain = [&] {
        char buffer[4096];
        ssize_t count = 0;
        while ((count = ::read(master, buffer, sizeof buffer)) > 0)
            shown.append(buffer, count);
    };
    QDeadlineTimer guard(kChildGuardMs);
    while (!process.waitForFinished(50)) {
        drain();
        QVERIFY2(!guard.hasExpired(), "the child did not finish");
    }
    drain();
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(shown.contains("\rchunks written 1 of " + QByteArray::number(chunks)), shown.constData());
    QVERIFY2(shown.contains("\rchunks written " + QByteArray::number(chunks) + " of " + QByteArray::number(chunks)),
             shown.constData());
    // The answer to "reload", after the configuration's 14 chunks, stands on
    // a line of its own (the terminal shows LF as CR LF).
    if (arguments.first() == QStringLiteral("write-config") || arguments.first() == QStringLiteral("restore"))
        QVERIFY2(shown.contains("\rchunks written 14 of " + QByteArray::number(chunks) + "\r\nreload: OK\r\n"),
                 shown.constData());
}

void TestCli::helpNamesCommandsAndVariables_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("--help") << QStringList{"--help"};
    QTest::newRow("-h") << QStringList{"-h"};
    QTest::newRow("-h after other options") << QStringList{"--port", "2", "--verify", "-h"};
    QTest::newRow("--help after the command") << QStringList{"write-table", "--help"};
    QTest::newRow("-h instead of running the command") << QStringList{"exec", "reload", "-h"};
}

void TestCli::helpNamesCommandsAndVariables()
{
    QFETCH(QStringList, arguments);

    const CliResult result = RunCli(arguments);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray());
    for (const char *word : {"exec TEXT", "read-file NAME OFFSET LENGTH", "write-file NAME OFFSET", "read-config",
                             "write-config", "read-table TANK", "write-table TANK", "backup FILE", "restore FILE",
                             "diff FILE [FILE2]", "verify FILE", "--changed-only", "--port N", "--verify", "KOLT_TARVO_PORTS", "KOLT_TARVO_SETTINGS",
                             "KOLT_TARVO_TIMEOUT_MS"})
        QVERIFY2(result.out.contains(word), word);
    QCOMPARE(Trace(m_fixture->Sim()), QStringList{});
}

void TestCli::versionNamesTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("--version") << QStringList{"--version"};
    QTest::newRow("--version after another option") << QStringList{"--port", "2", "--version"};
}

void TestCli::versionNamesTheProgram()
{
    QFETCH(QStringList, arguments);

    const CliResult result = RunCli(arguments);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.out, QByteArray("kolt-tarvo-cli " KOLT_VERSION "\n"));
    QCOMPARE(Trace(m_fixture->Sim()), QStringList{});
}

void TestCli::shortAnswersAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("command"); // the one command the fault hits
    QTest::addColumn<QString>("error");

    const QString table2 = QStringLiteral("tanks.tbl, tank 2: rdfile tanks.tbl 1600 1600");
    const QString damaged = QStringLiteral(": Таблица резервуара 2 повреждена: получено %1 байт из 1600.");
    const QString odd = QStringLiteral(", answer line %1: Нечётное число шестнадцатеричных цифр.");
    const struct
    {
        const char *name;
        sim::Fault::Kind kind;
        QString why; // after the command
    } faults[] = {
        {"half the bytes", sim::Fault::ShortAnswer, damaged.arg(800)},
        {"a dropped digit", sim::Fault::DroppedDigit, odd.arg(51)},
        {"a digit too many", sim::Fault::ExtraDigit, odd.arg(51)},
        {"hex wrapped at an odd width", sim::Fault::OddWidthHex, odd.arg(1)},
        {"a line cut after its '>'", sim::Fault::LineCutAfterGt, damaged.arg(16)},
        {"a byte too many", sim::Fault::ExtraByte, QStringLiteral(": Ответ длиннее запрошенного: получено 1601 байт из 1600.")},
    };
    for (const auto &fault : faults) {
        QTest::addRow("read-table, %s", fault.name)
            << QStringList{"read-table", "2"} << int(fault.kind) << 1 << table2 + fault.why;
        QTest::addRow("backup, tank 2 with %s", fault.name)
            << QStringList{"backup", "%TMP%/short.json"} << int(fault.kind) << 3 << table2 + fault.why;
    }
    QTest::newRow("backup, config with a dropped digit")
        << QStringList{"backup", "%TMP%/short.json"} << int(sim::Fault::DroppedDigit) << 1
        << QStringLiteral("config: rdfile config 0 0, answer line 14: Нечётное число шестнадцатеричных цифр.");
    QTest::newRow("backup, config cut short")
        << QStringList{"backup", "%TMP%/short.json"} << int(sim::Fault::ShortAnswer) << 1
        << QStringLiteral("config: rdfile config 0 0: Конфигурация повреждена: получено 214 байт из 429.");

    // read-file checks the count it asked for.
    const QStringList readFile{"read-file", "tanks.tbl", "1600", "1600"};
    const QString read = QStringLiteral("tanks.tbl: rdfile tanks.tbl 1600 1600: ");
    QTest::newRow("read-file, half the bytes") << readFile << int(sim::Fault::ShortAnswer) << 1
                                               << read + "800 of 1600 bytes came.";
    QTest::newRow("read-file, a line cut after its '>'") << readFile << int(sim::Fault::LineCutAfterGt) << 1
                                                         << read + "16 of 1600 bytes came.";
    QTest::newRow("read-file, a byte too many")
        << readFile << int(sim::Fault::ExtraByte) << 1
        << read + QStringLiteral("Ответ длиннее запрошенного: получено 1601 байт из 1600.");
    QTest::newRow("read-file past the end of the file")
        << QStringList{"read-file", "tanks.tbl", "99999", "16"} << int(sim::Fault::None) << 1
        << "tanks.tbl: rdfile tanks.tbl 99999 16: 0 of 16 bytes came.";
}

// An answer of another length than asked for, or whose hexadecimal is cut
// or shifted, is refused, naming the file, the tank and the command: nothing
// reaches standard output or the backup file.
void TestCli::shortAnswersAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, fault);
    QFETCH(int, command);
    QFETCH(QString, error);

    const QString backupPath = TempPath(QStringLiteral("short.json"));
    QFile::remove(backupPath);
    sim::ControllerSim &sim = m_fixture->Sim();
    const QByteArray config = FileOf(sim, "config");
    const QByteArray tables = FileOf(sim, "tanks.tbl");
    sim.addFault({sim::Fault::Kind(fault), command, command, 0});

    const CliResult result = RunCli(Substituted(arguments));
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QString::fromUtf8(result.err), error + u'\n');
    QCOMPARE(result.out, QByteArray());
    QVERIFY(!QFile::exists(backupPath));
    QCOMPARE(QDir(m_temp.path()).entryList({QStringLiteral("short.json*")}, QDir::Files | QDir::Hidden), QStringList{});
    // The read stopped there, and the stand-in holds what it held.
    QCOMPARE(int(sim.commands().size()), command);
    QCOMPARE(FileOf(sim, "config"), config);
    QCOMPARE(FileOf(sim, "tanks.tbl"), tables);
}

// The controller answers a read only after it timed out, once the companion
// has let go of the port: the next run, after the table changed, does not
// take that answer for its own.
void TestCli::lateAnswerIsNotTaken()
{
    sim::ControllerSim &sim = m_fixture->Sim();
    sim.addFault({sim::Fault::LateAnswer, 1, 1});
    const CliResult first = RunCli({QStringLiteral("read-table"), QStringLiteral("3")}, {},
                                   {QStringLiteral("KOLT_TARVO_TIMEOUT_MS=300")});
    QCOMPARE(QString::fromUtf8(first.err),
             QStringLiteral("tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: no answer within 300 ms.\n"));
    QCOMPARE(first.exitCode, 1);
    QVERIFY(sim.waitForLateAnswers(0, std::chrono::milliseconds(kChildGuardMs)));

    QByteArray tables = FileOf(sim, "tanks.tbl");
    for (int k = 0; k < 400; ++k)
        qToLittleEndian<qint32>(7 * k + 1, tables.data() + 2 * kBlock + 4 * k);
    sim.setFile("tanks.tbl", tables.toStdString());
    const CliResult second = RunCli({QStringLiteral("read-table"), QStringLiteral("3")});
    QCOMPARE(second.err, QByteArray());
    QCOMPARE(second.exitCode, 0);
    QByteArray expected;
    for (int k = 0; k < 400; ++k)
        expected += QByteArray::number(7 * k + 1) + '\n';
    QCOMPARE(second.out, expected);
    QCOMPARE(Trace(sim), (QStringList{"rdfile tanks.tbl 3200 1600", "rdfile tanks.tbl 3200 1600"}));
}

void TestCli::reloadAnswerIsShown_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("refused");

    const QByteArray backup = Json({{"config", m_config}, {"tables", QJsonObject{{"4", TableJson(4)}}}});
    QTest::newRow("write-config, taken up") << QStringList{"write-config"} << Json(m_config) << false;
    QTest::newRow("write-config, refused") << QStringList{"write-config"} << Json(m_config) << true;
    QTest::newRow("restore, refused") << QStringList{"restore", "%TMP%/input.json"} << backup << true;
}

// The controller's answer to "reload" goes to standard error, whatever its
// wording, decoded from code page 1251; the companion cannot tell from it
// whether the configuration was taken up, and does not guess.
void TestCli::reloadAnswerIsShown()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(bool, refused);

    sim::ControllerSim &sim = m_fixture->Sim();
    if (refused)
        sim.addFault({sim::Fault::ReloadError});
    QVERIFY(WriteAll(TempPath(QStringLiteral("input.json")), input));
    const CliResult result = RunCli(Substituted(arguments), input);
    QCOMPARE(QString::fromUtf8(result.err),
             refused ? QStringLiteral("reload: ОШИБКА: config not loaded\n") : QStringLiteral("reload: OK\n"));
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(sim.reloadCount(), refused ? 0 : 1);
    QCOMPARE(Trace(sim).count(QStringLiteral("reload")), 1);
}

void TestCli::backupGoesOnlyToFiles_data()
{
    QTest::addColumn<QString>("target"); // what FILE names, made first
    QTest::addColumn<bool>("written");

    QTest::newRow("a FIFO") << "fifo" << false;
    QTest::newRow("a link to a FIFO") << "link to fifo" << false;
    QTest::newRow("a directory") << "directory" << false;
    QTest::newRow("a link to a regular file") << "link to file" << true;
}

// A backup to a name that stands for no regular file is refused before
// anything is sent, and the name is left as it was: never replaced by a
// rename. A link to a regular file stays a link.
void TestCli::backupGoesOnlyToFiles()
{
    QFETCH(QString, target);
    QFETCH(bool, written);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    const QString file = dir.filePath(QStringLiteral("file"));
    const QString path = dir.filePath(QStringLiteral("backup.json"));
    QVERIFY(::mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
    QVERIFY(WriteAll(file, "before"));
    if (target == QStringLiteral("fifo"))
        QVERIFY(QFile::rename(fifo, path));
    else if (target == QStringLiteral("directory"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("backup.json")));
    else
        QVERIFY(QFile::link(target == QStringLiteral("link to fifo") ? fifo : file, path));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    const CliResult result = RunCli({QStringLiteral("backup"), path});
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), before);
    const QFileInfo info(path);
    if (written) {
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.exitCode, 0);
        QVERIFY(info.isSymLink());
        QVERIFY(QJsonDocument::fromJson(ReadAll(file)).object().contains(QStringLiteral("tables")));
        return;
    }
    QCOMPARE(QString::fromUtf8(result.err),
             QStringLiteral("kolt-tarvo-cli: FILE: %1: Not a regular file, not replaced\n").arg(path));
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(Trace(m_fixture->Sim()), QStringList{});
    QCOMPARE(info.isSymLink(), target.startsWith(QStringLiteral("link")));
    QCOMPARE(info.isDir(), target == QStringLiteral("directory"));
    struct stat held {};
    QVERIFY(::stat(path.toLocal8Bit().constData(), &held) == 0);
    QCOMPARE(S_ISFIFO(held.st_mode), target != QStringLiteral("directory"));
}

void TestCli::verifiedWrites_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("file"); // written to %TMP%/input.json first
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("command"); // the first command the fault hits
    QTest::addColumn<bool>("onlyThere"); // and the only one
    QTest::addColumn<int>("bytes");
    // Standard error; empty for success (exit 0), else the failure (exit 1).
    // %3:K, %5:K stand for entry K of tank 3's or 5's table on the stand-in.
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("trace");

    const QString config = QStringLiteral("config");
    const QString tanks = QStringLiteral("tanks.tbl");
    const QString configDiffers = QStringLiteral("Контроллер хранит не ту конфигурацию, что записана; "
                                                 "\"reload\" не отправлен:\n\n");
    const QByteArray newPort = Json(With(m_config, QStringLiteral("server_port"), 8081));
    const QStringList configChecked = CheckedWriteTrace(config, 0, 429);
    const QStringList configWrite = WriteTrace(config, 0, 429);
    const QStringList table3 = CheckedWriteTrace(tanks, 2 * kBlock, kBlock);
    const QByteArray twoTables =
        Json({{"config", m_config}, {"tables", QJsonObject{{"2", TableJson(2)}, {"5", TableJson(5)}}}});
    const QStringList restoreTrace = configChecked + QStringList{"reload"} + CheckedWriteTrace(tanks, kBlock, kBlock)
                                     + CheckedWriteTrace(tanks, 4 * kBlock, kBlock);
    const int none = int(sim::Fault::None);
    const int refuse = int(sim::Fault::RefuseWrite);
    const int alter = int(sim::Fault::AlterWrite);

    QTest::newRow("write-config") << QStringList{"write-config"} << newPort << QByteArray() << none << 0 << false << 0
                                  << QString() << configChecked + QStringList{"reload"};
    QTest::newRow("write-config, every write refused: no reload")
        << QStringList{"write-config"} << newPort << QByteArray() << refuse << 1 << false << 0
        << configDiffers + "Http · Порт: записано 8081, в контроллере 8080." << configChecked;
    QTest::newRow("write-config --no-verify, every write refused: taken as written")
        << QStringList{"write-config", "--no-verify"} << newPort << QByteArray() << refuse << 1 << false << 0
        << QString() << configWrite + QStringList{"reload"};
    QTest::newRow("write-config, a chunk stored otherwise")
        << QStringList{"write-config"} << newPort << QByteArray() << alter << 3 << true << 0
        << configDiffers + "Http · Порт: записано 8081, в контроллере 8082." << configChecked;
    QTest::newRow("write-table") << QStringList{"write-table", "3"} << TableText(7) << QByteArray() << none << 0
                                 << false << 0 << QString() << table3;
    QTest::newRow("write-table, tenth chunk refused")
        << QStringList{"write-table", "3"} << TableText(7) << QByteArray() << refuse << 10 << true << 0
        << "Контроллер хранит не ту таблицу резервуара 3, что записана:\n\n"
           "Резервуар 3: высоты 720–790 (записано 702164 … 702423, в контроллере %3:72 … %3:79)"
        << table3;
    QTest::newRow("write-table, read back short")
        << QStringList{"write-table", "3"} << TableText(7) << QByteArray() << int(sim::Fault::ShortAnswer) << 51
        << true << 0
        << "Контроллер хранит не ту таблицу резервуара 3, что записана:\n\n"
           "Резервуар 3: высоты 2000–3990 (записано 706900 … 714263, в контроллере нет данных)"
        << table3;
    QTest::newRow("write-table --no-verify, every write refused")
        << QStringList{"write-table", "3", "--no-verify"} << TableText(7) << QByteArray() << refuse << 1 << false << 0
        << QString() << WriteTrace(tanks, 2 * kBlock, kBlock);
    QTest::newRow("restore") << QStringList{"restore", "%TMP%/input.json"} << QByteArray() << twoTables << none << 0
                             << false << 0 << QString() << restoreTrace;
    QTest::newRow("restore, tank 5's first chunk refused")
        << QStringList{"restore", "%TMP%/input.json"} << QByteArray() << twoTables << refuse << 68 << true << 0
        << "Контроллер хранит не ту таблицу резервуара 5, что записана:\n\n"
           "Резервуар 5: высоты 0–70 (записано 499500 … 499759, в контроллере %5:0 … %5:7)"
        << restoreTrace;
    QTest::newRow("restore FILE --no-verify, tank 5's first chunk refused")
        << QStringList{"restore", "%TMP%/input.json", "--no-verify"} << QByteArray() << twoTables << refuse << 66
        << true << 0 << QString()
        << configWrite + QStringList{"reload"} + WriteTrace(tanks, kBlock, kBlock) + WriteTrace(tanks, 4 * kBlock, kBlock);
    QTest::newRow("restore --changed-only, the changed chunk refused: no reload")
        << QStringList{"restore", "%TMP%/input.json", "--changed-only"} << QByteArray()
        << Json({{"config", With(m_config, QStringLiteral("server_port"), 8081)}}) << refuse << 2 << true << 0
        << configDiffers + "Http · Порт: записано 8081, в контроллере 8080."
        << QStringList{"rdfile config 0 0", "wrfile config 64 +32", "rdfile config 64 32"};
    QTest::newRow("write-table --changed-only, read back short")
        << QStringList{"write-table", "3", "--changed-only"} << TableText(7) << QByteArray()
        << int(sim::Fault::ShortAnswer) << 52 << true << 0
        << "tanks.tbl, tank 3: rdfile tanks.tbl 3200 1600: Ответ короче запрошенного: получено 800 байт из 1600."
        << QStringList{"rdfile tanks.tbl 3200 1600"} + table3;
    QTest::newRow("write-file") << QStringList{"write-file", "notes.txt", "100"} << Bytes(65, 5) << QByteArray()
                                << none << 0 << false << 0 << QString()
                                << CheckedWriteTrace(QStringLiteral("notes.txt"), 100, 65);
    QTest::newRow("write-file, a byte stored otherwise")
        << QStringList{"write-file", "notes.txt", "100"} << Bytes(65, 5) << QByteArray() << alter << 2 << true << 3
        << "Контроллер хранит в notes.txt не то, что записано:\n\nnotes.txt 135..135."
        << CheckedWriteTrace(QStringLiteral("notes.txt"), 100, 65);
}

// What the companion writes it reads back unless told not to: a write that
// a controller refuses in words, or stores otherwise, fails naming the
// field as the window names it, the table by its tank and heights, a file's
// bytes by their offsets, and "reload" follows only a configuration that
// reads back as written.
void TestCli::verifiedWrites()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, file);
    QFETCH(int, fault);
    QFETCH(int, command);
    QFETCH(bool, onlyThere);
    QFETCH(int, bytes);
    QFETCH(QString, error);
    QFETCH(QStringList, trace);

    if (!file.isEmpty())
        QVERIFY(WriteAll(TempPath(QStringLiteral("input.json")), file));
    sim::ControllerSim &sim = m_fixture->Sim();
    for (const int tank : {3, 5}) {
        const QList<qint32> block = TankBlock(sim, tank);
        for (qsizetype k = block.size() - 1; k >= 0; --k)
            error.replace(QStringLiteral("%%1:%2").arg(tank).arg(k), QString::number(block[k]));
    }
    if (fault != sim::Fault::None)
        sim.addFault({sim::Fault::Kind(fault), command, onlyThere ? command : 1 << 30, bytes});
    const CliResult result = RunCli(Substituted(arguments), input);
    QCOMPARE(Trace(sim), trace);
    QCOMPARE(result.out, QByteArray());
    const int reloads = trace.contains(QStringLiteral("reload")) ? 1 : 0;
    QCOMPARE(sim.reloadCount(), reloads);
    // A reload done before a failure has told its answer first.
    const QString reloadAnswer = reloads ? QStringLiteral("reload: OK\n") : QString();
    QCOMPARE(QString::fromUtf8(result.err), reloadAnswer + (error.isEmpty() ? QString() : error + u'\n'));
    QCOMPARE(result.exitCode, error.isEmpty() ? 0 : 1);
}

void TestCli::verifyListsDifferences_data()
{
    QTest::addColumn<QString>("command"); // diff FILE, or verify FILE, the same
    QTest::addColumn<QStringList>("changes"); // FILE:OFFSET:HEX written, or FILE:OFFSET:cut
    QTest::addColumn<QStringList>("listing");

    const auto row = [](const char *name, const QStringList &changes, const QStringList &listing) {
        for (const char *command : {"diff", "verify"})
            QTest::addRow("%s: %s", command, name) << QString::fromLatin1(command) << changes << listing;
    };
    row("identical", {}, {});
    row("configuration members and a gap byte", {"config:64:4142", "config:200:FF", "config:428:00"},
        {"Http · Порт: 8080 → 16961", "Карты · Пароль: «ABCDEFGHIJKL» → «ABCDEFGHIJK»", "прочие байты конфигурации: 1"});
    row("a pick list and a checkbox", {"config:275:04", "config:352:00"},
        {"Резервуары · резервуар 2 · Уровнемер · Тип: Гамма → PetroVend", "ТРК 1 · Активен: да → нет"});
    row("table entries", {"tanks.tbl:1604:FFFFFFFFFFFF", "tanks.tbl:9596:FFFFFFFF"},
        {"Резервуар 2: высоты 10–20 (2001 … 2002 → -1 … 65535)", "Резервуар 6: высота 3990 (6399 → -1)"});
    row("tables cut short", {"tanks.tbl:7000:cut"},
        {"Резервуар 5: высоты 1500–3990 (5150 … 5399 → нет данных)",
         "Резервуар 6: высоты 0–3990 (6000 … 6399 → нет данных)"});
}

// diff FILE (and verify FILE, the same) reads what a restore of FILE
// writes and lists, in the words of the pages, everything in which the
// controller holds something else, the backup's value first; it writes
// nothing.
void TestCli::verifyListsDifferences()
{
    QFETCH(QString, command);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, listing);

    sim::ControllerSim &sim = m_fixture->Sim();
    sim.setFile("config", UnusualConfig(FileOf(sim, "config")).toStdString());
    // Tank n's entry k holds 1000 n + k.
    QByteArray tables(6 * kBlock, '\0');
    for (int n = 1; n <= 6; ++n) {
        for (int k = 0; k < 400; ++k)
            qToLittleEndian<qint32>(1000 * n + k, tables.data() + (n - 1) * kBlock + 4 * k);
    }
    sim.setFile("tanks.tbl", tables.toStdString());
    const QString backupPath = TempPath(QStringLiteral("station.json"));
    QCOMPARE(RunCli({QStringLiteral("backup"), backupPath}).exitCode, 0);
    for (const QString &change : changes) {
        const std::string name = change.section(u':', 0, 0).toStdString();
        const int offset = change.section(u':', 1, 1).toInt();
        std::string content = sim.file(name);
        if (change.endsWith(QStringLiteral(":cut")))
            content.resize(std::size_t(offset));
        else
            content.replace(std::size_t(offset), change.section(u':', 2).size() / 2,
                            QByteArray::fromHex(change.section(u':', 2).toLatin1()).toStdString());
        sim.setFile(name, content);
    }
    sim.clearTranscript();

    const CliResult result = RunCli({command, backupPath});
    QCOMPARE(QString::fromUtf8(result.out).split(u'\n', Qt::SkipEmptyParts), listing);
    QCOMPARE(result.exitCode, listing.isEmpty() ? 0 : 1);
    QCOMPARE(QString::fromUtf8(result.err),
             listing.isEmpty() ? QString()
                               : QStringLiteral("Различий между контроллером и %1: %2.\n").arg(backupPath).arg(listing.size()));
    QStringList reads{QStringLiteral("rdfile config 0 0")};
    for (int n = 1; n <= 6; ++n)
        reads << QStringLiteral("rdfile tanks.tbl %1 1600").arg((n - 1) * kBlock);
    QCOMPARE(Trace(sim), reads);
}

void TestCli::diffOfTwoFiles_data()
{
    QTest::addColumn<QJsonObject>("edits");  // path: value (null: removed), of the second file
    QTest::addColumn<QStringList>("listing");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");       // %1: the first file, %2: the second

    const auto row = [](const char *name, const QJsonObject &edits, const QStringList &listing, int exitCode,
                        const QString &error) { QTest::newRow(name) << edits << listing << exitCode << error; };
    row("identical", {}, {}, 0, QString());
    row("a number, a text and a table entry",
        {{"config/server_port", 8081}, {"config/apn", "other.apn"}, {"tables/2/5", 1}},
        {"GPRS · APN: «internet.mts.ru» → «other.apn»", "Http · Порт: 8080 → 8081",
         "Резервуар 2: высота 50 (199685 → 1)"},
        1, "Различий между %1 и %2: 3.");
    row("a table only in the first file", {{"tables/6", QJsonValue::Null}},
        {"Резервуар 6: высоты 0–3990 (599500 … 614263 → нет данных)"}, 1, "Различий между %1 и %2: 1.");
    row("a table only in the second file", {{"tables/7", TableJson(7)}},
        {"Резервуар 7: высоты 0–3990 (нет данных → 699500 … 714263)"}, 1, "Различий между %1 и %2: 1.");
    row("the second file no backup", {{"config", QJsonValue::Null}}, {}, 2,
        "kolt-tarvo-cli: FILE2: config: отсутствует");
    row("the second file not there", {{"absent", true}}, {}, 2,
        "kolt-tarvo-cli: FILE2: %2: " + QString::fromLocal8Bit(strerror(ENOENT)));
}

// diff FILE FILE2 compares two backups in the words of the pages, FILE's
// value first, without the port: a port that is not there does not matter,
// and the stand-in on the default one hears nothing.
void TestCli::diffOfTwoFiles()
{
    QFETCH(QJsonObject, edits);
    QFETCH(QStringList, listing);
    QFETCH(int, exitCode);
    QFETCH(QString, error);

    QJsonObject tables;
    for (int n = 1; n <= 6; ++n)
        tables.insert(QString::number(n), TableJson(n));
    const QJsonObject first{{"config", m_config}, {"tables", tables}};
    QJsonObject second = first;
    for (auto it = edits.begin(); it != edits.end(); ++it)
        second = With(second, it.key(), it.value().isNull() ? QJsonValue(QJsonValue::Undefined) : it.value());
    const QString firstPath = TempPath(QStringLiteral("first.json"));
    const QString secondPath = TempPath(QStringLiteral("second.json"));
    QVERIFY(WriteAll(firstPath, Json(first)));
    QFile::remove(secondPath);
    if (!edits.contains(QStringLiteral("absent")))
        QVERIFY(WriteAll(secondPath, Json(second)));

    const CliResult result = RunCli({QStringLiteral("--port"), QStringLiteral("9"), QStringLiteral("diff"), firstPath, secondPath});
    QCOMPARE(QString::fromUtf8(result.out).split(u'\n', Qt::SkipEmptyParts), listing);
    error.replace(QStringLiteral("%1"), firstPath).replace(QStringLiteral("%2"), secondPath);
    QCOMPARE(QString::fromUtf8(result.err), error.isEmpty() ? QString() : error + u'\n');
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(Trace(m_fixture->Sim()), QStringList{});
}

void TestCli::changedOnlyWrites_data()
{
    QTest::addColumn<QStringList>("arguments"); // %TMP%/station.json: a backup of the stand-in, edited
    QTest::addColumn<QJsonObject>("edits");      // path: value, of that backup
    QTest::addColumn<int>("tankNo");             // write-table: the tank whose edited table is its input
    QTest::addColumn<int>("blocksKept");         // of the stand-in's tanks.tbl; -1: all
    QTest::addColumn<QStringList>("trace");      // after the reads

    const QString config = QStringLiteral("config");
    const QString tanks = QStringLiteral("tanks.tbl");
    const QStringList restore{"restore", "%TMP%/station.json", "--changed-only"};
    const QStringList reload{"reload"};
    const auto read = [](const QString &name, int offset, int size) {
        return QStringList{QStringLiteral("rdfile %1 %2 %3").arg(name).arg(offset).arg(size)};
    };
    QTest::newRow("restore, the station as it is: no wrfile")
        << restore << QJsonObject{} << 0 << -1 << reload;
    QTest::newRow("restore, one value of a table")
        << restore << QJsonObject{{"tables/2/9", 7777777}} << 0 << -1
        << reload + WriteTrace(tanks, kBlock + 32, 32) + read(tanks, kBlock + 32, 32);
    QTest::newRow("restore, a member of the configuration")
        << restore << QJsonObject{{"config/server_port", 8081}} << 0 << -1
        << WriteTrace(config, 64, 32) + read(config, 64, 32) + reload;
    QTest::newRow("restore, the configuration's last chunk, 13 bytes")
        << restore << QJsonObject{{"config/card_psw", "ZZZ"}} << 0 << -1
        << WriteTrace(config, 416, 13) + read(config, 416, 13) + reload;
    QTest::newRow("restore, neighbouring chunks read back as one")
        << restore << QJsonObject{{"tables/3/7", 7777777}, {"tables/3/8", 7777778}} << 0 << -1
        << reload + WriteTrace(tanks, 2 * kBlock, 64) + read(tanks, 2 * kBlock, 64);
    QTest::newRow("restore, chunks apart read back apart")
        << restore << QJsonObject{{"config/apn", "x"}, {"config/card_sector", 9}, {"tables/1/399", 1}} << 0 << -1
        << WriteTrace(config, 0, 32) + WriteTrace(config, 416, 13) + read(config, 0, 32) + read(config, 416, 13)
               + reload + WriteTrace(tanks, kBlock - 32, 32) + read(tanks, kBlock - 32, 32);
    QTest::newRow("restore --no-verify: nothing read back")
        << restore + QStringList{"--no-verify"} << QJsonObject{{"config/server_port", 8081}, {"tables/2/9", 7777777}} << 0 << -1
        << WriteTrace(config, 64, 32) + reload + WriteTrace(tanks, kBlock + 32, 32);
    QTest::newRow("restore, tables the controller lacks: whole blocks")
        << restore << QJsonObject{} << 0 << 4
        << reload + WriteTrace(tanks, 4 * kBlock, kBlock) + read(tanks, 4 * kBlock, kBlock)
               + WriteTrace(tanks, 5 * kBlock, kBlock) + read(tanks, 5 * kBlock, kBlock);
    const QStringList writeTable{"write-table", "3", "--changed-only"};
    QTest::newRow("write-table, the table as it is: no wrfile") << writeTable << QJsonObject{} << 3 << -1 << QStringList{};
    QTest::newRow("write-table, one value")
        << writeTable << QJsonObject{{"tables/3/100", 7777777}} << 3 << -1
        << WriteTrace(tanks, 2 * kBlock + 384, 32) + read(tanks, 2 * kBlock + 384, 32);
    QTest::newRow("write-table --no-verify, one value")
        << writeTable + QStringList{"--no-verify"} << QJsonObject{{"tables/3/100", 7777777}} << 3 << -1
        << WriteTrace(tanks, 2 * kBlock + 384, 32);
}

// --changed-only reads what the controller holds first and sends only the
// chunks that differ, reading back each run of them; the stand-in then
// holds what the whole write leaves on a second stand-in that started the
// same.
void TestCli::changedOnlyWrites()
{
    QFETCH(QStringList, arguments);
    QFETCH(QJsonObject, edits);
    QFETCH(int, tankNo);
    QFETCH(int, blocksKept);
    QFETCH(QStringList, trace);

    sim::ControllerSim &sim = m_fixture->Sim();
    // Six tables that differ from each other in every entry.
    QByteArray tables(6 * kBlock, '\0');
    for (int n = 1; n <= 6; ++n) {
        for (int k = 0; k < 400; ++k)
            qToLittleEndian<qint32>(1000 * n + k, tables.data() + (n - 1) * kBlock + 4 * k);
    }
    sim.setFile("tanks.tbl", tables.toStdString());
    const QString backupPath = TempPath(QStringLiteral("station.json"));
    QCOMPARE(RunCli({QStringLiteral("backup"), backupPath}).exitCode, 0);
    QJsonObject document = QJsonDocument::fromJson(ReadAll(backupPath)).object();
    for (auto it = edits.begin(); it != edits.end(); ++it)
        document = With(document, it.key(), it.value());
    QVERIFY(WriteAll(backupPath, QJsonDocument(document).toJson()));
    QByteArray input;
    for (const QJsonValue value : document.value("tables")[QString::number(tankNo)].toArray())
        input += QByteArray::number(value.toInt()) + '\n';
    if (blocksKept >= 0)
        sim.setFile("tanks.tbl", tables.left(blocksKept * kBlock).toStdString());
    std::unique_ptr<sim::ControllerSim> whole = m_fixture->StartAnother(2);
    whole->setFile("config", sim.file("config"));
    whole->setFile("tanks.tbl", sim.file("tanks.tbl"));
    sim.clearTranscript();

    const CliResult result = RunCli(Substituted(arguments), input);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err, trace.contains(QStringLiteral("reload")) ? QByteArray("reload: OK\n") : QByteArray());
    QCOMPARE(result.exitCode, 0);
    QStringList reads;
    if (tankNo == 0) {
        reads << QStringLiteral("rdfile config 0 0");
        for (int n = 1; n <= 6; ++n)
            reads << QStringLiteral("rdfile tanks.tbl %1 1600").arg((n - 1) * kBlock);
    } else {
        reads << QStringLiteral("rdfile tanks.tbl %1 1600").arg((tankNo - 1) * kBlock);
    }
    QCOMPARE(Trace(sim), reads + trace);
    QCOMPARE(sim.reloadCount(), trace.count(QStringLiteral("reload")));

    QStringList wholeWrite = Substituted(arguments);
    wholeWrite.removeAll(QStringLiteral("--changed-only"));
    const CliResult written = RunCli(QStringList{QStringLiteral("--port"), QStringLiteral("2")} + wholeWrite, input);
    QCOMPARE(written.exitCode, 0);
    QCOMPARE(FileOf(sim, "config").toHex(), FileOf(*whole, "config").toHex());
    QCOMPARE(FileOf(sim, "tanks.tbl").toHex(), FileOf(*whole, "tanks.tbl").toHex());
}

void TestCli::backupRestoreBackupIsIdentical_data()
{
    QTest::addColumn<QString>("edit"); // of the first backup before the restore

    QTest::newRow("as saved") << "";
    QTest::newRow("members edited") << "members";
    QTest::newRow("image removed") << "no image";
}

// A station whose "config" holds non-zero gap bytes, texts filling their
// fields and bytes after a text's end: backup, restore elsewhere, backup
// again gives the same file, and the copy holds the same bytes. Members
// edited in the backup win over the bytes they cover; a backup without the
// image writes the members' own image, gaps as zeros.
void TestCli::backupRestoreBackupIsIdentical()
{
    QFETCH(QString, edit);

    sim::ControllerSim &source = m_fixture->Sim();
    const QByteArray original = UnusualConfig(FileOf(source, "config"));
    source.setFile("config", original.toStdString());
    std::unique_ptr<sim::ControllerSim> target = m_fixture->StartAnother(2);
    target->setFile("config", Bytes(429, 7).toStdString());
    target->setFile("tanks.tbl", Bytes(6 * kBlock, 3).toStdString());

    const QString first = TempPath(QStringLiteral("first.json"));
    const QString second = TempPath(QStringLiteral("second.json"));
    const CliResult backup = RunCli({QStringLiteral("backup"), first});
    QCOMPARE(backup.exitCode, 0);
    QCOMPARE(backup.err, QByteArray());

    QByteArray expected = original;
    if (!edit.isEmpty()) {
        QJsonObject document = QJsonDocument::fromJson(ReadAll(first)).object();
        if (edit == QStringLiteral("members")) {
            document = With(document, QStringLiteral("config/apn"), QStringLiteral("new.apn"));
            document = With(document, QStringLiteral("config/tanks/0/hmax"), 1234);
            expected.replace(0, 32, QByteArray("new.apn") + QByteArray(25, '\0'));
            expected.replace(256 + 10, 2, QByteArray("\xD2\x04", 2));
        } else {
            document = With(document, QStringLiteral("config/image"), QJsonValue::Undefined);
            for (const int offset : GapOffsets())
                expected[offset] = '\0';
            expected[31] = '\0';                                   // apn keeps 31 characters
            expected.replace(32, 32, QByteArray("srv") + QByteArray(29, '\0')); // server_name
            expected[66 + 63] = '\0';                              // server_dir keeps 63
        }
        QVERIFY(WriteAll(first, QJsonDocument(document).toJson()));
    }

    const CliResult restore = RunCli({QStringLiteral("--port"), QStringLiteral("2"), QStringLiteral("restore"), first});
    QCOMPARE(restore.exitCode, 0);
    QCOMPARE(restore.err, QByteArray("reload: OK\n"));
    QCOMPARE(FileOf(*target, "config").toHex(), expected.toHex());
    QCOMPARE(FileOf(*target, "tanks.tbl"), FileOf(source, "tanks.tbl").left(6 * kBlock));

    const CliResult again = RunCli({QStringLiteral("--port"), QStringLiteral("2"), QStringLiteral("backup"), second});
    QCOMPARE(again.exitCode, 0);
    if (edit.isEmpty())
        QCOMPARE(ReadAll(second), ReadAll(first));
    const QJsonObject copy = QJsonDocument::fromJson(ReadAll(second)).object();
    QCOMPARE(copy.value(QStringLiteral("config")).toObject().value(QStringLiteral("image")).toString().toLatin1(),
             expected.toHex().toUpper());
    QCOMPARE(copy.value(QStringLiteral("tables")), QJsonDocument::fromJson(ReadAll(first)).object().value("tables"));
}

void TestCli::outputErrors_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("read-config") << QStringList{"read-config"};
    QTest::newRow("read-table") << QStringList{"read-table", "1"};
    QTest::newRow("read-file") << QStringList{"read-file", "config", "0", "0"};
    QTest::newRow("exec") << QStringList{"exec", "reload"};
    QTest::newRow("verify, a difference listed") << QStringList{"verify", "%TMP%/input.json"};
    QTest::newRow("--help") << QStringList{"--help"};
}

void TestCli::outputErrors()
{
    QFETCH(QStringList, arguments);

    const QJsonObject otherPort = With(m_config, QStringLiteral("server_port"), 8081);
    QVERIFY(WriteAll(TempPath(QStringLiteral("input.json")), Json({{"config", otherPort}})));
    const CliResult result = RunCli(Substituted(arguments), {}, {}, QStringLiteral("/dev/full"));
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QString::fromUtf8(result.err),
             QStringLiteral("standard output: %1.\n").arg(QString::fromLocal8Bit(strerror(ENOSPC))));
}

void TestCli::interruptedRestoreSaysWhereItStopped_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("after"); // commands the stand-in has received first

    QTest::newRow("SIGINT in the configuration") << int(SIGINT) << 5;
    QTest::newRow("SIGINT in the first table") << int(SIGINT) << 30;
    QTest::newRow("SIGTERM in the second table") << int(SIGTERM) << 80;
}

// A restore on a line at 38400 baud, stopped by a signal once the stand-in
// has received a number of commands: the companion sends nothing more, says
// what it wrote and which command was in flight, and the stand-in holds
// exactly that; verify then lists what the restore left undone.
void TestCli::interruptedRestoreSaysWhereItStopped()
{
    QFETCH(int, signal);
    QFETCH(int, after);

    sim::ControllerSim &source = m_fixture->Sim();
    sim::SimOptions paced;
    paced.baud = 38400;
    std::unique_ptr<sim::ControllerSim> target = m_fixture->StartAnother(2, paced);
    const QByteArray targetConfig = Bytes(429, 7);
    const QByteArray targetTables = Bytes(6 * kBlock, 3);
    target->setFile("config", targetConfig.toStdString());
    target->setFile("tanks.tbl", targetTables.toStdString());
    const QMap<QByteArray, QByteArray> before{{"config", targetConfig}, {"tanks.tbl", targetTables}};
    const QMap<QByteArray, QByteArray> backedUp{{"config", FileOf(source, "config")},
                                                {"tanks.tbl", FileOf(source, "tanks.tbl").left(2 * kBlock)}};

    // A backup of tanks 1 and 2: 14 + 2 + 2 * (50 + 1) commands to restore,
    // read-backs included.
    const QString backupPath = TempPath(QStringLiteral("station.json"));
    QCOMPARE(RunCli({QStringLiteral("backup"), backupPath}).exitCode, 0);
    QJsonObject document = QJsonDocument::fromJson(ReadAll(backupPath)).object();
    for (const char *tank : {"3", "4", "5", "6"})
        document = With(document, QStringLiteral("tables/") + tank, QJsonValue::Undefined);
    QVERIFY(WriteAll(backupPath, QJsonDocument(document).toJson()));

    QProcess restore;
    restore.setProcessEnvironment(Environment({}));
    restore.start(QStringLiteral(KOLT_CLI_PATH), {QStringLiteral("--port"), QStringLiteral("2"),
                                                  QStringLiteral("restore"), backupPath});
    QVERIFY(restore.waitForStarted(kChildGuardMs));
    QVERIFY(WaitFor([&] { return int(target->commands().size()) >= after; }, kChildGuardMs));
    QCOMPARE(::kill(pid_t(restore.processId()), signal), 0);
    QVERIFY(restore.waitForFinished(kChildGuardMs));
    QCOMPARE(restore.exitStatus(), QProcess::NormalExit);
    QCOMPARE(restore.exitCode(), 128 + signal);

    QStringList report = QString::fromUtf8(restore.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    // The controller's word on "reload" comes first, when it was answered.
    const bool reloadAnswered = !report.isEmpty() && report.first() == QStringLiteral("reload: OK");
    if (reloadAnswered)
        report.removeFirst();
    QVERIFY2(report.size() >= 2, qPrintable(report.join(u'\n')));
    QCOMPARE(report.first(), QStringLiteral("kolt-tarvo-cli: interrupted by %1").arg(signal == SIGINT ? "SIGINT" : "SIGTERM"));
    // A signal noticed between two commands leaves none in flight.
    const bool flying = report.last().startsWith(QStringLiteral("in flight: "));
    const QRegularExpressionMatch inFlight =
        Match(QStringLiteral("^in flight: wrfile (config|tanks\\.tbl) (\\d+), 32 bytes$"), report.last());
    QVERIFY2(!flying || inFlight.hasMatch() || report.last().startsWith(QStringLiteral("in flight: rdfile "))
                 || report.last() == QStringLiteral("in flight: reload"),
             qPrintable(report.last()));
    const int middle = report.size() - (flying ? 2 : 1);

    // Every range reported written holds the backup's bytes; nothing after
    // it and the command in flight was touched. Read-backs change nothing.
    QMap<QByteArray, int> writtenEnd;
    int chunks = 0;
    int readBacks = 0;
    for (const QString &line : report.mid(1, middle)) {
        if (line == QStringLiteral("done: reload"))
            continue;
        if (Match(QStringLiteral("^read back: (config|tanks\\.tbl) \\d+\\.\\.\\d+"), line).hasMatch()) {
            ++readBacks;
            continue;
        }
        const QRegularExpressionMatch written = Match(QStringLiteral("^written: (\\S+) (\\d+)\\.\\.(\\d+)"), line);
        QVERIFY2(written.hasMatch(), qPrintable(line));
        const QByteArray name = written.captured(1).toLatin1();
        const int first = written.captured(2).toInt();
        const int size = written.captured(3).toInt() - first + 1;
        QCOMPARE(FileOf(*target, name).mid(first, size), backedUp.value(name).mid(first, size));
        writtenEnd[name] = first + size;
        chunks += (size + 31) / 32;
    }
    QMap<QByteArray, int> reached = writtenEnd;
    if (inFlight.hasMatch())
        reached[inFlight.captured(1).toLatin1()] = inFlight.captured(2).toInt() + 32;
    for (auto it = before.begin(); it != before.end(); ++it)
        QCOMPARE(FileOf(*target, it.key()).mid(reached.value(it.key())), it.value().mid(reached.value(it.key())));
    const bool reloaded = report.contains(QStringLiteral("done: reload"));
    QCOMPARE(target->reloadCount(), reloaded ? 1 : 0);
    QCOMPARE(reloadAnswered, reloaded);

    // The stand-in received the written chunks, the read-backs, reload, the
    // command in flight and nothing more: the next command it sees is
    // verify's first.
    const int sent = chunks + readBacks + (reloaded ? 1 : 0) + (flying ? 1 : 0);
    const CliResult verify = RunCli({QStringLiteral("--port"), QStringLiteral("2"), QStringLiteral("verify"), backupPath});
    const QStringList trace = Trace(*target);
    QVERIFY2(trace.size() > sent, qPrintable(trace.join(u'\n')));
    if (inFlight.hasMatch())
        QVERIFY(trace.at(sent - 1).startsWith(QStringLiteral("wrfile %1 %2 ").arg(inFlight.captured(1), inFlight.captured(2))));
    QCOMPARE(trace.at(sent), QStringLiteral("rdfile config 0 0"));

    // What verify lists lies after what was reported written: the
    // configuration's members while it was not all written, the tables
    // from the first entry not written on.
    QCOMPARE(verify.exitCode, 1);
    const QStringList differences = QString::fromUtf8(verify.out).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!differences.isEmpty());
    for (const QString &line : differences) {
        const QRegularExpressionMatch table = Match(QStringLiteral("^Резервуар (\\d+): высот[аы] (\\d+)"), line);
        if (!table.hasMatch()) {
            QVERIFY2(writtenEnd.value("config") < 429, qPrintable(line));
            continue;
        }
        const int firstByte = (table.captured(1).toInt() - 1) * kBlock + 4 * (table.captured(2).toInt() / 10);
        QVERIFY2(firstByte >= writtenEnd.value("tanks.tbl"), qPrintable(line));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
