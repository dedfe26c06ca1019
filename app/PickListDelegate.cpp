#include "PickListDelegate.h"

#include "config/PickList.h"

#include <QComboBox>

TPickListDelegate::TPickListDelegate(const TPickList &list, QObject *parent)
    : QStyledItemDelegate(parent), m_list(list)
{
}

QWidget *TPickListDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                         const QModelIndex &) const
{
    auto *editor = new QComboBox(parent);
    editor->setFrame(false);
    for (const TPickList::Entry &entry : m_list.Entries())
        editor->addItem(entry.text, entry.key);
    return editor;
}

void TPickListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QVariant key = index.data(Qt::EditRole);
    static_cast<QComboBox *>(editor)->setCurrentIndex(key.isNull() ? -1 : m_list.IndexOf(key.toInt()));
}

void TPickListDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    const auto *box = static_cast<QComboBox *>(editor);
    if (box->currentIndex() >= 0)
        model->setData(index, box->currentData());
}
