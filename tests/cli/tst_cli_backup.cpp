// kolt-tarvo-cli run as a child process against the controller stand-in.
// Backup and restore: a copy of a whole station, the files a backup may
// replace, a round trip byte for byte, and a restore stopped by a signal.
#include "CliFixture.h"

#include <signal.h>
#include <sys/stat.h>

#include <memory>

class TestCliBackup : public CliTestCase
{
    Q_OBJECT

private slots:
    void backupThenRestoreCopiesTheStation();
    void backupGoesOnlyToFiles_data();
    void backupGoesOnlyToFiles();
    void backupRestoreBackupIsIdentical_data();
    void backupRestoreBackupIsIdentical();
    void interruptedRestoreSaysWhereItStopped_data();
    void interruptedRestoreSaysWhereItStopped();
};

void TestCliBackup::backupThenRestoreCopiesTheStation()
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

void TestCliBackup::backupGoesOnlyToFiles_data()
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
void TestCliBackup::backupGoesOnlyToFiles()
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

void TestCliBackup::backupRestoreBackupIsIdentical_data()
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
void TestCliBackup::backupRestoreBackupIsIdentical()
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

void TestCliBackup::interruptedRestoreSaysWhereItStopped_data()
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
void TestCliBackup::interruptedRestoreSaysWhereItStopped()
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

QTEST_GUILESS_MAIN(TestCliBackup)
#include "tst_cli_backup.moc"
