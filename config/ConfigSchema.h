// The one description of the controller's configuration: every member of
// TTerminalConfig and of its records, with its name, its place in the
// "config" image and its type. The image codec, the companion's JSON with
// its input checks and the grid columns are all driven from here.
//
// A member is one of three kinds:
//   TNumber  an integer, little-endian, as wide and as signed as its type;
//   TText    code page 1251 bytes, then NUL up to the end of its field;
//   TSlots   an array of records, one in each slot of a fixed stride.
// Offsets count from the start of the record that holds the member. Names
// are the JSON keys and the grid columns' field names. TRecord<R> lists the
// members of record R in image order.
//
// Checked when this header is compiled: every member of every record is
// described (a member added to a record alone stops the build), every
// member lies inside its record, no two overlap, the bytes that no member covers (the gaps) number
// TTerminalConfig::GapSize, and names are unique within their record. A
// name looked up with IndexOf that the record lacks stops the build.
#pragma once

#include "ConfigImage.h"
#include "TerminalConfig.h"

#include <array>
#include <concepts>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

namespace ConfigSchema {

template<typename Record, std::integral T>
struct TNumber
{
    using Type = T;
    static constexpr qsizetype width = sizeof(T);

    std::string_view name;
    qsizetype offset;
    T Record::*member;
};

template<typename Record, qsizetype Capacity>
struct TText
{
    static constexpr qsizetype capacity = Capacity;

    std::string_view name;
    qsizetype offset;
    qsizetype width; // the capacity, or one byte more for a NUL that always ends the text
    TConfigText<Capacity> Record::*member;
};

template<typename Record, typename Slot, std::size_t Count>
struct TSlots
{
    using SlotRecord = Slot;
    static constexpr std::size_t count = Count;

    std::string_view name;
    qsizetype offset; // of the first slot
    qsizetype stride;
    std::array<Slot, Count> Record::*member;
};

// Deduction guides: not every compiler deduces an aggregate's arguments
// from its members (clang before 17 does not).
template<typename Record, std::integral T>
TNumber(std::string_view, qsizetype, T Record::*) -> TNumber<Record, T>;
template<typename Record, qsizetype Capacity>
TText(std::string_view, qsizetype, qsizetype, TConfigText<Capacity> Record::*) -> TText<Record, Capacity>;
template<typename Record, typename Slot, std::size_t Count>
TSlots(std::string_view, qsizetype, qsizetype, std::array<Slot, Count> Record::*) -> TSlots<Record, Slot, Count>;

template<typename Record>
struct TRecord;

template<>
struct TRecord<TNozzleConfig>
{
    static constexpr qsizetype size = 2;
    static constexpr auto members = std::tuple{
        TNumber{"active", 0, &TNozzleConfig::active},
        TNumber{"tank_no", 1, &TNozzleConfig::tank_no},
    };
};

template<>
struct TRecord<TTankConfig>
{
    static constexpr qsizetype size = 12;
    static constexpr auto members = std::tuple{
        TNumber{"active", 0, &TTankConfig::active},
        TNumber{"fuel_code", 1, &TTankConfig::fuel_code},
        TNumber{"adapter_type", 3, &TTankConfig::adapter_type},
        TNumber{"adapter_comport_no", 4, &TTankConfig::adapter_comport_no},
        TNumber{"adapter_adr", 5, &TTankConfig::adapter_adr},
        TNumber{"adapter_h0", 6, &TTankConfig::adapter_h0},
        TNumber{"hmin", 8, &TTankConfig::hmin},
        TNumber{"hmax", 10, &TTankConfig::hmax},
    };
};

template<>
struct TRecord<TPumpConfig>
{
    static constexpr qsizetype size = 12;
    static constexpr auto members = std::tuple{
        TNumber{"active", 0, &TPumpConfig::active},
        TNumber{"adapter_type", 1, &TPumpConfig::adapter_type},
        TNumber{"adapter_comport_no", 2, &TPumpConfig::adapter_comport_no},
        TNumber{"adapter_adr", 3, &TPumpConfig::adapter_adr},
        TSlots{"nozzles", 4, 2, &TPumpConfig::nozzles},
    };
};

template<>
struct TRecord<TTerminalConfig>
{
    static constexpr qsizetype size = ConfigImage::Size;
    static constexpr auto members = std::tuple{
        TText{"apn", 0, 32, &TTerminalConfig::apn},
        TText{"server_name", 32, 32, &TTerminalConfig::server_name},
        TNumber{"server_port", 64, &TTerminalConfig::server_port},
        TText{"server_dir", 66, 64, &TTerminalConfig::server_dir},
        TText{"server_login", 130, 8, &TTerminalConfig::server_login},
        TText{"server_psw", 138, 8, &TTerminalConfig::server_psw},
        TNumber{"sync_time", 146, &TTerminalConfig::sync_time},
        TText{"oper_psw", 148, 8, &TTerminalConfig::oper_psw},
        TText{"admin_psw", 156, 8, &TTerminalConfig::admin_psw},
        TText{"admin_tel", 164, 16, &TTerminalConfig::admin_tel},
        TSlots{"tanks", 256, 16, &TTerminalConfig::tanks},
        TSlots{"pumps", 352, 16, &TTerminalConfig::pumps},
        TNumber{"card_sector", 416, &TTerminalConfig::card_sector},
        TText{"card_psw", 417, 12, &TTerminalConfig::card_psw},
    };
};

template<typename Record>
inline constexpr std::size_t MemberCount = std::tuple_size_v<std::remove_const_t<decltype(TRecord<Record>::members)>>;

// Calls visit(member) for each member of Record, in image order.
template<typename Record, typename Visitor>
constexpr void ForEachMember(Visitor &&visit)
{
    std::apply([&](const auto &...member) { (visit(member), ...); }, TRecord<Record>::members);
}

// Calls visit(member, value) for each member of record, value being the
// record's own member (const when record is).
template<typename Record, typename Visitor>
constexpr void Visit(Record &record, Visitor &&visit)
{
    ForEachMember<std::remove_const_t<Record>>([&](const auto &member) { visit(member, record.*member.member); });
}

template<typename Member>
inline constexpr bool IsNumber = false;
template<typename Record, typename T>
inline constexpr bool IsNumber<TNumber<Record, T>> = true;

template<typename Member>
inline constexpr bool IsText = false;
template<typename Record, qsizetype Capacity>
inline constexpr bool IsText<TText<Record, Capacity>> = true;

template<typename Member>
inline constexpr bool IsSlots = false;
template<typename Record, typename Slot, std::size_t Count>
inline constexpr bool IsSlots<TSlots<Record, Slot, Count>> = true;

// Not constexpr: reached while the compiler evaluates IndexOf, it stops the build.
void UnknownMemberName();

// The position of the member called name among Record's members. Meant for
// the compiler (constexpr rather than consteval only because clang 14
// refuses a consteval call inside another one's instantiation).
template<typename Record>
constexpr std::size_t IndexOf(std::string_view name)
{
    std::size_t index = 0;
    std::size_t found = MemberCount<Record>;
    ForEachMember<Record>([&](const auto &member) {
        if (member.name == name)
            found = index;
        ++index;
    });
    if (found == MemberCount<Record>)
        UnknownMemberName();
    return found;
}

// An integer member of Record read and written as a 32-bit number; a
// written number keeps the member's low bits. Empty for other members.
template<typename Record>
struct TNumberAccess
{
    bool number = false;
    qint32 (*get)(const Record &) = nullptr;
    void (*set)(Record &, qint32) = nullptr;
};

// A text member of Record read and written as bytes; a written text keeps
// its first capacity bytes. Empty for other members.
template<typename Record>
struct TTextAccess
{
    qsizetype capacity = 0; // 0: no text
    const QByteArray &(*get)(const Record &) = nullptr;
    void (*set)(Record &, const QByteArray &) = nullptr;
};

namespace Detail {

template<typename Record, std::size_t Index>
inline constexpr const auto &MemberAt = std::get<Index>(TRecord<Record>::members);

template<typename Record, std::size_t Index>
constexpr TTextAccess<Record> TextAccessAt()
{
    using Member = std::remove_cvref_t<decltype(MemberAt<Record, Index>)>;
    if constexpr (IsText<Member>) {
        return {Member::capacity,
                [](const Record &record) -> const QByteArray & { return (record.*MemberAt<Record, Index>.member).Bytes(); },
                [](Record &record, const QByteArray &bytes) { record.*MemberAt<Record, Index>.member = bytes; }};
    } else {
        return {};
    }
}

template<typename Record, std::size_t Index>
constexpr TNumberAccess<Record> AccessAt()
{
    using Member = std::remove_cvref_t<decltype(MemberAt<Record, Index>)>;
    if constexpr (IsNumber<Member>) {
        return {true, [](const Record &record) -> qint32 { return record.*MemberAt<Record, Index>.member; },
                [](Record &record, qint32 value) {
                    record.*MemberAt<Record, Index>.member = typename Member::Type(value);
                }};
    } else {
        return {};
    }
}

} // namespace Detail

// The access to each member of Record, by the member's position.
template<typename Record>
inline constexpr auto NumberAccess = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<TNumberAccess<Record>, sizeof...(Index)>{Detail::AccessAt<Record, Index>()...};
}(std::make_index_sequence<MemberCount<Record>>{});

// The text access to each member of Record, by the member's position.
template<typename Record>
inline constexpr auto TextAccess = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<TTextAccess<Record>, sizeof...(Index)>{Detail::TextAccessAt<Record, Index>()...};
}(std::make_index_sequence<MemberCount<Record>>{});

namespace Detail {

using TCoverage = std::array<int, ConfigImage::Size>;

// Counts, for every byte of the image, the members of Record at base that
// cover it; false when a member reaches beyond its record.
template<typename Record>
constexpr bool Cover(TCoverage &coverage, qsizetype base)
{
    bool inside = true;
    const auto fits = [](qsizetype offset, qsizetype width) {
        return offset >= 0 && width > 0 && offset + width <= TRecord<Record>::size;
    };
    const auto mark = [&](qsizetype offset, qsizetype width) {
        inside = inside && fits(offset, width);
        for (qsizetype i = 0; inside && i < width; ++i)
            ++coverage[std::size_t(base + offset + i)];
    };
    ForEachMember<Record>([&](const auto &member) {
        using Member = std::remove_cvref_t<decltype(member)>;
        if constexpr (IsSlots<Member>) {
            using Slot = typename Member::SlotRecord;
            const qsizetype count = qsizetype(Member::count);
            inside = inside && member.stride >= TRecord<Slot>::size
                     && fits(member.offset, member.stride * count);
            for (qsizetype i = 0; inside && i < count; ++i)
                inside = Cover<Slot>(coverage, base + member.offset + member.stride * i);
        } else if constexpr (IsNumber<Member>) {
            mark(member.offset, Member::width);
        } else {
            // Only the card password fills its field; every other text keeps a NUL.
            inside = inside && (member.width == Member::capacity || member.width == Member::capacity + 1);
            mark(member.offset, member.width);
        }
    });
    return inside;
}

constexpr TCoverage Coverage()
{
    TCoverage coverage{};
    if (!Cover<TTerminalConfig>(coverage, 0))
        coverage.fill(-1);
    return coverage;
}

inline constexpr TCoverage kCoverage = Coverage();

static_assert([] {
    for (int count : kCoverage) {
        if (count < 0 || count > 1)
            return false;
    }
    return true;
}(), "a member reaches beyond its record or overlaps another");

static_assert([] {
    qsizetype gaps = 0;
    for (int count : kCoverage)
        gaps += count == 0;
    return gaps == TTerminalConfig::GapSize;
}(), "the bytes no member covers are not TTerminalConfig::GapSize");

// Names within Record, and within the records of its slots, are distinct.
template<typename Record>
consteval bool NamesDistinct()
{
    bool distinct = true;
    std::size_t i = 0;
    ForEachMember<Record>([&](const auto &member) {
        std::size_t j = 0;
        ForEachMember<Record>([&](const auto &other) {
            distinct = distinct && (j++ <= i || other.name != member.name);
        });
        ++i;
        using Member = std::remove_cvref_t<decltype(member)>;
        if constexpr (IsSlots<Member>)
            distinct = distinct && NamesDistinct<typename Member::SlotRecord>();
    });
    return distinct;
}

static_assert(NamesDistinct<TTerminalConfig>(), "two members of a record share a name");

// Converts to any member's type; never called.
struct TAnyMember
{
    template<typename T>
    operator T() const;
};

// The number of members of the aggregate Record: the most initialisers that
// its braces take.
template<typename Record, typename... Taken>
constexpr std::size_t RecordMemberCount()
{
    if constexpr (requires { Record{Taken{}..., TAnyMember{}}; })
        return RecordMemberCount<Record, Taken..., TAnyMember>();
    else
        return sizeof...(Taken);
}

static_assert(RecordMemberCount<TNozzleConfig>() == MemberCount<TNozzleConfig>,
              "a member of TNozzleConfig is not in the schema");
static_assert(RecordMemberCount<TTankConfig>() == MemberCount<TTankConfig>,
              "a member of TTankConfig is not in the schema");
static_assert(RecordMemberCount<TPumpConfig>() == MemberCount<TPumpConfig>,
              "a member of TPumpConfig is not in the schema");
// Besides its members, the configuration holds its gap bytes.
static_assert(RecordMemberCount<TTerminalConfig>() == MemberCount<TTerminalConfig> + 1,
              "a member of TTerminalConfig is not in the schema");

} // namespace Detail

// The image offsets of the bytes that no member covers, in image order:
// where the bytes of TTerminalConfig::gaps stand.
inline constexpr auto GapOffsets = [] {
    std::array<qsizetype, TTerminalConfig::GapSize> offsets{};
    std::size_t next = 0;
    for (qsizetype at = 0; at < ConfigImage::Size; ++at) {
        if (Detail::kCoverage[std::size_t(at)] == 0 && next < offsets.size())
            offsets[next++] = at;
    }
    return offsets;
}();

} // namespace ConfigSchema
