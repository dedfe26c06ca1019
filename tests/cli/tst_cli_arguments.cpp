// kolt-tarvo-cli run as a child process against the controller stand-in.
// Arguments and errors: input checks, controller and port failures, the
// port choice, help, version and a full standard output.
#include "CliFixture.h"
#include "common/Version.h"

#include <cerrno>
#include <cstring>
#include <memory>

class TestCliArguments : public CliTestCase
{
    Q_OBJECT

private slots:
    void inputChecks_data();
    void inputChecks();
    void controllerFailures_data();
    void controllerFailures();
    void portChoice_data();
    void portChoice();
    void helpNamesCommandsAndVariables_data();
    void helpNamesCommandsAndVariables();
    void versionNamesTheProgram_data();
    void versionNamesTheProgram();
    void outputErrors_data();
    void outputErrors();
};

void TestCliArguments::inputChecks_data()
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

void TestCliArguments::inputChecks()
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

void TestCliArguments::controllerFailures_data()
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
void TestCliArguments::controllerFailures()
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

void TestCliArguments::portChoice_data()
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

void TestCliArguments::portChoice()
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

void TestCliArguments::helpNamesCommandsAndVariables_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("--help") << QStringList{"--help"};
    QTest::newRow("-h") << QStringList{"-h"};
    QTest::newRow("-h after other options") << QStringList{"--port", "2", "--verify", "-h"};
    QTest::newRow("--help after the command") << QStringList{"write-table", "--help"};
    QTest::newRow("-h instead of running the command") << QStringList{"exec", "reload", "-h"};
}

void TestCliArguments::helpNamesCommandsAndVariables()
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

void TestCliArguments::versionNamesTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("--version") << QStringList{"--version"};
    QTest::newRow("--version after another option") << QStringList{"--port", "2", "--version"};
}

void TestCliArguments::versionNamesTheProgram()
{
    QFETCH(QStringList, arguments);

    const CliResult result = RunCli(arguments);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.out, QByteArray("kolt-tarvo-cli ") + Version::Number + '\n');
    QCOMPARE(Trace(m_fixture->Sim()), QStringList{});
}

void TestCliArguments::outputErrors_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("read-config") << QStringList{"read-config"};
    QTest::newRow("read-table") << QStringList{"read-table", "1"};
    QTest::newRow("read-file") << QStringList{"read-file", "config", "0", "0"};
    QTest::newRow("exec") << QStringList{"exec", "reload"};
    QTest::newRow("verify, a difference listed") << QStringList{"verify", "%TMP%/input.json"};
    QTest::newRow("--help") << QStringList{"--help"};
}

void TestCliArguments::outputErrors()
{
    QFETCH(QStringList, arguments);

    const QJsonObject otherPort = With(m_config, QStringLiteral("server_port"), 8081);
    QVERIFY(WriteAll(TempPath(QStringLiteral("input.json")), Json({{"config", otherPort}})));
    const CliResult result = RunCli(Substituted(arguments), {}, {}, QStringLiteral("/dev/full"));
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QString::fromUtf8(result.err),
             QStringLiteral("standard output: %1.\n").arg(QString::fromLocal8Bit(strerror(ENOSPC))));
}

QTEST_GUILESS_MAIN(TestCliArguments)
#include "tst_cli_arguments.moc"
