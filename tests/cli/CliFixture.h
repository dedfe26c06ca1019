// What the companion's tests share: kolt-tarvo-cli run as a child process,
// the stand-in's commands as a trace, tables and images to feed it, and a
// test object that starts a fresh stand-in on COM1 before each test.
#pragma once

#include "ChildProcess.h"
#include "JsonEdit.h"
#include "QtTestWatchdog.h"
#include "SimFixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

inline constexpr int kBlock = 1600;    // one tank's table in tanks.tbl

inline QProcessEnvironment Environment(const QStringList &settings)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : settings)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    return environment;
}

inline CliResult RunCli(const QStringList &arguments, const QByteArray &input = {}, const QStringList &environment = {},
                 const QString &outputFile = {})
{
    QProcess process;
    process.setProcessEnvironment(Environment(environment));
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    return RunToEnd(process, QStringLiteral(KOLT_CLI_PATH), arguments, input);
}

inline QByteArray Json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

inline QJsonObject With(const QJsonObject &root, const QString &path, const QJsonValue &value)
{
    return With(QJsonValue(root), path.split(u'/'), value).toObject();
}

// Commands as received, a wrfile's hex shown as its byte count.
inline QStringList Trace(const sim::ControllerSim &sim)
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
inline QStringList WriteTrace(const QString &name, int offset, int size)
{
    QStringList trace;
    for (int done = 0; done < size; done += 32)
        trace << QStringLiteral("wrfile %1 %2 +%3").arg(name).arg(offset + done).arg(qMin(32, size - done));
    return trace;
}

// The same, followed by the read-back that checks it.
inline QStringList CheckedWriteTrace(const QString &name, int offset, int size)
{
    return WriteTrace(name, offset, size) << QStringLiteral("rdfile %1 %2 %3").arg(name).arg(offset).arg(size);
}

inline QJsonArray TableJson(int seed)
{
    QJsonArray values;
    for (int k = 0; k < 400; ++k)
        values.append(seed * 100000 + 37 * k - 500);
    return values;
}

inline QByteArray TableText(int seed)
{
    QByteArray text;
    for (const QJsonValue value : TableJson(seed))
        text += QByteArray::number(value.toInt()) + '\n';
    return text;
}

// The same table as "height;volume" pairs.
inline QByteArray TableCsv(int seed)
{
    QByteArray text = "height;volume\n";
    const QJsonArray values = TableJson(seed);
    for (qsizetype k = 0; k < values.size(); ++k)
        text += QByteArray::number(10 * k) + ';' + QByteArray::number(values.at(k).toInt()) + '\n';
    return text;
}

// Tank n's 400 values as the stand-in holds them.
inline QList<qint32> TankBlock(const sim::ControllerSim &sim, int n)
{
    const QByteArray block = QByteArray::fromStdString(sim.file("tanks.tbl")).mid((n - 1) * kBlock, kBlock);
    QList<qint32> values;
    for (qsizetype at = 0; at + 4 <= block.size(); at += 4)
        values.append(qFromLittleEndian<qint32>(block.constData() + at));
    return values;
}

inline QByteArray Bytes(int count, int step)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((i * step) & 0xFF));
    return bytes;
}

// Six tables that differ from each other in every entry: tank n's entry k
// holds 1000 n + k.
inline QByteArray DistinctTables()
{
    QByteArray tables(6 * kBlock, '\0');
    for (int n = 1; n <= 6; ++n) {
        for (int k = 0; k < 400; ++k)
            qToLittleEndian<qint32>(1000 * n + k, tables.data() + (n - 1) * kBlock + 4 * k);
    }
    return tables;
}

inline QByteArray FileOf(const sim::ControllerSim &sim, const char *name)
{
    return QByteArray::fromStdString(sim.file(name));
}

inline QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The "config" image's bytes that belong to no member: the run before the
// tank slots and the last four bytes of each of the ten 16-byte slots.
inline QList<int> GapOffsets()
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
inline QByteArray UnusualConfig(QByteArray image)
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
inline QRegularExpressionMatch Match(const QString &pattern, const QString &text)
{
    return QRegularExpression(pattern).match(text);
}

// The base of each test object: the stand-in's fresh configuration, read
// once, a temporary folder for the test's files ("%TMP%" in arguments) and
// the stand-in of the test running.
class CliTestCase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_watchdog.LastTestDone(); }
    void init();
    void cleanup();

protected:
    QString TempPath(const QString &name) const { return m_temp.filePath(name); }
    QStringList Substituted(QStringList arguments) const;

    QTemporaryDir m_temp;
    QJsonObject m_config; // the stand-in's fresh configuration
    std::unique_ptr<SimFixture> m_fixture;

private:
    QtTestWatchdog m_watchdog;
};

inline void CliTestCase::initTestCase()
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

inline void CliTestCase::init()
{
    m_fixture = std::make_unique<SimFixture>(1);
}

inline void CliTestCase::cleanup()
{
    m_fixture.reset();
}

inline QStringList CliTestCase::Substituted(QStringList arguments) const
{
    arguments.replaceInStrings(QStringLiteral("%TMP%"), m_temp.path());
    return arguments;
}
