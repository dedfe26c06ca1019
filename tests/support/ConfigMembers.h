// Every number and text of the configuration, each slot's own, as the
// configuration's schema lists them: tests built on it cover a member added
// to the schema without being edited.
#pragma once

#include "config/ConfigSchema.h"

#include <QString>
#include <QStringList>

#include <type_traits>

// One number or text: where it stands and how to reach it.
template<typename Member, typename Reach>
struct TConfigMember
{
    QString path;          // "tanks[2].hmin"
    QStringList jsonPath;  // {"tanks", "2", "hmin"}
    qsizetype offset;      // in the image
    Member member;         // its description in the schema
    Reach reach;           // (TTerminalConfig &) -> the member's own reference
};

namespace ConfigMembersDetail {

template<typename Record, typename Reach, typename Visitor>
void Walk(const QString &path, const QStringList &jsonPath, qsizetype base, Reach reach, Visitor &visit)
{
    ConfigSchema::ForEachMember<Record>([&](const auto &member) {
        using Member = std::remove_cvref_t<decltype(member)>;
        const QString name = QString::fromLatin1(member.name.data(), qsizetype(member.name.size()));
        const QString memberPath = path.isEmpty() ? name : path + u'.' + name;
        if constexpr (ConfigSchema::IsSlots<Member>) {
            for (std::size_t i = 0; i < Member::count; ++i) {
                const auto slot = [reach, member, i](TTerminalConfig &config) -> auto & {
                    return (reach(config).*member.member)[i];
                };
                Walk<typename Member::SlotRecord>(QStringLiteral("%1[%2]").arg(memberPath).arg(i),
                                                  jsonPath + QStringList{name, QString::number(i)},
                                                  base + member.offset + member.stride * qsizetype(i), slot, visit);
            }
        } else {
            const auto own = [reach, member](TTerminalConfig &config) -> auto & { return reach(config).*member.member; };
            visit(TConfigMember<Member, decltype(own)>{memberPath, jsonPath + QStringList{name},
                                                       base + member.offset, member, own});
        }
    });
}

} // namespace ConfigMembersDetail

// Calls visit(TConfigMember) for every number and text of the configuration,
// in image order.
template<typename Visitor>
void ForEachConfigMember(Visitor &&visit)
{
    ConfigMembersDetail::Walk<TTerminalConfig>({}, {}, 0, [](TTerminalConfig &config) -> TTerminalConfig & { return config; },
                                               visit);
}
