// A calibration table as height and volume pairs, the form in which tables
// come from a tank's calibration certificate and go to a spreadsheet.
#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace TablePairs {

struct TPair
{
    double Height;
    double Volume;
};

// A text read as pairs, or the first fault found in it.
struct TReading
{
    enum TFault {
        None,
        NoPair,      // the text holds no pair
        NotAPair,    // Line is not a height and a volume
        HeightTwice, // Line gives a height already given another volume
    };

    QList<TPair> Pairs;
    TFault Fault = None;
    int Line = 0; // 1-based, for NotAPair and HeightTwice
};

// One pair a line: height and volume separated by a tab, a semicolon or a
// comma, each with a decimal comma or point; blanks, non-breaking spaces and
// surrounding quotes around and inside the numbers are dropped, and so are
// empty fields after the two. Empty lines are skipped; the first non-empty
// line is a header when none of its fields is a number. The text is UTF-8
// unless it starts with a byte order mark. Heights may come in any order;
// a volume must round to a signed 32-bit number.
TReading Read(const QByteArray &text);

// The volumes at heights 0, 10, ..., 10·(LineCount − 1): a given height
// takes its volume, a height between two given ones the straight line
// between the nearest of them, rounded to the nearest whole number; heights
// outside the given range have none. Pairs as Read gives them.
QList<std::optional<qint32>> Interpolate(QList<TPair> Pairs, int LineCount);

// Volumes[k] at height 10·k as "height;volume" lines behind a header line;
// entries without a volume are left out. Read gives the pairs back.
QByteArray Text(const QList<std::optional<qint32>> &Volumes);

} // namespace TablePairs
