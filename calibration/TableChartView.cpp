#include "TableChartView.h"

#include "ErrorMark.h"
#include "TableChart.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kGap = 6;           // between labels, ticks and the plot
constexpr qreal kPointRadius = 3; // of a falling point
constexpr qreal kMarkRadius = 7;  // of the ring round the marked point
const QColor kCurveColor(0, 70, 160);
const QColor kGridColor(220, 220, 220);

// Places axis values in the plot rectangle.
class TPlotMapping
{
public:
    TPlotMapping(const QRectF &plot, const TTableChart &chart)
        : m_plot(plot), m_height(chart.HeightAxis()), m_volume(chart.VolumeAxis())
    {
    }

    qreal X(qint64 height) const
    {
        return m_plot.left() + m_plot.width() * qreal(height - m_height.Min) / qreal(m_height.Max - m_height.Min);
    }

    qreal Y(qint64 volume) const
    {
        return m_plot.bottom() - m_plot.height() * qreal(volume - m_volume.Min) / qreal(m_volume.Max - m_volume.Min);
    }

    QPointF At(const TTableChart::TPoint &point) const { return {X(point.Height), Y(point.Volume)}; }

private:
    QRectF m_plot;
    const TTableChart::TAxis &m_height;
    const TTableChart::TAxis &m_volume;
};

} // namespace

TTableChartView::TTableChartView(const TTableChart &Chart, QWidget *parent)
    : QWidget(parent), m_chart(Chart)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TTableChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = fontMetrics();
    const TTableChart::TAxis &heightAxis = m_chart.HeightAxis();
    const TTableChart::TAxis &volumeAxis = m_chart.VolumeAxis();

    int labelWidth = 0;
    for (const TTableChart::TTick &tick : volumeAxis.Ticks)
        labelWidth = qMax(labelWidth, metrics.horizontalAdvance(tick.Label));
    const int lastLabelWidth = metrics.horizontalAdvance(heightAxis.Ticks.last().Label);
    const QRectF plot = QRectF(rect()).adjusted(kGap + labelWidth + kGap, kGap + metrics.height() + kGap,
                                               -(kGap + lastLabelWidth / 2), -(kGap + 2 * metrics.height() + kGap));
    if (plot.width() <= 0 || plot.height() <= 0)
        return;
    const TPlotMapping map(plot, m_chart);
    const QColor textColor = palette().color(QPalette::Text);

    // Grid, tick labels and axis titles.
    for (const TTableChart::TTick &tick : heightAxis.Ticks) {
        const qreal x = map.X(tick.Value);
        painter.setPen(kGridColor);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(textColor);
        const QRectF label(x - plot.width(), plot.bottom() + kGap, 2 * plot.width(), metrics.height());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, tick.Label);
    }
    for (const TTableChart::TTick &tick : volumeAxis.Ticks) {
        const qreal y = map.Y(tick.Value);
        painter.setPen(kGridColor);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(textColor);
        const QRectF label(kGap, y - metrics.height(), labelWidth, 2 * metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, tick.Label);
    }
    painter.setPen(textColor);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawText(QRectF(plot.left(), plot.bottom() + kGap + metrics.height(), plot.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, heightAxis.Title);
    painter.drawText(QRectF(kGap, kGap, width() - 2 * kGap, metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                     volumeAxis.Title);

    // The curve, one path per run of lines with a value; a lone point is a dot.
    painter.setPen(QPen(kCurveColor, 1.5));
    painter.setBrush(kCurveColor);
    for (const QList<TTableChart::TPoint> &segment : m_chart.Segments()) {
        if (segment.size() == 1) {
            painter.drawEllipse(map.At(segment.first()), kPointRadius / 2, kPointRadius / 2);
            continue;
        }
        QPainterPath path(map.At(segment.first()));
        for (const TTableChart::TPoint &point : segment)
            path.lineTo(map.At(point));
        painter.strokePath(path, painter.pen());
    }

    const QColor errorColor(kErrorMarkBackground);
    painter.setPen(Qt::NoPen);
    painter.setBrush(errorColor);
    for (const QList<TTableChart::TPoint> &segment : m_chart.Segments()) {
        for (const TTableChart::TPoint &point : segment) {
            if (point.Falling)
                painter.drawEllipse(map.At(point), kPointRadius, kPointRadius);
        }
    }

    // The line a failed check stopped at: its height, and its point if it has one.
    if (m_chart.MarkedLine() >= 0) {
        const qreal x = map.X(m_chart.MarkedHeight());
        painter.setPen(QPen(errorColor, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        if (const auto point = m_chart.MarkedPoint()) {
            painter.setPen(QPen(errorColor, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(map.At(*point), kMarkRadius, kMarkRadius);
        }
    }
}
