// One column of a configuration data set.
#pragma once

#include <QByteArray>
#include <QString>

class TPickList;

struct TDataSetField
{
    enum Kind {
        Number,     // an integer the user types
        Check,      // 1 when ticked, 0 when not
        Choice,     // a key of pickList, shown by its text
        Calculated, // the fixed text calculatedText, not stored
    };

    QByteArray name;
    QString title; // "Top|Bottom" for a two-level title
    Kind kind = Number;
    bool readOnly = false;
    const TPickList *pickList = nullptr;
    QString calculatedText;
};
