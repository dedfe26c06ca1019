#include "StationComparison.h"

#include "StationImage.h"
#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"
#include "config/ConfigDataSets.h"
#include "config/ConfigImage.h"
#include "config/ConfigPresentation.h"
#include "config/ConfigSchema.h"
#include "config/TerminalConfig.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <type_traits>

namespace {

using ConfigSchema::TNumber;
using ConfigSchema::TSlots;
using ConfigSchema::TText;

// Runs of a table shown in full; the others are counted.
constexpr int kRunsShown = 4;

const QString kNoData = QStringLiteral("нет данных");

// Walks two decoded configurations member by member, noting each member
// whose value differs and the image bytes it covers.
class TConfigWalk
{
public:
    QList<TStationDifference> differences;
    std::array<bool, ConfigImage::Size> shown{}; // bytes of the members listed

    template<typename Record>
    void Walk(const Record &ours, const Record &theirs, qsizetype base, const QString &place, int page)
    {
        ConfigSchema::ForEachMember<Record>([&](const auto &member) {
            const auto &our = ours.*member.member;
            const auto &their = theirs.*member.member;
            using Member = std::remove_cvref_t<decltype(member)>;
            if constexpr (ConfigSchema::IsSlots<Member>) {
                const int slotPage = std::is_same_v<Record, TTerminalConfig> ? SlotPage(member.name) : page;
                for (std::size_t i = 0; i < Member::count; ++i) {
                    const QString slot = ConfigPresentation::SlotPlace(place, member.name, int(i) + 1);
                    Walk(our[i], their[i], base + member.offset + member.stride * qsizetype(i), slot, slotPage);
                }
            } else if (our != their) {
                Note(Place<Record>(member.name, place), page, ours, theirs, member, base);
            }
        });
    }

private:
    static int SlotPage(std::string_view member)
    {
        for (const ConfigPresentation::TSlotName &slot : ConfigPresentation::Slots) {
            if (slot.member == member)
                return slot.page;
        }
        return ConfigPage::Count;
    }

    template<typename Record>
    static QString Place(std::string_view member, const QString &place)
    {
        if constexpr (std::is_same_v<Record, TTerminalConfig>)
            return ConfigPresentation::FieldPlace(member);
        else
            return ConfigPresentation::Joined(place, ConfigPresentation::ColumnName(*ConfigDataSets::MemberField<Record>(member)));
    }

    template<typename Record, typename T>
    void Note(const QString &place, int page, const Record &ours, const Record &theirs,
              const TNumber<Record, T> &member, qsizetype base)
    {
        if constexpr (std::is_same_v<Record, TTerminalConfig>) {
            page = TopPage(member.name);
            Add(page, place, QString::number(ours.*member.member), QString::number(theirs.*member.member));
        } else {
            const TDataSetField &field = *ConfigDataSets::MemberField<Record>(member.name);
            Add(page, place, ConfigPresentation::ColumnValue(field, ours.*member.member),
                ConfigPresentation::ColumnValue(field, theirs.*member.member));
        }
        Cover(base + member.offset, TNumber<Record, T>::width);
    }

    template<typename Record, qsizetype Capacity>
    void Note(const QString &place, int, const Record &ours, const Record &theirs,
              const TText<Record, Capacity> &member, qsizetype base)
    {
        // Texts are top-level members.
        Add(TopPage(member.name), place, ConfigPresentation::TextValue((ours.*member.member).Bytes()),
            ConfigPresentation::TextValue((theirs.*member.member).Bytes()));
        Cover(base + member.offset, member.width);
    }

    static int TopPage(std::string_view member)
    {
        for (const ConfigPresentation::TField &field : ConfigPresentation::Fields) {
            if (field.member == member)
                return field.page;
        }
        return ConfigPage::Count;
    }

    void Add(int page, const QString &place, const QString &ours, const QString &theirs)
    {
        differences << TStationDifference::Member(page, place, ours, theirs);
    }

    void Cover(qsizetype offset, qsizetype width)
    {
        std::fill_n(shown.begin() + offset, width, true);
    }
};

// A run of entries that differ, each side either holding all of them or
// none.
struct TRun
{
    int first = 0;
    int last = 0;
    bool oursThere = false;
    bool theirsThere = false;
};

std::optional<qint32> Entry(const QByteArray &block, int k)
{
    const qsizetype at = qsizetype(k) * TankTableFile::EntrySize;
    if (at + TankTableFile::EntrySize > block.size())
        return std::nullopt;
    return qFromLittleEndian<qint32>(block.constData() + at);
}

// A side's values over a run: "300", "0 … 300", "нет данных".
QString RunValues(const QByteArray &block, const TRun &run, bool there)
{
    if (!there)
        return kNoData;
    const QString first = QString::number(*Entry(block, run.first));
    if (run.first == run.last)
        return first;
    return first + QStringLiteral(" … ") + QString::number(*Entry(block, run.last));
}

QString Heights(const TRun &run)
{
    const QString first = QString::number(run.first * TankTable::HeightStep);
    if (run.first == run.last)
        return first;
    return first + u'–' + QString::number(run.last * TankTable::HeightStep);
}

} // namespace

TStationDifference TStationDifference::Member(int Page, const QString &Place, const QString &Ours,
                                              const QString &Theirs)
{
    TStationDifference difference;
    difference.m_page = Page;
    difference.m_place = Place;
    difference.m_parts = {{{}, Ours, Theirs}};
    return difference;
}

TStationDifference TStationDifference::Table(int TankNo, bool OneHeight, const QList<TPart> &Runs, int More)
{
    TStationDifference difference;
    difference.m_page = ConfigPage::Count;
    difference.m_place = QStringLiteral("Резервуар %1: %2")
                             .arg(TankNo)
                             .arg(OneHeight ? QStringLiteral("высота") : QStringLiteral("высоты"));
    difference.m_parts = Runs;
    difference.m_more = More;
    return difference;
}

TStationDifference TStationDifference::OtherBytes(int Count)
{
    TStationDifference difference;
    difference.m_page = ConfigPage::Count;
    difference.m_place = QStringLiteral("прочие байты конфигурации: %1").arg(Count);
    return difference;
}

QString TStationDifference::Text(const TSides &Sides) const
{
    return Render(Sides);
}

QString TStationDifference::Text() const
{
    return Render(std::nullopt);
}

QString TStationDifference::Render(const std::optional<TSides> &Sides) const
{
    const auto values = [&](const TPart &part) {
        if (Sides)
            return QStringLiteral("%1 %2, %3 %4").arg(Sides->ours, part.ours, Sides->theirs, part.theirs);
        return part.ours + QStringLiteral(" → ") + part.theirs;
    };
    if (m_parts.isEmpty())
        return m_place;
    if (m_parts.size() == 1 && m_parts.first().label.isEmpty())
        return m_place + QStringLiteral(": ") + values(m_parts.first());
    QStringList runs;
    for (const TPart &part : m_parts)
        runs << QStringLiteral("%1 (%2)").arg(part.label, values(part));
    if (m_more > 0)
        runs << QStringLiteral("и ещё участков: %1").arg(m_more);
    return m_place + u' ' + runs.join(QStringLiteral(", "));
}

namespace StationComparison {

QList<TStationDifference> CompareConfig(const QByteArray &Ours, const QByteArray &Theirs)
{
    TTerminalConfig ours;
    TTerminalConfig theirs;
    ConfigImage::Decode(Ours, ours);
    ConfigImage::Decode(Theirs, theirs);

    TConfigWalk walk;
    walk.Walk(ours, theirs, 0, QString(), ConfigPage::Count);
    std::stable_sort(walk.differences.begin(), walk.differences.end(),
                     [](const TStationDifference &a, const TStationDifference &b) { return a.Page() < b.Page(); });
    int others = 0;
    for (qsizetype i = 0; i < ConfigImage::Size; ++i)
        others += Ours.at(i) != Theirs.at(i) && !walk.shown[std::size_t(i)];
    if (others > 0)
        walk.differences << TStationDifference::OtherBytes(others);
    return walk.differences;
}

std::optional<TStationDifference> CompareTable(int TankNo, const QByteArray &Ours, const QByteArray &Theirs)
{
    QList<TRun> runs;
    for (int k = 0; k < TankTable::EntryCount; ++k) {
        const std::optional<qint32> our = Entry(Ours, k);
        const std::optional<qint32> their = Entry(Theirs, k);
        if (our == their)
            continue;
        const bool extends = !runs.isEmpty() && runs.last().last == k - 1
                             && runs.last().oursThere == our.has_value() && runs.last().theirsThere == their.has_value();
        if (extends)
            runs.last().last = k;
        else
            runs.append({k, k, our.has_value(), their.has_value()});
    }
    if (runs.isEmpty())
        return std::nullopt;

    QList<TStationDifference::TPart> parts;
    for (const TRun &run : runs.mid(0, kRunsShown))
        parts.append({Heights(run), RunValues(Ours, run, run.oursThere), RunValues(Theirs, run, run.theirsThere)});
    const bool oneHeight = runs.size() == 1 && runs.first().first == runs.first().last;
    return TStationDifference::Table(TankNo, oneHeight, parts, int(std::max<qsizetype>(0, runs.size() - kRunsShown)));
}

QList<TStationDifference> CompareStation(const TStationImage &Ours, const TStationImage &Theirs)
{
    QList<TStationDifference> differences;
    if (!Ours.Config.isEmpty() || !Theirs.Config.isEmpty())
        differences = CompareConfig(Ours.Config, Theirs.Config);
    QList<int> tankNos = Ours.TankNos() + Theirs.TankNos();
    std::sort(tankNos.begin(), tankNos.end());
    tankNos.erase(std::unique(tankNos.begin(), tankNos.end()), tankNos.end());
    for (const int tankNo : tankNos) {
        if (const auto table = CompareTable(tankNo, Ours.Tables.value(tankNo), Theirs.Tables.value(tankNo)))
            differences << *table;
    }
    return differences;
}

QStringList Lines(const QList<TStationDifference> &Differences, const std::optional<TStationDifference::TSides> &Sides)
{
    QStringList lines;
    for (const TStationDifference &difference : Differences)
        lines << (Sides ? difference.Text(*Sides) : difference.Text());
    return lines;
}

} // namespace StationComparison
