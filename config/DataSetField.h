// One column of a configuration data set, as its grid shows it.
#pragma once

#include <QStringView>

class TPickList;

struct TDataSetField
{
    enum Kind {
        Number,     // an integer the user types
        Check,      // 1 when ticked, 0 when not
        Choice,     // a key of pickList, shown by its text
        Calculated, // the fixed text calculatedText, not stored
    };

    QStringView title = {}; // "Top|Bottom" for a two-level title
    QStringView name = {};  // where the title is blank (a checkbox): what reports call it
    Kind kind = Number;
    int width = 0; // in pixels; 0 for the grid's default
    bool readOnly = false;
    const TPickList &(*pickList)() = nullptr;
    QStringView calculatedText = {};

    // A title of blanks only, as a checkbox column has.
    constexpr bool BlankTitle() const
    {
        for (qsizetype i = 0; i < title.size(); ++i) {
            if (title[i] != u' ')
                return false;
        }
        return true;
    }
};
