// A calibration table as the editor shows it: one line per entry, line k
// holding the volume at height 10·k, with the heights as gutter labels.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Number of editor lines for a tank of height HMax: HMax / 10 (truncated
// toward zero) + 1, within 0..400.
int TableLineCount(qint32 HMax);

// The text of a line: the value right-aligned in 7 characters.
QString VolumeLineText(qint32 Volume);

// A whole number with the system's thousands separator.
QString GroupedNumberText(qint64 Number);

// A gutter label for a height >= 0: the number with the system's thousands
// separator, no decimals, left-padded with blanks to 5 characters.
QString HeightLabelText(qint64 Height);

// What a line holds once blanks and non-breaking spaces are dropped:
// nothing, a number, or text that is no number (see CheckTableLines; the
// number -1 counts as no number).
struct TLineValue
{
    enum TKind { Empty, Number, Bad };
    TKind Kind = Empty;
    qint32 Value = 0; // when Number
};
TLineValue ReadLineValue(QString Line);

// The message for a Bad line: "#<height>: Ошибка ввода".
QString BadLineText(int Line);

struct TTableCheck
{
    int ErrorLine = -1; // first bad line, -1 when every line passed
    QString ErrorText;  // "#<height>: <reason>"
    // Value of each line checked before ErrorLine; empty lines have none.
    QList<std::optional<qint32>> Values;
};

// Checks lines 0..LineCount-1 and stops at the first bad one. Blanks and
// non-breaking spaces are dropped; a line left empty (or missing) is
// skipped. Any other line must hold a number other than -1 and, after line
// 0, greater than the nearest non-empty line above it (0 if there is none).
// A number is an optional sign followed by decimal digits within the signed
// 32-bit range, or by hexadecimal digits after "$", "x", "X", "0x" or "0X";
// these spell a 32-bit pattern, so "$FFFFFFFF" is -1.
TTableCheck CheckTableLines(const QStringList &Lines, int LineCount);
