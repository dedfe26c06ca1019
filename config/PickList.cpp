#include "PickList.h"

QString TPickList::Text(int Key) const
{
    const int index = IndexOf(Key);
    return index < 0 ? QString::number(Key) : m_entries.at(index).text;
}

int TPickList::IndexOf(int Key) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).key == Key)
            return i;
    }
    return -1;
}

const TPickList &TPickList::LevelGaugeTypes()
{
    static const TPickList list({
        {0, QStringLiteral("-")},
        {1, QStringLiteral("Start Italiano")},
        {2, QStringLiteral("Гамма")},
        {3, QStringLiteral("Сенсор (SENS)")},
        {6, QStringLiteral("Сенсор (Modbus)")},
        {4, QStringLiteral("PetroVend")},
        {5, QStringLiteral("Veeder-Root")},
    });
    return list;
}

const TPickList &TPickList::Ports()
{
    static const TPickList list({
        {1, QStringLiteral("RS232")},
        {2, QStringLiteral("RS485-1")},
        {3, QStringLiteral("RS485-2")},
        {4, QStringLiteral("UART")},
    });
    return list;
}

const TPickList &TPickList::PumpControllerTypes()
{
    static const TPickList list({
        {0, QStringLiteral("-")},
        {1, QStringLiteral("Slavutich")},
    });
    return list;
}
