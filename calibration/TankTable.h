// The in-memory calibration tables: one slot per tank.
#pragma once

#include <QtGlobal>

#include <array>

// One tank's calibration table: the volume at every 10 units of height.
struct TankTable
{
    static constexpr int EntryCount = 400;
    static constexpr int HeightStep = 10; // entry k is the volume at HeightStep·k

    qint32 TankNo = 0;     // 1..16, slot index + 1
    bool Loaded = false;   // read from the controller since the last reset
    bool Modified = false; // edited and not yet written back
    qint32 HMax = 0;       // the tank's "hmax", copied before each edit
    std::array<qint32, EntryCount> Volumes{}; // entry k: volume at height 10·k
};

// The sixteen slots; slot i holds tank i + 1.
class TTankTables
{
public:
    static constexpr int Count = 16;

    TTankTables() { Reset(); }

    // Numbers the slots and empties them; HMax keeps its value.
    void Reset();

    TankTable &operator[](int index) { return m_slots[index]; }
    const TankTable &operator[](int index) const { return m_slots[index]; }

    // The slot of tank TankNo, or nullptr when there is none.
    TankTable *ForTank(int TankNo);

    auto begin() { return m_slots.begin(); }
    auto end() { return m_slots.end(); }

private:
    std::array<TankTable, Count> m_slots;
};
