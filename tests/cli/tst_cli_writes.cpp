// kolt-tarvo-cli run as a child process against the controller stand-in.
// Writes and their checks: tables from height;volume pairs, the answer to
// "reload", the read-back of every write, verify, and the progress line.
#include "CliFixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

class TestCliWrites : public CliTestCase
{
    Q_OBJECT

private slots:
    void csvTables_data();
    void csvTables();
    void reloadAnswerIsShown_data();
    void reloadAnswerIsShown();
    void verifiedWrites_data();
    void verifiedWrites();
    void verifyListsDifferences_data();
    void verifyListsDifferences();
    void progressOnTerminal_data();
    void progressOnTerminal();
};

// write-table --csv against the stand-in's configuration, where tank 1 has
// hmax 2500 and tank 5 hmax 0: which heights must be given, and what lands
// in the block.
void TestCliWrites::csvTables_data()
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

void TestCliWrites::csvTables()
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

void TestCliWrites::reloadAnswerIsShown_data()
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
void TestCliWrites::reloadAnswerIsShown()
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

void TestCliWrites::verifiedWrites_data()
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
void TestCliWrites::verifiedWrites()
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

void TestCliWrites::verifyListsDifferences_data()
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
void TestCliWrites::verifyListsDifferences()
{
    QFETCH(QString, command);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, listing);

    sim::ControllerSim &sim = m_fixture->Sim();
    sim.setFile("config", UnusualConfig(FileOf(sim, "config")).toStdString());
    const QByteArray tables = DistinctTables();
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

void TestCliWrites::progressOnTerminal_data()
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

void TestCliWrites::progressOnTerminal()
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

QTEST_GUILESS_MAIN(TestCliWrites)
#include "tst_cli_writes.moc"
