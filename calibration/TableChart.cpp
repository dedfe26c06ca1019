#include "TableChart.h"

#include "TableText.h"
#include "TankTable.h"

namespace {

constexpr qint64 kIntervals = 5; // about this many steps between ticks

// 1, 2 or 5 times a power of ten, giving at most kIntervals steps over span.
qint64 NiceStep(qint64 span)
{
    qint64 magnitude = 1;
    while (magnitude * 10 * kIntervals <= span)
        magnitude *= 10;
    for (const qint64 factor : {1, 2, 5}) {
        if (magnitude * factor * kIntervals >= span)
            return magnitude * factor;
    }
    return magnitude * 10;
}

qint64 FloorTo(qint64 value, qint64 step)
{
    const qint64 quotient = value / step;
    return (value % step != 0 && value < 0 ? quotient - 1 : quotient) * step;
}

qint64 CeilTo(qint64 value, qint64 step)
{
    return -FloorTo(-value, step);
}

TTableChart::TAxis Axis(const QString &title, qint64 low, qint64 high)
{
    const qint64 step = NiceStep(high - low);
    TTableChart::TAxis axis{title, FloorTo(low, step), CeilTo(high, step), {}};
    for (qint64 value = axis.Min; value <= axis.Max; value += step)
        axis.Ticks.append({value, GroupedNumberText(value)});
    return axis;
}

} // namespace

TTableChart::TTableChart()
{
    UpdateAxes();
}

void TTableChart::SetLines(const QStringList &Lines, int LineCount)
{
    m_lineCount = LineCount;
    m_segments.clear();
    std::optional<qint32> previous;
    bool inGap = true;
    for (int k = 0; k < LineCount; ++k) {
        const TLineValue line = ReadLineValue(Lines.value(k));
        if (line.Kind != TLineValue::Number) {
            inGap = true;
            continue;
        }
        if (inGap)
            m_segments.emplaceBack();
        inGap = false;
        m_segments.last().append(
            TPoint{k, qint64(k) * TankTable::HeightStep, line.Value, previous && line.Value <= *previous});
        previous = line.Value;
    }
    UpdateAxes();
}

void TTableChart::SetMarkedLine(int Line)
{
    m_markedLine = Line;
}

qint64 TTableChart::MarkedHeight() const
{
    return qint64(m_markedLine) * TankTable::HeightStep;
}

std::optional<TTableChart::TPoint> TTableChart::MarkedPoint() const
{
    for (const QList<TPoint> &segment : m_segments) {
        for (const TPoint &point : segment) {
            if (point.Line == m_markedLine)
                return point;
        }
    }
    return std::nullopt;
}

// The height axis spans every line of the table, so that a gap at either
// end shows; the volume axis starts at 0 or below.
void TTableChart::UpdateAxes()
{
    const qint64 lastHeight = qint64(qMax(m_lineCount - 1, 1)) * TankTable::HeightStep;
    m_heightAxis = Axis(QStringLiteral("Высота, мм"), 0, lastHeight);

    qint64 low = 0;
    qint64 high = 0;
    for (const QList<TPoint> &segment : std::as_const(m_segments)) {
        for (const TPoint &point : segment) {
            low = qMin<qint64>(low, point.Volume);
            high = qMax<qint64>(high, point.Volume);
        }
    }
    m_volumeAxis = Axis(QStringLiteral("Объём, л"), low, qMax(high, low + 1));
}
