// The received traffic as a classic hex dump: rows of 16 bytes, each row its
// offset, the bytes in hexadecimal and their characters beside them (a dot
// for a byte that shows no character).
//
//   00000000  61 62 0D 00 C0 FF 0D 0A                          ab..Ая..
#pragma once

#include <QString>

class TTrafficStore;

namespace HexDump {

constexpr int kRowBytes = 16;

qint64 RowCount(qint64 size);
// Hexadecimal digits of the offsets: 8, more for a store that needs them.
int OffsetDigits(qint64 size);
QString Row(const TTrafficStore &traffic, qint64 row, int offsetDigits);
// Columns of the row's text where byte's hex digits and its character stand.
int HexColumn(int offsetDigits, int byte);
int CharColumn(int offsetDigits, int byte);
int RowWidth(int offsetDigits);

} // namespace HexDump
