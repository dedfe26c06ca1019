#include "ButtonFaceDelegate.h"

void TButtonFaceDelegate::initStyleOption(QStyleOptionViewItem *option,
                                          const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->backgroundBrush = option->palette.button();
}
