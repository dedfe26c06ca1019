// Checks of what a write left on the controller: the written bytes are read
// back and compared, and a difference fails in the words of the pages.
#pragma once

#include "StationComparison.h"

#include <QByteArray>

class TExchange;
struct TankTable;

namespace Verification {

using TSides = TStationDifference::TSides;

// Reads "config" back after Written was written into it, and
// ExpectConfig(). Throws TError, also of the read.
void CheckConfig(TExchange &Exchange, const QByteArray &Written, const TSides &Sides);

// Reads the block of Written.TankNo back, and ExpectTable().
void CheckTable(TExchange &Exchange, const TankTable &Written, const TSides &Sides);

// Held is what the controller holds of "config" after Written was written
// into it. Throws TError listing each member that differs
// (StationComparison), or "Конфигурация повреждена" when Held is short.
void ExpectConfig(const QByteArray &Written, const QByteArray &Held, const TSides &Sides);

// The same for the block of tank TankNo: throws TError naming the heights
// whose volumes differ.
void ExpectTable(int TankNo, const QByteArray &Written, const QByteArray &Held, const TSides &Sides);

// Reads Written back from Offset of the controller file Name, which has no
// fields. Throws TError naming each run of bytes that differs.
void CheckFile(TExchange &Exchange, const QByteArray &Name, qint32 Offset, const QByteArray &Written);

} // namespace Verification
