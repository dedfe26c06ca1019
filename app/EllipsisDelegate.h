// A cell with an ellipsis button ("...") at its right edge.
#pragma once

#include <QStyledItemDelegate>

class TEllipsisDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The button's place within a cell.
    static QRect ButtonRect(const QRect &cell);

signals:
    void buttonClicked(const QModelIndex &index);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};
