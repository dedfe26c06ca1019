// Tables as height and volume pairs: reading, interpolation and the text
// that export writes.
#include "TestSeed.h"
#include "calibration/TablePairs.h"

#include <QStringEncoder>
#include <QTest>

using LineValues = QList<std::optional<qint32>>;
Q_DECLARE_METATYPE(LineValues)

namespace {

constexpr auto none = std::nullopt;
using Reading = TablePairs::TReading;

QByteArray Utf16WithBom(const QString &text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

class TablePairsTest : public QObject
{
    Q_OBJECT

private slots:
    void interpolate_data();
    void interpolate();
    void text_data();
    void text();
    void exportImportIdentity_data();
    void exportImportIdentity();
};

void TablePairsTest::interpolate_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("line");
    QTest::addColumn<LineValues>("volumes");

    QTest::newRow("exact heights") << QByteArray("0;100\n10;200\n20;300\n") << 3 << 0 << 0
                                   << LineValues{100, 200, 300};
    QTest::newRow("between heights, rounded") << QByteArray("0;0\n30;100\n") << 4 << 0 << 0
                                              << LineValues{0, 33, 67, 100};
    QTest::newRow("other step") << QByteArray("0;0\n25;250\n40;1000\n") << 5 << 0 << 0
                                << LineValues{0, 100, 200, 500, 1000};
    QTest::newRow("unsorted input") << QByteArray("20;300\n0;100\n10;200\n") << 3 << 0 << 0
                                    << LineValues{100, 200, 300};
    QTest::newRow("decimal comma, semicolon") << QByteArray("0;0,4\n10;100,5\n") << 2 << 0 << 0
                                              << LineValues{0, 101};
    QTest::newRow("decimal comma, tab") << QByteArray("0\t-0,5\n5,5\t3\n10\t10,5\n") << 2 << 0 << 0
                                        << LineValues{-1, 11};
    QTest::newRow("decimal point, comma") << QByteArray("0,0.4\n10,99.5\n") << 2 << 0 << 0
                                          << LineValues{0, 100};
    QTest::newRow("exponent") << QByteArray("0;1e3\n") << 1 << 0 << 0 << LineValues{1000};
    QTest::newRow("a header") << QByteArray("Высота;Объём\n0;1\n10;2\n") << 2 << 0 << 0 << LineValues{1, 2};
    QTest::newRow("a header after a BOM") << QByteArray("\xEF\xBB\xBFh,v\n0,1\n10,2\n") << 2 << 0 << 0
                                          << LineValues{1, 2};
    QTest::newRow("UTF-16 with header")
        << Utf16WithBom(QStringLiteral("Высота\tОбъём\r\n0\t1,5\r\n10\t2,5\r\n")) << 2 << 0 << 0 << LineValues{2, 3};
    QTest::newRow("CRLF, empty lines, trailing separators")
        << QByteArray("\r\n0;1;\r\n\r\n10;2;;\r\n") << 2 << 0 << 0 << LineValues{1, 2};
    QTest::newRow("quotes and digit groups") << QByteArray("\"0\";\"1 234,5\"\n\"10\";\"2\xC2\xA0""000\"\n") << 2 << 0
                                             << 0 << LineValues{1235, 2000};
    QTest::newRow("out-of-range heights") << QByteArray("15;100\n35;300\n") << 5 << 0 << 0
                                          << LineValues{none, none, 150, 250, none};
    QTest::newRow("negative height and volume") << QByteArray("-10;-50\n10;50\n") << 2 << 0 << 0
                                                << LineValues{0, 50};
    QTest::newRow("same height twice, same volume") << QByteArray("0;1\n0;1\n10;2\n") << 2 << 0 << 0
                                                    << LineValues{1, 2};
    QTest::newRow("32-bit limits") << QByteArray("0;-2147483648\n10;2147483647,4\n") << 2 << 0 << 0
                                   << LineValues{INT32_MIN, INT32_MAX};
    QTest::newRow("no line asked") << QByteArray("0;1\n") << 0 << 0 << 0 << LineValues{};

    QTest::newRow("a bad line") << QByteArray("0;1\n\n10;x\n20;3\n") << 3 << int(Reading::NotAPair) << 3
                                << LineValues{};
    QTest::newRow("one field") << QByteArray("h;v\n0;1\n10\n") << 2 << int(Reading::NotAPair) << 3 << LineValues{};
    QTest::newRow("three fields") << QByteArray("0;1;2\n") << 1 << int(Reading::NotAPair) << 1 << LineValues{};
    QTest::newRow("decimal comma between commas") << QByteArray("0,1,5\n") << 1 << int(Reading::NotAPair) << 1
                                                  << LineValues{};
    QTest::newRow("half a header is a bad line") << QByteArray("10;abc\n20;1\n") << 2 << int(Reading::NotAPair)
                                                 << 1 << LineValues{};
    QTest::newRow("second header") << QByteArray("h;v\n0;1\nh;v\n") << 1 << int(Reading::NotAPair) << 3
                                   << LineValues{};
    QTest::newRow("volume beyond 32 bits") << QByteArray("0;1\n10;2147483647,5\n") << 2
                                           << int(Reading::NotAPair) << 2 << LineValues{};
    QTest::newRow("infinity") << QByteArray("0;inf\n") << 1 << int(Reading::NotAPair) << 1 << LineValues{};
    QTest::newRow("height twice") << QByteArray("0;1\n10;2\n0,0;3\n") << 2 << int(Reading::HeightTwice) << 3
                                  << LineValues{};
    QTest::newRow("empty file") << QByteArray() << 1 << int(Reading::NoPair) << 0 << LineValues{};
    QTest::newRow("header only") << QByteArray("height;volume\n\n") << 1 << int(Reading::NoPair) << 0
                                 << LineValues{};
}

void TablePairsTest::interpolate()
{
    QFETCH(QByteArray, text);
    QFETCH(int, lineCount);
    QFETCH(int, fault);
    QFETCH(int, line);
    QFETCH(LineValues, volumes);

    const Reading reading = TablePairs::Read(text);
    QCOMPARE(int(reading.Fault), fault);
    QCOMPARE(reading.Line, line);
    if (fault == Reading::None)
        QCOMPARE(TablePairs::Interpolate(reading.Pairs, lineCount), volumes);
}

void TablePairsTest::text_data()
{
    QTest::addColumn<LineValues>("volumes");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("every line") << LineValues{100, 200, -3} << QByteArray("height;volume\n0;100\n10;200\n20;-3\n");
    QTest::newRow("empty lines left out") << LineValues{none, 5, none, 1234567, none}
                                          << QByteArray("height;volume\n10;5\n30;1234567\n");
    QTest::newRow("nothing") << LineValues{none} << QByteArray("height;volume\n");
}

void TablePairsTest::text()
{
    QFETCH(LineValues, volumes);
    QFETCH(QByteArray, text);
    QCOMPARE(TablePairs::Text(volumes), text);
}

void TablePairsTest::exportImportIdentity_data()
{
    QTest::addColumn<LineValues>("volumes");

    QTest::newRow("one line") << LineValues{7};
    QTest::newRow("gaps at both ends") << LineValues{none, none, 10, 20, 35, none};
    QTest::newRow("falling and negative") << LineValues{-5, 100, 50, 50, INT32_MIN, INT32_MAX};
    QRandomGenerator random = SeededGenerator("exportImportIdentity");
    LineValues table;
    qint32 volume = random.bounded(100);
    for (int k = 0; k < 400; ++k)
        table.append(volume += random.bounded(1, 5000));
    QTest::newRow("400 random rising lines") << table;
}

// Lines without a gap between two values come back unchanged.
void TablePairsTest::exportImportIdentity()
{
    QFETCH(LineValues, volumes);
    const Reading reading = TablePairs::Read(TablePairs::Text(volumes));
    QCOMPARE(reading.Fault, Reading::None);
    QCOMPARE(TablePairs::Interpolate(reading.Pairs, int(volumes.size())), volumes);
}

QTEST_APPLESS_MAIN(TablePairsTest)
#include "tst_tablepairs.moc"
