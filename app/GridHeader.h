// A grid's column header with two-level titles.
//
// A title "Top|Bottom" is drawn in two rows: the bottom part over its own
// column, the top part once over all neighbouring columns that share it.
// Titles without "|" take both rows.
#pragma once

#include <QHeaderView>

class TGridHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit TGridHeader(QWidget *parent = nullptr);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QString Title(int logicalIndex) const;
    // The top part of a two-level title, null for a single-level one.
    QString TopOf(int logicalIndex) const;
    bool HasTwoLevels() const;
    void PaintCell(QPainter *painter, const QRect &rect, int logicalIndex,
                   const QString &text) const;
};
