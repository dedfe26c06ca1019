#include "TableText.h"

#include "TankTable.h"

#include <QLocale>

namespace {

int DigitValue(QChar c, int base)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c.unicode() - u'A' + 10;
    return value < base ? value : -1;
}

std::optional<qint32> ParseNumber(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }

    int base = 10;
    if (text.startsWith(u'$') || text.startsWith(u'x') || text.startsWith(u'X')) {
        base = 16;
        text = text.mid(1);
    } else if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty())
        return std::nullopt;

    // Hexadecimal spells a 32-bit pattern; decimal a magnitude whose limit
    // depends on the sign.
    const quint64 limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    quint64 magnitude = 0;
    for (QChar c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    const quint32 bits = quint32(magnitude);
    return qint32(negative ? 0u - bits : bits);
}

} // namespace

int TableLineCount(qint32 HMax)
{
    return qBound(0, HMax / 10 + 1, TankTable::EntryCount);
}

QString VolumeLineText(qint32 Volume)
{
    return QStringLiteral("%1").arg(Volume, 7);
}

QString HeightLabelText(qint64 Height)
{
    QString digits = QString::number(Height);
    const QString separator = QLocale::system().groupSeparator();
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, separator);
    return digits.rightJustified(5, u' ');
}

TTableCheck CheckTableLines(const QStringList &Lines, int LineCount)
{
    TTableCheck check;
    qint32 previous = 0;
    for (int i = 0; i < LineCount; ++i) {
        QString text = Lines.value(i);
        text.remove(u' ').remove(QChar::Nbsp);
        if (text.isEmpty()) {
            check.Values.append(std::nullopt);
            continue;
        }
        const qint32 value = ParseNumber(text).value_or(-1);
        QString reason;
        if (value == -1)
            reason = QStringLiteral("Ошибка ввода");
        else if (i > 0 && value <= previous)
            reason = QStringLiteral("Значение должно быть больше предыдущего");
        if (!reason.isEmpty()) {
            check.ErrorLine = i;
            check.ErrorText = QStringLiteral("#%1: %2").arg(qint64(i) * 10).arg(reason);
            return check;
        }
        previous = value;
        check.Values.append(value);
    }
    return check;
}
