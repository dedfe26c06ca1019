// The three data sets of the tank, dispenser and nozzle grids and their
// exchange with the configuration.
//
// A row's number fields (tank "no", dispenser "no", nozzle "pump_no" and
// "nozz_no"), not its position, decide which configuration slot it fills.
#pragma once

#include <QList>

class TConfigDataSet;
class TTerminalConfig;
struct TDataSetField;

namespace ConfigDataSets {

// dsTank: active, no, fuel_code, hmin, hmax, adapter_type,
// adapter_comport_no, adapter_adr, adapter_h0, and the calculated tbl.
QList<TDataSetField> TankFields();
// dsPump: active, no, adapter_type, adapter_comport_no, adapter_adr.
QList<TDataSetField> PumpFields();
// dsNozz: pump_no, nozz_no, active, tank_no.
QList<TDataSetField> NozzleFields();

// Appends 6 tank rows, 4 dispenser rows and 16 nozzle rows from Config.
void Fill(const TTerminalConfig &Config, TConfigDataSet &Tanks, TConfigDataSet &Pumps,
          TConfigDataSet &Nozzles);

// Stores every row into its slot of Config, each value by its low 8 or 16
// bits. Slots without a row keep their values.
void Store(const TConfigDataSet &Tanks, const TConfigDataSet &Pumps,
           const TConfigDataSet &Nozzles, TTerminalConfig &Config);

} // namespace ConfigDataSets
