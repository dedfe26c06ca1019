// The three data sets of the tank, dispenser and nozzle grids and their
// exchange with the configuration.
//
// A column shows a member of the row's record, bound to it through the
// configuration's schema when the program is built; or the row's slot
// number (tank and dispenser "no", nozzle "pump_no" and "nozz_no"), which,
// not the row's position, decides the configuration slot that the row
// fills; or, in the tank grid, the calculated table column "tbl".
#pragma once

#include <QList>

#include <string_view>

class TConfigDataSet;
class TTerminalConfig;
struct TDataSetField;

// The columns of dsTank, in grid order.
namespace TankColumn {
enum Column : int {
    Active,
    No,
    FuelCode,
    Hmin,
    Hmax,
    AdapterType,
    AdapterComportNo,
    AdapterAdr,
    AdapterH0,
    Table,
    Count
};
}

// The columns of dsPump, in grid order.
namespace PumpColumn {
enum Column : int { Active, No, AdapterType, AdapterComportNo, AdapterAdr, Count };
}

// The columns of dsNozz, in grid order.
namespace NozzleColumn {
enum Column : int { Active, PumpNo, NozzNo, TankNo, Count };
}

namespace ConfigDataSets {

QList<TDataSetField> TankFields();
QList<TDataSetField> PumpFields();
QList<TDataSetField> NozzleFields();

// The field of the grid column that shows member Member of a tank's, a
// dispenser's or a nozzle's record; nullptr when no column shows it.
template<typename Record>
const TDataSetField *MemberField(std::string_view Member);

// Appends 6 tank rows, 4 dispenser rows and 16 nozzle rows from Config.
void Fill(const TTerminalConfig &Config, TConfigDataSet &Tanks, TConfigDataSet &Pumps,
          TConfigDataSet &Nozzles);

// Stores every row into its slot of Config, each value by its low 8 or 16
// bits. Slots without a row keep their values.
void Store(const TConfigDataSet &Tanks, const TConfigDataSet &Pumps,
           const TConfigDataSet &Nozzles, TTerminalConfig &Config);

} // namespace ConfigDataSets
