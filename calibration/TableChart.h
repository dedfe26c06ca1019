// What the calibration dialog's chart draws: volume against height from
// the editor's lines, with its gaps, its faults and its axes.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TTableChart
{
public:
    struct TPoint
    {
        int Line;
        qint64 Height;
        qint32 Volume;
        bool Falling; // not above the point before it: drawn in the error colour
    };

    struct TTick
    {
        qint64 Value;
        QString Label; // with the system's thousands separator
    };

    struct TAxis
    {
        QString Title;
        qint64 Min = 0;
        qint64 Max = 1;
        QList<TTick> Ticks; // from Min to Max in equal steps
    };

    TTableChart();

    // Line k is the volume at height 10·k; lines from LineCount on are not
    // drawn. A line without a number (empty or bad) is a gap.
    void SetLines(const QStringList &Lines, int LineCount);

    // The line a failed check stopped at, or -1.
    void SetMarkedLine(int Line);
    int MarkedLine() const { return m_markedLine; }
    qint64 MarkedHeight() const;
    // The marked line's point, when that line holds a number.
    std::optional<TPoint> MarkedPoint() const;

    // Runs of consecutive lines with a number, in line order.
    const QList<QList<TPoint>> &Segments() const { return m_segments; }

    const TAxis &HeightAxis() const { return m_heightAxis; }
    const TAxis &VolumeAxis() const { return m_volumeAxis; }

private:
    void UpdateAxes();

    int m_lineCount = 0;
    int m_markedLine = -1;
    QList<QList<TPoint>> m_segments;
    TAxis m_heightAxis;
    TAxis m_volumeAxis;
};
