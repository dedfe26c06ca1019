// An in-memory table of integer rows behind a configuration grid.
//
// Each cell holds an integer or nothing (an emptied cell, read as 0). Rows
// are added by the program only; the user edits the cells of the columns
// that are not read-only.
#pragma once

#include "DataSetField.h"

#include <QAbstractTableModel>
#include <QList>
#include <QVariant>

class TConfigDataSet : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TConfigDataSet(QList<TDataSetField> Fields, QObject *parent = nullptr);

    const TDataSetField &Field(int Column) const { return m_fields.at(Column); }

    // Appends a row of empty cells and returns its number.
    int Append();
    // Deletes every row.
    void Clear();

    // The cell's value, 0 when empty.
    qint32 Value(int Row, int Column) const;
    void SetValue(int Row, int Column, qint32 Value);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // A view changed a cell through setData(), the user's way in; Append()
    // and SetValue(), the program's, do not emit it.
    void cellEdited(const QModelIndex &index);

private:
    QList<TDataSetField> m_fields;
    QList<QList<QVariant>> m_rows; // a null QVariant is an empty cell
};
