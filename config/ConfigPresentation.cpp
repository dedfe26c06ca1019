#include "ConfigPresentation.h"

#include "DataSetField.h"
#include "PickList.h"
#include "common/Cp1251.h"

namespace {

const QString kSeparator = QStringLiteral(" · ");

const ConfigPresentation::TSlotName &SlotNameOf(std::string_view member)
{
    for (const ConfigPresentation::TSlotName &slot : ConfigPresentation::Slots) {
        if (slot.member == member)
            return slot;
    }
    // Every slots member has a name: checked when compiled.
    Q_UNREACHABLE();
}

// "Пароль:" without its colon.
QString Label(QStringView label)
{
    return (label.endsWith(u':') ? label.chopped(1) : label).toString();
}

} // namespace

namespace ConfigPresentation {

QString Joined(const QString &place, const QString &words)
{
    return place.isEmpty() ? words : place + kSeparator + words;
}

QString FieldPlace(std::string_view member)
{
    for (const TField &field : Fields) {
        if (field.member != member)
            continue;
        QString place = Pages[field.page].caption.toString();
        if (!field.group.isEmpty())
            place = Joined(place, field.group.toString());
        return Joined(place, Label(field.label));
    }
    // Every top-level member has a field: checked when compiled.
    Q_UNREACHABLE();
}

QString SlotPlace(const QString &parent, std::string_view member, int number)
{
    const TSlotName &slot = SlotNameOf(member);
    const QString numbered = QStringLiteral(" %1").arg(number);
    if (slot.name.isEmpty())
        return Joined(parent, Pages[slot.page].caption.toString() + numbered);
    if (parent.isEmpty())
        return Joined(Pages[slot.page].caption.toString(), slot.name.toString() + numbered);
    return Joined(parent, slot.name.toString() + numbered);
}

QString ColumnName(const TDataSetField &field)
{
    if (field.BlankTitle())
        return field.name.toString();
    return field.title.toString().replace(u'|', kSeparator);
}

QString ColumnValue(const TDataSetField &field, qint32 value)
{
    switch (field.kind) {
    case TDataSetField::Check:
        if (value == 0 || value == 1)
            return value == 1 ? QStringLiteral("да") : QStringLiteral("нет");
        break;
    case TDataSetField::Choice:
        return field.pickList().Text(value);
    case TDataSetField::Number:
    case TDataSetField::Calculated:
        break;
    }
    return QString::number(value);
}

QString TextValue(const QByteArray &bytes)
{
    return u'«' + Cp1251::toUnicode(bytes) + u'»';
}

} // namespace ConfigPresentation
