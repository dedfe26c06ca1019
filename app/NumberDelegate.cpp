#include "NumberDelegate.h"

#include <QIntValidator>
#include <QLineEdit>

QWidget *TNumberDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                       const QModelIndex &) const
{
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editor->setValidator(new QIntValidator(editor));
    return editor;
}

void TNumberDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QVariant value = index.data(Qt::EditRole);
    static_cast<QLineEdit *>(editor)->setText(value.isNull() ? QString() : value.toString());
}

void TNumberDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                   const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok)
        model->setData(index, value);
    else if (text.isEmpty() || text == u'-')
        model->setData(index, QVariant());
}
