// Calibration tables on the controller: file "tanks.tbl", one block per tank
// (400 little-endian signed 32-bit entries), tank n at (n - 1) * BlockSize.
#pragma once

#include "TankTable.h"
#include "terminal/ExchangeStep.h"

#include <QByteArray>
#include <QString>

#include <functional>

class TExchange;

namespace TankTableFile {

inline constexpr char Name[] = "tanks.tbl";
inline constexpr qint32 EntrySize = 4;
inline constexpr qint32 BlockSize = TankTable::EntryCount * EntrySize;

// Where the block of tank TankNo (1..16) starts.
constexpr qint32 BlockOffset(int TankNo)
{
    return (TankNo - 1) * BlockSize;
}

// The block as the controller keeps it.
QByteArray BlockBytes(const TankTable &Table);

// Why a table read with only Received of its BlockSize bytes is refused.
QString DamagedText(int TankNo, qsizetype Received);

} // namespace TankTableFile

// What a fetch sends, and what the write-back of Tables' Modified slots.
TExchangePlan FetchTankTablePlan();
TExchangePlan WriteBackPlan(const TTankTables &Tables);

// Reads the block of Table.TankNo into Volumes and sets Loaded. An answer
// without data (no table there yet) reads as a table of zeros; part of a
// block is refused with DamagedText(). Returns the number of bytes the
// controller sent. Throws TError, leaving Table unchanged.
qsizetype FetchTankTable(TExchange &Exchange, TankTable &Table);

// Writes every Modified slot in slot order, clearing Modified after each;
// Written, when given, runs after each block is written, before its mark is
// cleared. Stops at the first failure (TError, also from Written), which
// leaves that slot and all later ones marked.
void WriteBackTankTables(TExchange &Exchange, TTankTables &Tables,
                         const std::function<void(const TankTable &)> &Written = {});
