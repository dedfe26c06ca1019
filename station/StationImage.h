// A station as the controller keeps it: the bytes of "config" and the
// blocks of the tanks' tables in "tanks.tbl". Either side of a comparison,
// and what a write sends or finds on the controller.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

class TTankTables;

struct TStationImage
{
    // The bytes of "config"; empty when the configuration is not part of it.
    QByteArray Config;
    // The block of each tank it covers, by tank number; a block read from
    // the controller may fall short of a whole table.
    QMap<int, QByteArray> Tables;

    // ConfigImage with the block of every Loaded slot of Tables.
    static TStationImage Of(const QByteArray &ConfigImage, const TTankTables &Tables);

    QList<int> TankNos() const { return Tables.keys(); }
};
