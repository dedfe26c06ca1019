// kolt-tarvo-cli run as a child process against the controller stand-in.
// Reads and round trips: what each operation puts on the wire, and answers
// of another length than asked for or that come too late.
#include "CliFixture.h"

class TestCliReads : public CliTestCase
{
    Q_OBJECT

private slots:
    void configRoundTrip();
    void dataRoundTrips_data();
    void dataRoundTrips();
    void wireTraces_data();
    void wireTraces();
    void shortAnswersAreRefused_data();
    void shortAnswersAreRefused();
    void lateAnswerIsNotTaken();
};

void TestCliReads::configRoundTrip()
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

void TestCliReads::dataRoundTrips_data()
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

void TestCliReads::dataRoundTrips()
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

void TestCliReads::wireTraces_data()
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

void TestCliReads::wireTraces()
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

void TestCliReads::shortAnswersAreRefused_data()
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
void TestCliReads::shortAnswersAreRefused()
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
void TestCliReads::lateAnswerIsNotTaken()
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

QTEST_GUILESS_MAIN(TestCliReads)
#include "tst_cli_reads.moc"
