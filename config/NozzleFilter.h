// The nozzle rows of one dispenser: the detail view of dsNozz.
#pragma once

#include <QSortFilterProxyModel>

class TNozzleFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // Shows the rows whose pump_no is PumpNo; 0 shows none.
    void SetPumpNo(int PumpNo);
    int PumpNo() const { return m_pumpNo; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    int m_pumpNo = 0;
};
