#include "HexDump.h"

#include "TrafficStore.h"
#include "common/Cp1251.h"

namespace HexDump {

namespace {

constexpr int kGap = 2;      // between the offset, the bytes and the characters
constexpr int kHalfGap = 1;  // between the two halves of the bytes

} // namespace

qint64 RowCount(qint64 size)
{
    return (size + kRowBytes - 1) / kRowBytes;
}

int OffsetDigits(qint64 size)
{
    int digits = 8;
    while (digits < 16 && (size >> (4 * digits)) > 0)
        ++digits;
    return digits;
}

int HexColumn(int offsetDigits, int byte)
{
    return offsetDigits + kGap + 3 * byte + (byte >= kRowBytes / 2 ? kHalfGap : 0);
}

int CharColumn(int offsetDigits, int byte)
{
    return HexColumn(offsetDigits, kRowBytes) - 1 + kGap + byte;
}

int RowWidth(int offsetDigits)
{
    return CharColumn(offsetDigits, kRowBytes);
}

QString Row(const TTrafficStore &traffic, qint64 row, int offsetDigits)
{
    const QByteArray bytes = traffic.Bytes(row * kRowBytes, kRowBytes);
    QString text(RowWidth(offsetDigits), u' ');
    const QString offset = QString::number(row * kRowBytes, 16).toUpper().rightJustified(offsetDigits, u'0');
    text.replace(0, offsetDigits, offset);
    const QString characters = Cp1251::toUnicode(bytes);
    for (int i = 0; i < bytes.size(); ++i) {
        const auto byte = uchar(bytes[i]);
        text[HexColumn(offsetDigits, i)] = QLatin1Char("0123456789ABCDEF"[byte >> 4]);
        text[HexColumn(offsetDigits, i) + 1] = QLatin1Char("0123456789ABCDEF"[byte & 15]);
        const QChar c = characters[i];
        text[CharColumn(offsetDigits, i)] = c.isPrint() ? c : QChar(u'.');
    }
    text.truncate(CharColumn(offsetDigits, int(bytes.size())));
    return text;
}

} // namespace HexDump
