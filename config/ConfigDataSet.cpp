#include "ConfigDataSet.h"

#include "PickList.h"

TConfigDataSet::TConfigDataSet(QList<TDataSetField> Fields, QObject *parent)
    : QAbstractTableModel(parent), m_fields(std::move(Fields))
{
}

int TConfigDataSet::Append()
{
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append(QList<QVariant>(m_fields.size()));
    endInsertRows();
    return row;
}

void TConfigDataSet::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

qint32 TConfigDataSet::Value(int Row, int Column) const
{
    return m_rows.at(Row).at(Column).toInt();
}

void TConfigDataSet::SetValue(int Row, int Column, qint32 Value)
{
    m_rows[Row][Column] = Value;
    const QModelIndex changed = index(Row, Column);
    emit dataChanged(changed, changed);
}

int TConfigDataSet::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TConfigDataSet::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant TConfigDataSet::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const TDataSetField &field = m_fields.at(index.column());
    const QVariant &cell = m_rows.at(index.row()).at(index.column());

    switch (field.kind) {
    case TDataSetField::Calculated:
        return role == Qt::DisplayRole ? QVariant(field.calculatedText.toString()) : QVariant();
    case TDataSetField::Check:
        if (role == Qt::CheckStateRole)
            return cell.toInt() == 1 ? Qt::Checked : Qt::Unchecked;
        return role == Qt::EditRole ? cell : QVariant();
    case TDataSetField::Choice:
        if (role == Qt::DisplayRole)
            return cell.isNull() ? QVariant() : QVariant(field.pickList().Text(cell.toInt()));
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return role == Qt::EditRole ? cell : QVariant();
    case TDataSetField::Number:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return cell;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    return {};
}

bool TConfigDataSet::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const TDataSetField &field = m_fields.at(index.column());
    if (field.readOnly || field.kind == TDataSetField::Calculated)
        return false;

    QVariant cell;
    if (field.kind == TDataSetField::Check && role == Qt::CheckStateRole) {
        cell = value.value<Qt::CheckState>() == Qt::Checked ? 1 : 0;
    } else if (role == Qt::EditRole) {
        // An empty or unreadable entry empties the cell.
        bool ok = false;
        const int number = value.toInt(&ok);
        if (ok)
            cell = number;
    } else {
        return false;
    }
    QVariant &held = m_rows[index.row()][index.column()];
    if (held == cell)
        return true; // an editor closed on the value it was given
    held = cell;
    emit dataChanged(index, index);
    emit cellEdited(index);
    return true;
}

Qt::ItemFlags TConfigDataSet::flags(const QModelIndex &index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    const TDataSetField &field = m_fields.at(index.column());
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (field.readOnly || field.kind == TDataSetField::Calculated)
        return result;
    return result | (field.kind == TDataSetField::Check ? Qt::ItemIsUserCheckable
                                                        : Qt::ItemIsEditable);
}

QVariant TConfigDataSet::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_fields.size())
        return {};
    return m_fields.at(section).title.toString();
}
