// A station's backup as one JSON document:
//   {"config": {..., "image": "<hex>"}, "tables": {"1": [400 numbers], ...}}
#pragma once

#include "calibration/TankTable.h"
#include "config/TerminalConfig.h"

#include <QByteArray>
#include <QJsonObject>

namespace Backup {

// The tanks whose tables a backup holds.
constexpr int FirstTank = 1;
constexpr int LastTank = TTerminalConfig::TankCount;

// The configuration image as read, with its members, and the loaded tables.
QJsonObject ToJson(const QByteArray &ConfigImage, const TTankTables &Tables);

// The bytes to write into "config" (ConfigJson::ImageFromJson), and every
// table present in the document as a Modified slot, ready to be written
// back. Throws TInputError naming the field.
void FromJson(const QJsonObject &Document, QByteArray &ConfigImage, TTankTables &Tables);

} // namespace Backup
