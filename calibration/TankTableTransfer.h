// Calibration tables on the controller: file "tanks.tbl", one block per tank
// (400 little-endian signed 32-bit entries), tank n at (n - 1) * BlockSize.
#pragma once

#include "TankTable.h"
#include "terminal/ExchangeScript.h"

#include <QByteArray>
#include <QString>

#include <functional>

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

// What the fetch of a table makes of an answer without data.
enum class TEmptyTable
{
    Zeros,  // no table there yet: a table of zeros
    Refused // DamagedText() of 0 bytes
};

// Reads the block of Table.TankNo into Volumes and sets Loaded. An answer
// without data reads as Empty says; part of a block is refused with
// DamagedText(). A failure (TError) leaves Table unchanged.
TExchangeScript FetchTankTableScript(TankTable &Table, TEmptyTable Empty = TEmptyTable::Zeros);

// What follows the write of a table's block in the write-back: a read-back
// and its check, say. It is added to the script for each table written.
using TAfterTableWrite = std::function<void(TExchangeScript &Script, const TankTable &Written)>;

// Writes the block of every Modified slot, as it is now, in slot order; then
// After's commands, if any; then clears the slot's Modified unless the slot
// was changed meanwhile. Stops at the first failure (TError, also of
// After's commands), which leaves that slot and all later ones marked.
TExchangeScript WriteBackScript(TTankTables &Tables, const TAfterTableWrite &After = {});
