#include "ConfigDataSets.h"

#include "ConfigDataSet.h"
#include "ConfigSchema.h"
#include "DataSetField.h"
#include "PickList.h"
#include "TerminalConfig.h"

#include <array>
#include <string_view>

namespace {

// A grid column: the member of the row's record that it shows, none for a
// slot number or a calculated column, and its field.
struct TColumn
{
    std::string_view member;
    TDataSetField field;
};

template<std::size_t Count>
using TColumns = std::array<TColumn, Count>;

constexpr TColumn CheckColumn()
{
    return {"active", {.title = u" ", .name = u"Активен", .kind = TDataSetField::Check, .width = 20}};
}

constexpr TColumn NumberColumn(std::string_view member, QStringView title, int width)
{
    return {member, {.title = title, .kind = TDataSetField::Number, .width = width}};
}

constexpr TColumn ChoiceColumn(std::string_view member, QStringView title, int width,
                               const TPickList &(*list)())
{
    return {member, {.title = title, .kind = TDataSetField::Choice, .width = width, .pickList = list}};
}

// The number of the row's slot: set by the program, never by the user.
constexpr TColumn SlotNumberColumn(QStringView title, int width)
{
    return {{}, {.title = title, .kind = TDataSetField::Number, .width = width, .readOnly = true}};
}

constexpr TColumn CalculatedColumn(QStringView title, int width, QStringView text)
{
    return {{}, {.title = title, .kind = TDataSetField::Calculated, .width = width, .calculatedText = text}};
}

constexpr auto kTankColumns = [] {
    TColumns<TankColumn::Count> c{};
    c[TankColumn::Active] = CheckColumn();
    c[TankColumn::No] = SlotNumberColumn(u"#", 20);
    c[TankColumn::FuelCode] = NumberColumn("fuel_code", u"Код топлива", 75);
    c[TankColumn::Hmin] = NumberColumn("hmin", u"Hmin", 40);
    c[TankColumn::Hmax] = NumberColumn("hmax", u"Hmax", 40);
    c[TankColumn::AdapterType] = ChoiceColumn("adapter_type", u"Уровнемер|Тип", 105, &TPickList::LevelGaugeTypes);
    c[TankColumn::AdapterComportNo] = ChoiceColumn("adapter_comport_no", u"Уровнемер|Порт", 71, &TPickList::Ports);
    c[TankColumn::AdapterAdr] = NumberColumn("adapter_adr", u"Уровнемер|Адрес", 40);
    c[TankColumn::AdapterH0] = NumberColumn("adapter_h0", u"Уровнемер|H0", 40);
    c[TankColumn::Table] = CalculatedColumn(u"Град. табл.", 80, u"<таблица>");
    return c;
}();

constexpr auto kPumpColumns = [] {
    TColumns<PumpColumn::Count> c{};
    c[PumpColumn::Active] = CheckColumn();
    c[PumpColumn::No] = SlotNumberColumn(u"#", 20);
    c[PumpColumn::AdapterType] = ChoiceColumn("adapter_type", u"Контроллер|Тип", 81, &TPickList::PumpControllerTypes);
    c[PumpColumn::AdapterComportNo] = ChoiceColumn("adapter_comport_no", u"Контроллер|Порт", 0, &TPickList::Ports);
    c[PumpColumn::AdapterAdr] = NumberColumn("adapter_adr", u"Контроллер|Адрес", 40);
    return c;
}();

constexpr auto kNozzleColumns = [] {
    TColumns<NozzleColumn::Count> c{};
    c[NozzleColumn::Active] = CheckColumn();
    c[NozzleColumn::PumpNo] = SlotNumberColumn(u"ТРК", 27);
    c[NozzleColumn::NozzNo] = SlotNumberColumn(u"#", 20);
    c[NozzleColumn::TankNo] = NumberColumn("tank_no", u"Резервуар", 81);
    return c;
}();

} // namespace

// Not constexpr: reached while the compiler binds the columns, they stop the build.
namespace ConfigDataSets::Checks {
void ColumnWithoutTitle();
void BlankColumnWithoutName();
void ColumnOnAMemberThatIsNoNumber();
void NumberMemberNotShownOnce();
}

namespace {

template<typename Record>
using TBound = ConfigSchema::TNumberAccess<Record>;

// The member of Record that each column shows, empty for the others. Every
// integer member of Record has exactly one column: storing a row then sets
// every member of its slot.
template<typename Record, std::size_t Count>
consteval std::array<TBound<Record>, Count> Bind(const TColumns<Count> &columns)
{
    using namespace ConfigDataSets::Checks;
    constexpr auto &access = ConfigSchema::NumberAccess<Record>;
    std::array<TBound<Record>, Count> bound{};
    std::array<int, ConfigSchema::MemberCount<Record>> shown{};
    for (std::size_t c = 0; c < Count; ++c) {
        if (columns[c].field.title.isNull())
            ColumnWithoutTitle();
        if (columns[c].member.empty())
            continue;
        // Reports name a member by its column.
        if (columns[c].field.BlankTitle() && columns[c].field.name.isEmpty())
            BlankColumnWithoutName();
        const std::size_t member = ConfigSchema::IndexOf<Record>(columns[c].member);
        if (!access[member].number)
            ColumnOnAMemberThatIsNoNumber();
        bound[c] = access[member];
        ++shown[member];
    }
    for (std::size_t member = 0; member < access.size(); ++member) {
        if (access[member].number && shown[member] != 1)
            NumberMemberNotShownOnce();
    }
    return bound;
}

constexpr auto kTankBound = Bind<TTankConfig>(kTankColumns);
constexpr auto kPumpBound = Bind<TPumpConfig>(kPumpColumns);
constexpr auto kNozzleBound = Bind<TNozzleConfig>(kNozzleColumns);

// The columns of the grid that shows records like the one pointed to.
constexpr const auto &ColumnsOf(const TTankConfig *) { return kTankColumns; }
constexpr const auto &ColumnsOf(const TPumpConfig *) { return kPumpColumns; }
constexpr const auto &ColumnsOf(const TNozzleConfig *) { return kNozzleColumns; }

template<std::size_t Count>
QList<TDataSetField> Fields(const TColumns<Count> &columns)
{
    QList<TDataSetField> fields;
    for (const TColumn &column : columns)
        fields << column.field;
    return fields;
}

template<typename Record, std::size_t Count>
void FillRow(TConfigDataSet &set, int row, const Record &record, const std::array<TBound<Record>, Count> &bound)
{
    for (std::size_t c = 0; c < Count; ++c) {
        if (bound[c].number)
            set.SetValue(row, int(c), bound[c].get(record));
    }
}

template<typename Record, std::size_t Count>
void StoreRow(const TConfigDataSet &set, int row, Record &record, const std::array<TBound<Record>, Count> &bound)
{
    for (std::size_t c = 0; c < Count; ++c) {
        if (bound[c].number)
            bound[c].set(record, set.Value(row, int(c)));
    }
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
    return Fields(kTankColumns);
}

QList<TDataSetField> PumpFields()
{
    return Fields(kPumpColumns);
}

QList<TDataSetField> NozzleFields()
{
    return Fields(kNozzleColumns);
}

template<typename Record>
const TDataSetField *MemberField(std::string_view Member)
{
    for (const TColumn &column : ColumnsOf(static_cast<const Record *>(nullptr))) {
        if (!column.member.empty() && column.member == Member)
            return &column.field;
    }
    return nullptr;
}

template const TDataSetField *MemberField<TTankConfig>(std::string_view);
template const TDataSetField *MemberField<TPumpConfig>(std::string_view);
template const TDataSetField *MemberField<TNozzleConfig>(std::string_view);

void Fill(const TTerminalConfig &Config, TConfigDataSet &Tanks, TConfigDataSet &Pumps,
          TConfigDataSet &Nozzles)
{
    for (int i = 0; i < TTerminalConfig::TankCount; ++i) {
        const int row = Tanks.Append();
        Tanks.SetValue(row, TankColumn::No, i + 1);
        FillRow(Tanks, row, Config.tanks[i], kTankBound);
    }
    for (int j = 0; j < TTerminalConfig::PumpCount; ++j) {
        const TPumpConfig &pump = Config.pumps[j];
        const int row = Pumps.Append();
        Pumps.SetValue(row, PumpColumn::No, j + 1);
        FillRow(Pumps, row, pump, kPumpBound);
        for (int k = 0; k < TPumpConfig::NozzleCount; ++k) {
            const int nozzleRow = Nozzles.Append();
            Nozzles.SetValue(nozzleRow, NozzleColumn::PumpNo, j + 1);
            Nozzles.SetValue(nozzleRow, NozzleColumn::NozzNo, k + 1);
            FillRow(Nozzles, nozzleRow, pump.nozzles[k], kNozzleBound);
        }
    }
}

void Store(const TConfigDataSet &Tanks, const TConfigDataSet &Pumps,
           const TConfigDataSet &Nozzles, TTerminalConfig &Config)
{
    for (int row = 0; row < Tanks.rowCount(); ++row) {
        if (TTankConfig *tank = SlotOf(Config.tanks, Tanks.Value(row, TankColumn::No)))
            StoreRow(Tanks, row, *tank, kTankBound);
    }
    for (int row = 0; row < Pumps.rowCount(); ++row) {
        if (TPumpConfig *pump = SlotOf(Config.pumps, Pumps.Value(row, PumpColumn::No)))
            StoreRow(Pumps, row, *pump, kPumpBound);
    }
    for (int row = 0; row < Nozzles.rowCount(); ++row) {
        TPumpConfig *pump = SlotOf(Config.pumps, Nozzles.Value(row, NozzleColumn::PumpNo));
        TNozzleConfig *nozzle = pump ? SlotOf(pump->nozzles, Nozzles.Value(row, NozzleColumn::NozzNo)) : nullptr;
        if (nozzle)
            StoreRow(Nozzles, row, *nozzle, kNozzleBound);
    }
}

} // namespace ConfigDataSets
