// The fixed choices of a grid column: stored keys with their texts.
#pragma once

#include <QList>
#include <QString>

class TPickList
{
public:
    struct Entry
    {
        int key;
        QString text;
    };

    explicit TPickList(QList<Entry> entries) : m_entries(std::move(entries)) {}

    const QList<Entry> &Entries() const { return m_entries; }
    // The text of Key; a key outside the list shows as its number.
    QString Text(int Key) const;
    // The position of Key in the list, -1 when absent.
    int IndexOf(int Key) const;

    static const TPickList &LevelGaugeTypes();
    static const TPickList &Ports();
    static const TPickList &PumpControllerTypes();

private:
    QList<Entry> m_entries;
};
