// A station's backup as one JSON document:
//   {"config": {...}, "tables": {"1": [400 numbers], ...}}
#pragma once

#include "calibration/TankTable.h"
#include "config/TerminalConfig.h"

#include <QJsonObject>

namespace Backup {

// The tanks whose tables a backup holds.
constexpr int FirstTank = 1;
constexpr int LastTank = TTerminalConfig::TankCount;

// The configuration and the loaded tables.
QJsonObject ToJson(const TTerminalConfig &Config, const TTankTables &Tables);

// The configuration, and every table present in the document as a Modified
// slot, ready to be written back. Throws TInputError naming the field.
void FromJson(const QJsonObject &Document, TTerminalConfig &Config, TTankTables &Tables);

} // namespace Backup
