// A run of bytes in a controller file, named as the user reads it.
#pragma once

#include <QByteArray>
#include <QString>

struct TFileRange
{
    QByteArray file;
    qint64 first = 0; // offsets of the first and the last byte
    qint64 last = 0;

    // "config 64..65"; in "tanks.tbl" with the tables and entries it covers:
    // "tanks.tbl 1600..3203 (all of tank 2, tank 3 entry 0)".
    QString Describe() const;
};
