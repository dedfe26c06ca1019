// Checks of what a write left on the controller: the written bytes are read
// back and compared, and a difference fails in the words of the pages.
#pragma once

#include "StationComparison.h"
#include "terminal/ExchangeScript.h"

#include <QByteArray>

struct TankTable;

namespace Verification {

using TSides = TStationDifference::TSides;

// Reads "config" back after Written was written into it, and
// ExpectConfig(). Fails with TError, also of the read.
TExchangeScript ConfigCheck(const QByteArray &Written, const TSides &Sides);

// Reads the block of Written.TankNo back, as it is when the script is
// built, and ExpectTable().
TExchangeScript TableCheck(const TankTable &Written, const TSides &Sides);

// Held is what the controller holds of "config" after Written was written
// into it. Throws TError listing each member that differs
// (StationComparison), or "Конфигурация повреждена" when Held is short.
void ExpectConfig(const QByteArray &Written, const QByteArray &Held, const TSides &Sides);

// The same for the block of tank TankNo: throws TError naming the heights
// whose volumes differ.
void ExpectTable(int TankNo, const QByteArray &Written, const QByteArray &Held, const TSides &Sides);

// Reads Written back from Offset of the controller file Name, which has no
// fields. Fails with TError naming each run of bytes that differs.
TExchangeScript FileCheck(const QByteArray &Name, qint32 Offset, const QByteArray &Written);

} // namespace Verification
