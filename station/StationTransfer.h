// A whole station written to the controller: the configuration image,
// "reload", then every changed calibration table.
#pragma once

#include "terminal/ExchangeStep.h"

class TExchange;
class TTankTables;
class TTerminalConfig;

// What WriteStation() sends for these tables.
TExchangePlan WriteStationPlan(const TTankTables &Tables);

// WriteConfig(), then WriteBackTankTables(). A failed configuration write
// leaves every table marked. Throws TError.
void WriteStation(TExchange &Exchange, const TTerminalConfig &Config, TTankTables &Tables);
