#include "NozzleFilter.h"

#include "ConfigDataSet.h"
#include "ConfigDataSets.h"

void TNozzleFilter::SetPumpNo(int PumpNo)
{
    if (PumpNo == m_pumpNo)
        return;
    m_pumpNo = PumpNo;
    invalidateFilter();
}

bool TNozzleFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const auto *nozzles = qobject_cast<const TConfigDataSet *>(sourceModel());
    if (!nozzles || sourceParent.isValid())
        return false;
    return m_pumpNo != 0 && nozzles->Value(sourceRow, NozzleColumn::PumpNo) == m_pumpNo;
}
