// The calibration dialog's chart: paints a TTableChart.
#pragma once

#include <QWidget>

class TTableChart;

class TTableChartView : public QWidget
{
    Q_OBJECT

public:
    TTableChartView(const TTableChart &Chart, QWidget *parent);

    const TTableChart &Chart() const { return m_chart; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const TTableChart &m_chart;
};
