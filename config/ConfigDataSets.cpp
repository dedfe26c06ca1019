#include "ConfigDataSets.h"

#include "ConfigDataSet.h"
#include "PickList.h"
#include "TerminalConfig.h"

namespace {

TDataSetField MakeField(const char *name, const QString &title, TDataSetField::Kind kind)
{
    TDataSetField field;
    field.name = name;
    field.title = title;
    field.kind = kind;
    return field;
}

TDataSetField CheckField()
{
    return MakeField("active", QStringLiteral(" "), TDataSetField::Check);
}

TDataSetField NumberField(const char *name, const QString &title)
{
    return MakeField(name, title, TDataSetField::Number);
}

// A number the program sets and the user cannot change.
TDataSetField NumberColumn(const char *name, const QString &title)
{
    TDataSetField field = NumberField(name, title);
    field.readOnly = true;
    return field;
}

TDataSetField ChoiceField(const char *name, const QString &title, const TPickList &list)
{
    TDataSetField field = MakeField(name, title, TDataSetField::Choice);
    field.pickList = &list;
    return field;
}

// The slot that a row's number names, or nullptr for a number out of range.
template<typename Slot, std::size_t Count>
Slot *SlotOf(std::array<Slot, Count> &items, qint32 number)
{
    return number >= 1 && number <= qint32(Count) ? &items[number - 1] : nullptr;
}

} // namespace

namespace ConfigDataSets {

QList<TDataSetField> TankFields()
{
    TDataSetField table = MakeField("tbl", QStringLiteral("Град. табл."), TDataSetField::Calculated);
    table.calculatedText = QStringLiteral("<таблица>");
    return {
        CheckField(),
        NumberColumn("no", QStringLiteral("#")),
        NumberField("fuel_code", QStringLiteral("Код топлива")),
        NumberField("hmin", QStringLiteral("Hmin")),
        NumberField("hmax", QStringLiteral("Hmax")),
        ChoiceField("adapter_type", QStringLiteral("Уровнемер|Тип"), TPickList::LevelGaugeTypes()),
        ChoiceField("adapter_comport_no", QStringLiteral("Уровнемер|Порт"), TPickList::Ports()),
        NumberField("adapter_adr", QStringLiteral("Уровнемер|Адрес")),
        NumberField("adapter_h0", QStringLiteral("Уровнемер|H0")),
        table,
    };
}

QList<TDataSetField> PumpFields()
{
    return {
        CheckField(),
        NumberColumn("no", QStringLiteral("#")),
        ChoiceField("adapter_type", QStringLiteral("Контроллер|Тип"),
                    TPickList::PumpControllerTypes()),
        ChoiceField("adapter_comport_no", QStringLiteral("Контроллер|Порт"), TPickList::Ports()),
        NumberField("adapter_adr", QStringLiteral("Контроллер|Адрес")),
    };
}

QList<TDataSetField> NozzleFields()
{
    return {
        CheckField(),
        NumberColumn("pump_no", QStringLiteral("ТРК")),
        NumberColumn("nozz_no", QStringLiteral("#")),
        NumberField("tank_no", QStringLiteral("Резервуар")),
    };
}

void Fill(const TTerminalConfig &Config, TConfigDataSet &Tanks, TConfigDataSet &Pumps,
          TConfigDataSet &Nozzles)
{
    for (int i = 0; i < TTerminalConfig::TankCount; ++i) {
        const TTankConfig &tank = Config.tanks[i];
        const int row = Tanks.Append();
        Tanks.SetValue(row, "no", i + 1);
        Tanks.SetValue(row, "active", tank.active);
        Tanks.SetValue(row, "fuel_code", tank.fuel_code);
        Tanks.SetValue(row, "hmin", tank.hmin);
        Tanks.SetValue(row, "hmax", tank.hmax);
        Tanks.SetValue(row, "adapter_type", tank.adapter_type);
        Tanks.SetValue(row, "adapter_comport_no", tank.adapter_comport_no);
        Tanks.SetValue(row, "adapter_adr", tank.adapter_adr);
        Tanks.SetValue(row, "adapter_h0", tank.adapter_h0);
    }
    for (int j = 0; j < TTerminalConfig::PumpCount; ++j) {
        const TPumpConfig &pump = Config.pumps[j];
        const int row = Pumps.Append();
        Pumps.SetValue(row, "no", j + 1);
        Pumps.SetValue(row, "active", pump.active);
        Pumps.SetValue(row, "adapter_type", pump.adapter_type);
        Pumps.SetValue(row, "adapter_comport_no", pump.adapter_comport_no);
        Pumps.SetValue(row, "adapter_adr", pump.adapter_adr);
        for (int k = 0; k < TPumpConfig::NozzleCount; ++k) {
            const int nozzleRow = Nozzles.Append();
            Nozzles.SetValue(nozzleRow, "pump_no", j + 1);
            Nozzles.SetValue(nozzleRow, "nozz_no", k + 1);
            Nozzles.SetValue(nozzleRow, "active", pump.nozzles[k].active);
            Nozzles.SetValue(nozzleRow, "tank_no", pump.nozzles[k].tank_no);
        }
    }
}

void Store(const TConfigDataSet &Tanks, const TConfigDataSet &Pumps,
           const TConfigDataSet &Nozzles, TTerminalConfig &Config)
{
    for (int row = 0; row < Tanks.rowCount(); ++row) {
        TTankConfig *tank = SlotOf(Config.tanks, Tanks.Value(row, "no"));
        if (!tank)
            continue;
        tank->active = quint8(Tanks.Value(row, "active"));
        tank->fuel_code = quint16(Tanks.Value(row, "fuel_code"));
        tank->hmin = qint16(Tanks.Value(row, "hmin"));
        tank->hmax = qint16(Tanks.Value(row, "hmax"));
        tank->adapter_type = quint8(Tanks.Value(row, "adapter_type"));
        tank->adapter_comport_no = quint8(Tanks.Value(row, "adapter_comport_no"));
        tank->adapter_adr = quint8(Tanks.Value(row, "adapter_adr"));
        tank->adapter_h0 = qint16(Tanks.Value(row, "adapter_h0"));
    }
    for (int row = 0; row < Pumps.rowCount(); ++row) {
        TPumpConfig *pump = SlotOf(Config.pumps, Pumps.Value(row, "no"));
        if (!pump)
            continue;
        pump->active = quint8(Pumps.Value(row, "active"));
        pump->adapter_type = quint8(Pumps.Value(row, "adapter_type"));
        pump->adapter_comport_no = quint8(Pumps.Value(row, "adapter_comport_no"));
        pump->adapter_adr = quint8(Pumps.Value(row, "adapter_adr"));
    }
    for (int row = 0; row < Nozzles.rowCount(); ++row) {
        TPumpConfig *pump = SlotOf(Config.pumps, Nozzles.Value(row, "pump_no"));
        TNozzleConfig *nozzle = pump ? SlotOf(pump->nozzles, Nozzles.Value(row, "nozz_no")) : nullptr;
        if (!nozzle)
            continue;
        nozzle->active = quint8(Nozzles.Value(row, "active"));
        nozzle->tank_no = quint8(Nozzles.Value(row, "tank_no"));
    }
}

} // namespace ConfigDataSets
