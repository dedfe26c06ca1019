// Paints its cells on the button-face colour of the palette.
#pragma once

#include <QStyledItemDelegate>

class TButtonFaceDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
