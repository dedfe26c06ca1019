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

QString LineErrorText(int Line, const QString &Reason)
{
    return QStringLiteral("#%1: %2").arg(qint64(Line) * TankTable::HeightStep).arg(Reason);
}

} // namespace

int TableLineCount(qint32 HMax)
{
    return qBound(0, HMax / TankTable::HeightStep + 1, TankTable::EntryCount);
}

QString VolumeLineText(qint32 Volume)
{
    return QStringLiteral("%1").arg(Volume, 7);
}

QString GroupedNumberText(qint64 Number)
{
    QString digits = QString::number(Number);
    const qsizetype first = Number < 0 ? 1 : 0; // after the sign
    const QString separator = QLocale::system().groupSeparator();
    for (qsizetype at = digits.size() - 3; at > first; at -= 3)
        digits.insert(at, separator);
    return digits;
}

QString HeightLabelText(qint64 Height)
{
    return GroupedNumberText(Height).rightJustified(5, u' ');
}

TLineValue ReadLineValue(QString Line)
{
    Line.remove(u' ').remove(QChar::Nbsp);
    if (Line.isEmpty())
        return {};
    const qint32 value = ParseNumber(Line).value_or(-1);
    if (value == -1)
        return {TLineValue::Bad};
    return {TLineValue::Number, value};
}

QString BadLineText(int Line)
{
    return LineErrorText(Line, QStringLiteral("Ошибка ввода"));
}

TTableCheck CheckTableLines(const QStringList &Lines, int LineCount)
{
    TTableCheck check;
    qint32 previous = 0;
    for (int i = 0; i < LineCount; ++i) {
        const TLineValue line = ReadLineValue(Lines.value(i));
        if (line.Kind == TLineValue::Empty) {
            check.Values.append(std::nullopt);
            continue;
        }
        const qint32 value = line.Value;
        QString error;
        if (line.Kind == TLineValue::Bad)
            error = BadLineText(i);
        else if (i > 0 && value <= previous)
            error = LineErrorText(i, QStringLiteral("Значение должно быть больше предыдущего"));
        if (!error.isEmpty()) {
            check.ErrorLine = i;
            check.ErrorText = error;
            return check;
        }
        previous = value;
        check.Values.append(value);
    }
    return check;
}
