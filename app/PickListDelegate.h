// The cell editor of a pick-list column: a drop-down of the list's texts
// that stores the chosen entry's key.
#pragma once

#include <QStyledItemDelegate>

class TPickList;

class TPickListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    TPickListDelegate(const TPickList &list, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    const TPickList &m_list;
};
