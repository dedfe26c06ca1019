#include "GridHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace {
constexpr QChar kLevelSeparator = u'|';
}

TGridHeader::TGridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
}

QString TGridHeader::Title(int logicalIndex) const
{
    return model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
}

QString TGridHeader::OwnPart(int logicalIndex) const
{
    return Title(logicalIndex).section(kLevelSeparator, -1);
}

QString TGridHeader::TopOf(int logicalIndex) const
{
    const QString title = Title(logicalIndex);
    const qsizetype separator = title.indexOf(kLevelSeparator);
    return separator < 0 ? QString() : title.left(separator);
}

bool TGridHeader::HasTwoLevels() const
{
    for (int i = 0; i < count(); ++i) {
        if (Title(i).contains(kLevelSeparator))
            return true;
    }
    return false;
}

QSize TGridHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    size.setWidth(WidthFor(OwnPart(logicalIndex)));
    if (HasTwoLevels())
        size.setHeight(2 * size.height());
    return size;
}

int TGridHeader::WidthFor(const QString &text) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.text = text;
    // Centred on its advance, the text reaches out by a glyph's bearing on
    // either side (the left foot of an "А"), and the style cuts it at its
    // margins.
    const QFontMetrics metrics = fontMetrics();
    const int advance = metrics.horizontalAdvance(text);
    const QRect ink = metrics.boundingRect(text);
    const int overhang = qMax(0, qMax(-ink.left(), ink.right() + 1 - advance));
    const QSize textSize(advance + 2 * overhang, metrics.height());
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, textSize, this).width();
}

void TGridHeader::FitSectionsToTitles()
{
    for (int visual = 0; visual < count(); ++visual) {
        const int section = logicalIndex(visual);
        resizeSection(section, qMax(sectionSize(section), WidthFor(OwnPart(section))));
    }
    for (int first = 0; first < count();) {
        const QString top = TopOf(logicalIndex(first));
        int last = first;
        int width = sectionSize(logicalIndex(first));
        while (!top.isNull() && last + 1 < count() && TopOf(logicalIndex(last + 1)) == top)
            width += sectionSize(logicalIndex(++last));
        const int lacking = top.isNull() ? 0 : WidthFor(top) - width;
        if (lacking > 0)
            resizeSection(logicalIndex(last), sectionSize(logicalIndex(last)) + lacking);
        first = last + 1;
    }
}

void TGridHeader::PaintCell(QPainter *painter, const QRect &rect, int logicalIndex,
                            const QString &text) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    option.text = text;
    option.textAlignment = Qt::AlignCenter;
    option.position = QStyleOptionHeader::Middle;
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
}

void TGridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    const QString title = Title(logicalIndex);
    const qsizetype separator = title.indexOf(kLevelSeparator);
    if (separator < 0) {
        PaintCell(painter, rect, logicalIndex, title);
        return;
    }

    const QString top = title.left(separator);
    const int topHeight = rect.height() / 2;
    PaintCell(painter, rect.adjusted(0, topHeight, 0, 0), logicalIndex, title.mid(separator + 1));

    // The top part spans the run of neighbours sharing it; each section
    // paints its own slice of that span.
    int first = visualIndex(logicalIndex);
    int last = first;
    while (first > 0 && TopOf(this->logicalIndex(first - 1)) == top)
        --first;
    while (last + 1 < count() && TopOf(this->logicalIndex(last + 1)) == top)
        ++last;
    const int left = sectionViewportPosition(this->logicalIndex(first));
    const int right = sectionViewportPosition(this->logicalIndex(last))
                      + sectionSize(this->logicalIndex(last));
    const QRect span(left, rect.top(), right - left, topHeight);

    painter->save();
    painter->setClipRect(rect, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    PaintCell(painter, span, logicalIndex, top);
    painter->restore();
}
