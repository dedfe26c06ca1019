#include "TankTable.h"

void TTankTables::Reset()
{
    for (int i = 0; i < Count; ++i) {
        TankTable &slot = m_slots[i];
        slot.TankNo = i + 1;
        slot.Loaded = false;
        slot.Modified = false;
        slot.Volumes.fill(0);
    }
}

TankTable *TTankTables::ForTank(int TankNo)
{
    if (TankNo < 1 || TankNo > Count)
        return nullptr;
    return &m_slots[TankNo - 1];
}
