// kolt-tarvo-cli run as a child process against the controller stand-in.
// Comparisons: diff of two files or of a file and the controller, and writes
// of only what changed.
#include "CliFixture.h"

#include <cstring>
#include <memory>

class TestCliDiff : public CliTestCase
{
    Q_OBJECT

private slots:
    void diffOfTwoFiles_data();
    void diffOfTwoFiles();
    void changedOnlyWrites_data();
    void changedOnlyWrites();
};

void TestCliDiff::diffOfTwoFiles_data()
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
void TestCliDiff::diffOfTwoFiles()
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

void TestCliDiff::changedOnlyWrites_data()
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
void TestCliDiff::changedOnlyWrites()
{
    QFETCH(QStringList, arguments);
    QFETCH(QJsonObject, edits);
    QFETCH(int, tankNo);
    QFETCH(int, blocksKept);
    QFETCH(QStringList, trace);

    sim::ControllerSim &sim = m_fixture->Sim();
    const QByteArray tables = DistinctTables();
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

QTEST_GUILESS_MAIN(TestCliDiff)
#include "tst_cli_diff.moc"
