// How the configuration pages present the configuration: the pages with
// their captions, and for every member of the schema the words that name it
// and how its value shows. The pages take their texts from here, and every
// report of a difference names members through it, so that both speak alike.
//
// A top-level member other than slots stands on a page under a label, in a
// group box or not, in a box of its own (Fields): a number box for a number,
// a text box as long as the text for a text. The boxes are stored in the
// order of Fields, with the grids of the tank and dispenser pages where
// those pages stand among them. Each slot of a slots member is named by the
// slots' entry in Slots and its number: "резервуар 2", or, without a name of
// its own, its page's caption: "ТРК 3". The members of a slot's record are
// the grid columns of ConfigDataSets, which checks them itself.
//
// Checked when compiled: every top-level member and every slots member has
// exactly one entry here, and every entry names such a member.
#pragma once

#include "ConfigSchema.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <span>
#include <string_view>

struct TDataSetField;

// The pages of pcConfig, in index order.
namespace ConfigPage {
enum Page : int { Admin, Gprs, Http, Tanks, Pumps, Cards, Count };
}

namespace ConfigPresentation {

struct TPage
{
    QStringView objectName;
    QStringView caption;
};

inline constexpr std::array<TPage, ConfigPage::Count> Pages{{
    {u"tsConfigAdmin", u"Администрирование"},
    {u"tsConfigGprs", u"GPRS"},
    {u"tsConfigHttp", u"Http"},
    {u"tsConfigTank", u"Резервуары"},
    {u"tsConfigPump", u"ТРК"},
    {u"TabSheet1", u"Карты"},
}};

// A top-level member shown in an edit box.
struct TField
{
    std::string_view member;
    ConfigPage::Page page;
    QStringView group; // the group box that holds it; empty for none
    QStringView label; // as the page shows it, "Пароль:"
    QStringView box;   // the box's object name
    // A number box left empty stores this; none: an empty box stops the store.
    std::optional<qint32> whenEmpty = std::nullopt;
};

// In page order; within a page, top to bottom.
inline constexpr TField Fields[] = {
    {"oper_psw", ConfigPage::Admin, u"Оператор", u"Пароль:", u"eOperPsw"},
    {"admin_psw", ConfigPage::Admin, u"Администратор", u"Пароль:", u"eAdminPsw"},
    {"admin_tel", ConfigPage::Admin, u"Администратор", u"Телефон:", u"eAdminTel"},
    {"apn", ConfigPage::Gprs, {}, u"APN:", u"eAPN"},
    {"server_name", ConfigPage::Http, {}, u"Сервер:", u"eServerName"},
    {"server_port", ConfigPage::Http, {}, u"Порт:", u"eServerPort", 80},
    {"server_dir", ConfigPage::Http, {}, u"Каталог:", u"eServerDir"},
    {"server_login", ConfigPage::Http, {}, u"Логин:", u"eServerLogin"},
    {"server_psw", ConfigPage::Http, {}, u"Пароль:", u"eServerPsw"},
    {"sync_time", ConfigPage::Http, {}, u"Период обмена:", u"eSyncTime", 0},
    {"card_sector", ConfigPage::Cards, {}, u"Сектор:", u"eCardSector"},
    {"card_psw", ConfigPage::Cards, {}, u"Пароль:", u"eCardPsw"},
};

// A slots member: how each of its slots is called.
struct TSlotName
{
    std::string_view member;
    ConfigPage::Page page;
    QStringView name; // "резервуар"; empty: the page's caption
};

inline constexpr TSlotName Slots[] = {
    {"tanks", ConfigPage::Tanks, u"резервуар"},
    {"pumps", ConfigPage::Pumps, {}},
    {"nozzles", ConfigPage::Pumps, u"пистолет"},
};

// Not constexpr: reached while the compiler checks the tables above, they
// stop the build.
void MemberWithoutPresentation();
void PresentationOfNoMember();

namespace Detail {

template<typename Record>
constexpr int SlotsMembersNamed(std::string_view name)
{
    int count = 0;
    ConfigSchema::ForEachMember<Record>([&](const auto &member) {
        using Member = std::remove_cvref_t<decltype(member)>;
        if constexpr (ConfigSchema::IsSlots<Member>)
            count += (member.name == name) + SlotsMembersNamed<typename Member::SlotRecord>(name);
    });
    return count;
}

template<typename Record>
constexpr bool SlotsNamed(std::span<const TSlotName> slotNames)
{
    bool named = true;
    ConfigSchema::ForEachMember<Record>([&](const auto &member) {
        using Member = std::remove_cvref_t<decltype(member)>;
        if constexpr (ConfigSchema::IsSlots<Member>) {
            int entries = 0;
            for (const TSlotName &slot : slotNames)
                entries += slot.member == member.name;
            named = named && entries == 1 && SlotsNamed<typename Member::SlotRecord>(slotNames);
        }
    });
    return named;
}

} // namespace Detail

// Whether the tables name every member: each top-level member other than
// slots has exactly one field, each slots member anywhere exactly one slot
// name, and no entry names something else. Stops the build otherwise.
consteval bool EveryMemberPresented(std::span<const TField> fields, std::span<const TSlotName> slotNames)
{
    ConfigSchema::ForEachMember<TTerminalConfig>([&](const auto &member) {
        using Member = std::remove_cvref_t<decltype(member)>;
        int entries = 0;
        for (const TField &field : fields)
            entries += field.member == member.name;
        if (entries != (ConfigSchema::IsSlots<Member> ? 0 : 1))
            MemberWithoutPresentation();
    });
    for (const TField &field : fields) {
        int members = 0;
        ConfigSchema::ForEachMember<TTerminalConfig>([&](const auto &member) {
            members += !ConfigSchema::IsSlots<std::remove_cvref_t<decltype(member)>> && member.name == field.member;
        });
        if (members != 1)
            PresentationOfNoMember();
    }
    if (!Detail::SlotsNamed<TTerminalConfig>(slotNames))
        MemberWithoutPresentation();
    for (const TSlotName &slot : slotNames) {
        if (Detail::SlotsMembersNamed<TTerminalConfig>(slot.member) != 1)
            PresentationOfNoMember();
    }
    return true;
}

static_assert(EveryMemberPresented(Fields, Slots));

// The place of a top-level field in words: the page's caption, the group
// and the label without its colon: "Администрирование · Оператор · Пароль".
QString FieldPlace(std::string_view member);
// The place of slot Number of the slots member called member, within
// Parent's place (empty for the top-level slots): "Резервуары · резервуар
// 2", "ТРК 3", "ТРК 3 · пистолет 2".
QString SlotPlace(const QString &parent, std::string_view member, int number);
// A grid column's name: its title, two levels joined ("Уровнемер · Тип"),
// or for a blank title (a checkbox) its own name.
QString ColumnName(const TDataSetField &field);
// A value as its grid column shows it: a checkbox "да" or "нет", a pick
// list's text, a number; a value no checkbox or list knows as a number.
QString ColumnValue(const TDataSetField &field, qint32 value);
// A text as a box shows it, in quotes: «internet.mts.ru».
QString TextValue(const QByteArray &bytes);
// Joins the words of a place: "Резервуары · резервуар 2 · Hmax".
QString Joined(const QString &place, const QString &words);

} // namespace ConfigPresentation
