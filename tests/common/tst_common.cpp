// The settings file and the code page conversion.
#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/Settings.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

class TestCommon : public QObject
{
    Q_OBJECT

private slots:
    void readsPort_data();
    void readsPort();
    void writeKeepsTheRest_data();
    void writeKeepsTheRest();
    void unwritableFile();
    void settingsPathBesideExecutable();
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
    Settings::WritePort(path, 12);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray written = file.readAll();
    written.replace("\r\n", "\n");
    QCOMPARE(written, after);
    QCOMPARE(Settings::ReadPort(path), 12);
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
