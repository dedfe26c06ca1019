// A cell with an ellipsis button ("...") at its right edge. A disabled
// button is drawn so and ignores the mouse.
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

    void SetButtonEnabled(bool enabled) { m_buttonEnabled = enabled; }
    bool ButtonEnabled() const { return m_buttonEnabled; }

signals:
    void buttonClicked(const QModelIndex &index);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    bool m_buttonEnabled = true;
};
