// The calibration chart's model: what it draws from the editor's lines.
#include "calibration/TableChart.h"

#include <QLocale>
#include <QTest>

namespace {

// A point as "line:volume", with "!" behind a falling or flat one.
QStringList Segment(const QList<TTableChart::TPoint> &points)
{
    QStringList text;
    for (const TTableChart::TPoint &point : points)
        text.append(QStringLiteral("%1:%2%3").arg(point.Line).arg(point.Volume).arg(point.Falling ? "!" : ""));
    return text;
}

QStringList Labels(const TTableChart::TAxis &axis)
{
    QStringList labels;
    for (const TTableChart::TTick &tick : axis.Ticks)
        labels.append(tick.Label);
    return labels;
}

} // namespace

class TableChartTest : public QObject
{
    Q_OBJECT

private slots:
    void points_data();
    void points();
    void axes_data();
    void axes();
    void markedLine_data();
    void markedLine();
};

void TableChartTest::points_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QList<QStringList>>("segments");

    QTest::newRow("rising") << QStringList{"    100", "    200", "    300"} << 3
                            << QList<QStringList>{{"0:100", "1:200", "2:300"}};
    QTest::newRow("empty lines leave gaps") << QStringList{"", "5", "6", " ", "8", ""} << 6
                                            << QList<QStringList>{{"1:5", "2:6"}, {"4:8"}};
    QTest::newRow("bad line is a gap") << QStringList{"1", "12a", "3", "-1"} << 4
                                       << QList<QStringList>{{"0:1"}, {"2:3"}};
    QTest::newRow("falls and stays flat") << QStringList{"10", "20", "15", "15", "30"} << 5
                                          << QList<QStringList>{{"0:10", "1:20", "2:15!", "3:15!", "4:30"}};
    QTest::newRow("falling across a gap") << QStringList{"10", "", "5"} << 3
                                          << QList<QStringList>{{"0:10"}, {"2:5!"}};
    QTest::newRow("digit groups and hex") << QStringList{QStringLiteral("1\u00A0000"), "2 000", "$1000"} << 3
                                          << QList<QStringList>{{"0:1000", "1:2000", "2:4096"}};
    QTest::newRow("lines past the table") << QStringList{"1", "2", "3"} << 2
                                          << QList<QStringList>{{"0:1", "1:2"}};
    QTest::newRow("missing lines") << QStringList{"1"} << 3 << QList<QStringList>{{"0:1"}};
    QTest::newRow("nothing") << QStringList{"", ""} << 2 << QList<QStringList>{};
}

void TableChartTest::points()
{
    QFETCH(QStringList, lines);
    QFETCH(int, lineCount);
    QFETCH(QList<QStringList>, segments);

    TTableChart chart;
    chart.SetLines(lines, lineCount);
    QList<QStringList> drawn;
    for (const QList<TTableChart::TPoint> &segment : chart.Segments()) {
        drawn.append(Segment(segment));
        for (const TTableChart::TPoint &point : segment)
            QCOMPARE(point.Height, 10 * qint64(point.Line));
    }
    QCOMPARE(drawn, segments);
}

void TableChartTest::axes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QStringList>("heightLabels");
    QTest::addColumn<QStringList>("volumeLabels");

    const QString sep = QLocale::system().groupSeparator();
    QTest::newRow("400 lines") << QStringList{"0", "49000"} << 400
                               << QStringList{"0", "1" + sep + "000", "2" + sep + "000", "3" + sep + "000",
                                              "4" + sep + "000"}
                               << QStringList{"0", "10" + sep + "000", "20" + sep + "000", "30" + sep + "000",
                                              "40" + sep + "000", "50" + sep + "000"};
    QTest::newRow("negative volume") << QStringList{"-5", "12"} << 3 << QStringList{"0", "5", "10", "15", "20"}
                                     << QStringList{"-5", "0", "5", "10", "15"};
    QTest::newRow("one line, no value") << QStringList{} << 1 << QStringList{"0", "2", "4", "6", "8", "10"}
                                        << QStringList{"0", "1"};
    QTest::newRow("big volumes") << QStringList{"1234567"} << 2 << QStringList{"0", "2", "4", "6", "8", "10"}
                                 << QStringList{"0", "500" + sep + "000", "1" + sep + "000" + sep + "000",
                                                "1" + sep + "500" + sep + "000"};
}

void TableChartTest::axes()
{
    QFETCH(QStringList, lines);
    QFETCH(int, lineCount);
    QFETCH(QStringList, heightLabels);
    QFETCH(QStringList, volumeLabels);

    TTableChart chart;
    chart.SetLines(lines, lineCount);
    QCOMPARE(Labels(chart.HeightAxis()), heightLabels);
    QCOMPARE(Labels(chart.VolumeAxis()), volumeLabels);
    QCOMPARE(chart.HeightAxis().Ticks.first().Value, chart.HeightAxis().Min);
    QCOMPARE(chart.HeightAxis().Ticks.last().Value, chart.HeightAxis().Max);
    QCOMPARE(chart.VolumeAxis().Ticks.first().Value, chart.VolumeAxis().Min);
    QCOMPARE(chart.VolumeAxis().Ticks.last().Value, chart.VolumeAxis().Max);
    QCOMPARE(chart.HeightAxis().Title, QStringLiteral("Высота, мм"));
    QCOMPARE(chart.VolumeAxis().Title, QStringLiteral("Объём, л"));
}

void TableChartTest::markedLine_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("marked");
    QTest::addColumn<bool>("hasPoint");

    QTest::newRow("a point") << QStringList{"1", "2", "2"} << 2 << true;
    QTest::newRow("a bad line") << QStringList{"1", "x", "3"} << 1 << false;
    QTest::newRow("none") << QStringList{"1", "2"} << -1 << false;
}

void TableChartTest::markedLine()
{
    QFETCH(QStringList, lines);
    QFETCH(int, marked);
    QFETCH(bool, hasPoint);

    TTableChart chart;
    chart.SetLines(lines, int(lines.size()));
    chart.SetMarkedLine(marked);
    QCOMPARE(chart.MarkedLine(), marked);
    QCOMPARE(chart.MarkedHeight(), 10 * qint64(marked));
    QCOMPARE(chart.MarkedPoint().has_value(), hasPoint);
    if (hasPoint)
        QCOMPARE(chart.MarkedPoint()->Line, marked);
}

QTEST_APPLESS_MAIN(TableChartTest)
#include "tst_tablechart.moc"
