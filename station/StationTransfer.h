// A station written to the controller: the configuration image, "reload",
// then every changed calibration table; each, when checked, read back and
// compared right after it is written, the configuration before "reload".
// The commands and whole blocks written stay those of an unchecked write;
// the read-backs come after them.
#pragma once

#include "StationComparison.h"
#include "terminal/ExchangeStep.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <optional>

class TExchange;
class TTankTables;

// How a write is checked: its bytes read back and compared, a difference
// reported with these names of the two sides ("в окне", "в контроллере");
// or, empty, not at all.
using TWriteCheck = std::optional<TStationDifference::TSides>;

// What WriteConfigImage() sends: the image's chunks, its read-back when
// checked, then "reload".
TExchangePlan WriteConfigImagePlan(bool Checked);
// Writes Image into "config", reads it back when checked, then runs
// "reload" and returns the controller's answer lines. A difference throws
// TError naming it (Verification::CheckConfig), before "reload".
QList<QByteArray> WriteConfigImage(TExchange &Exchange, const QByteArray &Image, const TWriteCheck &Check);

// What WriteTables() sends for these tables.
TExchangePlan WriteTablesPlan(const TTankTables &Tables, bool Checked);
// Writes every Modified table in slot order (WriteBackTankTables), each
// block read back when checked before its mark is cleared. The first
// failure, a difference included, throws TError and leaves that table and
// every later one marked.
void WriteTables(TExchange &Exchange, TTankTables &Tables, const TWriteCheck &Check);

// What WriteStation() sends for these tables.
TExchangePlan WriteStationPlan(const TTankTables &Tables, bool Checked);
// WriteConfigImage(), Reloaded given the answer to "reload", then
// WriteTables(). A failed configuration leaves every table marked. Throws
// TError.
void WriteStation(TExchange &Exchange, const QByteArray &ConfigImage, TTankTables &Tables, const TWriteCheck &Check,
                  const std::function<void(const QList<QByteArray> &)> &Reloaded = {});
