#include "calibration/TableText.h"

#include <QLocale>
#include <QTest>

using LineValues = QList<std::optional<qint32>>;
Q_DECLARE_METATYPE(LineValues)

class TableTextTest : public QObject
{
    Q_OBJECT

private slots:
    void check_data();
    void check();
    void lineCount_data();
    void lineCount();
    void lineText_data();
    void lineText();
    void heightLabel_data();
    void heightLabel();
    void groupedNumber_data();
    void groupedNumber();
};

void TableTextTest::check_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("errorLine");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<LineValues>("values");

    const QString badInput = QStringLiteral("Ошибка ввода");
    const QString notRising = QStringLiteral("Значение должно быть больше предыдущего");
    const std::nullopt_t none = std::nullopt;

    QTest::newRow("negative on line 0") << QStringList{"     -5", "      1"} << 2 << -1 << QString()
                                        << LineValues{-5, 1};
    QTest::newRow("minus one") << QStringList{"     -1"} << 1 << 0 << "#0: " + badInput << LineValues{};
    QTest::newRow("blank in digits") << QStringList{"1 234"} << 1 << -1 << QString()
                                     << LineValues{1234};
    QTest::newRow("non-breaking space in digits")
        << QStringList{QStringLiteral("1\u00A0234")} << 1 << -1 << QString() << LineValues{1234};
    QTest::newRow("letter on line 3") << QStringList{"1", "2", "3", "12a"} << 4 << 3
                                      << "#30: " + badInput << LineValues{1, 2, 3};
    QTest::newRow("tab in line") << QStringList{"\t5"} << 1 << 0 << "#0: " + badInput << LineValues{};
    QTest::newRow("32-bit limits") << QStringList{"-2147483648", "+2147483647"} << 2 << -1
                                   << QString() << LineValues{INT_MIN, INT_MAX};
    QTest::newRow("beyond 32 bits") << QStringList{"1", "2", "3", "2147483648"} << 4 << 3
                                    << "#30: " + badInput << LineValues{1, 2, 3};
    QTest::newRow("beyond 32 bits negative") << QStringList{"-2147483649"} << 1 << 0
                                             << "#0: " + badInput << LineValues{};
    QTest::newRow("empty line 0, then 0") << QStringList{"", "0"} << 2 << 1 << "#10: " + notRising
                                          << LineValues{none};
    QTest::newRow("5, empty, 5") << QStringList{"5", "  ", "5"} << 3 << 2 << "#20: " + notRising
                                 << LineValues{5, none};
    QTest::newRow("error height past 100") << QStringList(12, "7") << 12 << 1
                                           << "#10: " + notRising << LineValues{7};
    QTest::newRow("hex forms") << QStringList{"$1F", "0x20", "x21", "X22", "0X23", "$ff"} << 6 << -1
                               << QString() << LineValues{31, 32, 33, 34, 35, 255};
    QTest::newRow("signed hex") << QStringList{"-$10", "+x1"} << 2 << -1 << QString()
                                << LineValues{-16, 1};
    QTest::newRow("hex bit pattern") << QStringList{"$80000000"} << 1 << -1 << QString()
                                     << LineValues{INT_MIN};
    QTest::newRow("hex all ones is -1") << QStringList{"$FFFFFFFF"} << 1 << 0 << "#0: " + badInput
                                        << LineValues{};
    QTest::newRow("hex beyond 32 bits") << QStringList{"$100000000"} << 1 << 0 << "#0: " + badInput
                                        << LineValues{};
    QTest::newRow("prefix without digits") << QStringList{"1", "0x"} << 2 << 1 << "#10: " + badInput
                                           << LineValues{1};
    QTest::newRow("all lines deleted") << QStringList{} << 3 << -1 << QString()
                                       << LineValues{none, none, none};
    QTest::newRow("zeros") << QStringList{"      0", "      0"} << 2 << 1 << "#10: " + notRising
                           << LineValues{0};
    QTest::newRow("surplus lines ignored") << QStringList{"1", "2", "junk"} << 2 << -1 << QString()
                                           << LineValues{1, 2};
}

void TableTextTest::check()
{
    QFETCH(QStringList, lines);
    QFETCH(int, lineCount);
    QFETCH(int, errorLine);
    QFETCH(QString, errorText);
    QFETCH(LineValues, values);

    const TTableCheck result = CheckTableLines(lines, lineCount);
    QCOMPARE(result.ErrorLine, errorLine);
    QCOMPARE(result.ErrorText, errorText);
    QCOMPARE(result.Values, values);
}

void TableTextTest::lineCount_data()
{
    QTest::addColumn<qint32>("hmax");
    QTest::addColumn<int>("lines");

    QTest::newRow("0") << 0 << 1;
    QTest::newRow("5") << 5 << 1;
    QTest::newRow("10") << 10 << 2;
    QTest::newRow("3990") << 3990 << 400;
    QTest::newRow("3999") << 3999 << 400;
    QTest::newRow("5000") << 5000 << 400;
    QTest::newRow("-5") << -5 << 1;
    QTest::newRow("-10") << -10 << 0;
    QTest::newRow("-25") << -25 << 0;
    QTest::newRow("max") << INT_MAX << 400;
}

void TableTextTest::lineCount()
{
    QFETCH(qint32, hmax);
    QFETCH(int, lines);
    QCOMPARE(TableLineCount(hmax), lines);
}

void TableTextTest::lineText_data()
{
    QTest::addColumn<qint32>("volume");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << "      0";
    QTest::newRow("negative") << -5 << "     -5";
    QTest::newRow("seven digits") << 1234567 << "1234567";
    QTest::newRow("longer") << INT_MIN << "-2147483648";
}

void TableTextTest::lineText()
{
    QFETCH(qint32, volume);
    QFETCH(QString, text);
    QCOMPARE(VolumeLineText(volume), text);
}

void TableTextTest::heightLabel_data()
{
    QTest::addColumn<qint64>("height");
    QTest::addColumn<QString>("label");

    const QString sep = QLocale::system().groupSeparator();
    QTest::newRow("0") << qint64(0) << "    0";
    QTest::newRow("10") << qint64(10) << "   10";
    QTest::newRow("990") << qint64(990) << "  990";
    QTest::newRow("3990") << qint64(3990) << ("3" + sep + "990").rightJustified(5, ' ');
    QTest::newRow("100000") << qint64(100000) << "100" + sep + "000";
    QTest::newRow("1234567") << qint64(1234567) << "1" + sep + "234" + sep + "567";
}

void TableTextTest::heightLabel()
{
    QFETCH(qint64, height);
    QFETCH(QString, label);
    QCOMPARE(HeightLabelText(height), label);
}

void TableTextTest::groupedNumber_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("text");

    const QString sep = QLocale::system().groupSeparator();
    QTest::newRow("0") << qint64(0) << "0";
    QTest::newRow("999") << qint64(999) << "999";
    QTest::newRow("1000") << qint64(1000) << "1" + sep + "000";
    QTest::newRow("-100") << qint64(-100) << "-100";
    QTest::newRow("-1234") << qint64(-1234) << "-1" + sep + "234";
    QTest::newRow("-123456") << qint64(-123456) << "-123" + sep + "456";
    QTest::newRow("32-bit minimum") << qint64(INT32_MIN) << "-2" + sep + "147" + sep + "483" + sep + "648";
}

void TableTextTest::groupedNumber()
{
    QFETCH(qint64, number);
    QFETCH(QString, text);
    QCOMPARE(GroupedNumberText(number), text);
}

QTEST_APPLESS_MAIN(TableTextTest)
#include "tst_tabletext.moc"
