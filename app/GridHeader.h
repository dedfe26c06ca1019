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

    // Widens the sections whose titles do not fit them: a section to its
    // own title (the bottom part of a two-level one), the last section of a
    // run sharing a top part by what that part lacks.
    void FitSectionsToTitles();

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QString Title(int logicalIndex) const;
    // The part of the title drawn over this section alone.
    QString OwnPart(int logicalIndex) const;
    // The width a text needs in a section, margins included.
    int WidthFor(const QString &text) const;
    // The top part of a two-level title, null for a single-level one.
    QString TopOf(int logicalIndex) const;
    bool HasTwoLevels() const;
    void PaintCell(QPainter *painter, const QRect &rect, int logicalIndex,
                   const QString &text) const;
};
