#include "StationTransfer.h"

#include "calibration/TankTableTransfer.h"
#include "config/ConfigTransfer.h"

TExchangePlan WriteStationPlan(const TTankTables &Tables)
{
    return WriteConfigPlan() + WriteBackPlan(Tables);
}

void WriteStation(TExchange &Exchange, const TTerminalConfig &Config, TTankTables &Tables)
{
    WriteConfig(Exchange, Config);
    WriteBackTankTables(Exchange, Tables);
}
