#include "InputChecks.h"

#include "InputError.h"
#include "common/Cp1251.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

[[noreturn]] void Fail(const QString &field, const QString &problem)
{
    throw TInputError(field + QStringLiteral(": ") + problem);
}

QString Range(qint64 min, qint64 max)
{
    return QStringLiteral("вне пределов %1..%2").arg(min).arg(max);
}

QString JsonTypeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("логическое значение");
    case QJsonValue::Double: return QStringLiteral("число");
    case QJsonValue::String: return QStringLiteral("текст");
    case QJsonValue::Array: return QStringLiteral("массив");
    case QJsonValue::Object: return QStringLiteral("объект");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("ничего");
}

void ExpectType(const QJsonValue &value, QJsonValue::Type type, const QString &field)
{
    if (value.type() == type)
        return;
    Fail(field, QStringLiteral("ожидается %1, а не %2").arg(JsonTypeName(QJsonValue(type)), JsonTypeName(value)));
}

// What the JSON parser found wrong, in the words of this program.
QString ParseProblem(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject: return QStringLiteral("объект не закрыт");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("нет двоеточия после имени");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("массив не закрыт");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("нет запятой между значениями");
    case QJsonParseError::IllegalValue: return QStringLiteral("недопустимое значение");
    case QJsonParseError::TerminationByNumber: return QStringLiteral("документ оборван на числе");
    case QJsonParseError::IllegalNumber: return QStringLiteral("недопустимое число");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("недопустимая escape-последовательность");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("недопустимая последовательность UTF-8");
    case QJsonParseError::UnterminatedString: return QStringLiteral("текст не закрыт");
    case QJsonParseError::MissingObject: return QStringLiteral("ожидается объект");
    case QJsonParseError::DeepNesting: return QStringLiteral("слишком глубокая вложенность");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("документ слишком велик");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("лишнее после конца документа");
    case QJsonParseError::NoError: break;
    }
    return QStringLiteral("ошибка разбора");
}

} // namespace

namespace InputChecks {

qint64 ParseInteger(const QString &text, qint64 min, qint64 max, const QString &what)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!decimal.match(trimmed).hasMatch())
        Fail(what, QStringLiteral("«%1» — не десятичное целое число").arg(trimmed));
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok);
    if (!ok || number < min || number > max)
        Fail(what, QStringLiteral("%1 %2").arg(trimmed, Range(min, max)));
    return number;
}

qint64 CheckedInteger(const QJsonValue &value, qint64 min, qint64 max, const QString &field)
{
    ExpectType(value, QJsonValue::Double, field);
    const double number = value.toDouble();
    const QString shown = QString::number(number, 'g', QLocale::FloatingPointShortest);
    if (!std::isfinite(number) || std::trunc(number) != number)
        Fail(field, QStringLiteral("%1 — не целое число").arg(shown));
    if (number < double(min) || number > double(max))
        Fail(field, QStringLiteral("%1 %2").arg(shown, Range(min, max)));
    return qint64(number);
}

QByteArray Cp1251Text(const QString &text, const QString &field)
{
    for (const QChar c : text) {
        if (!Cp1251::canEncode(c))
            Fail(field, QStringLiteral("символа «%1» (U+%2) нет в кодовой странице 1251")
                            .arg(c)
                            .arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return Cp1251::fromUnicode(text);
}

QByteArray CheckedText(const QJsonValue &value, qsizetype capacity, const QString &field)
{
    ExpectType(value, QJsonValue::String, field);
    const QByteArray bytes = Cp1251Text(value.toString(), field);
    if (bytes.contains('\0'))
        Fail(field, QStringLiteral("символ U+0000 не хранится: на нём текст кончается"));
    if (bytes.size() > capacity)
        Fail(field, QStringLiteral("длина %1, наибольшая %2").arg(bytes.size()).arg(capacity));
    return bytes;
}

QByteArray CheckedHex(const QJsonValue &value, qsizetype size, const QString &field)
{
    ExpectType(value, QJsonValue::String, field);
    const QString text = value.toString();
    if (text.size() != 2 * size)
        Fail(field, QStringLiteral("длина %1, ожидается %2 шестнадцатеричных цифр").arg(text.size()).arg(2 * size));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')))
            Fail(field, QStringLiteral("«%1» в позиции %2 — не шестнадцатеричная цифра").arg(text.at(i)).arg(i));
    }
    return QByteArray::fromHex(text.toLatin1());
}

QJsonArray CheckedArray(const QJsonValue &value, qsizetype count, const QString &field)
{
    ExpectType(value, QJsonValue::Array, field);
    const QJsonArray array = value.toArray();
    if (array.size() != count)
        Fail(field, QStringLiteral("элементов %1, ожидается %2").arg(array.size()).arg(count));
    return array;
}

QJsonObject CheckedObject(const QJsonValue &value, const QString &field)
{
    ExpectType(value, QJsonValue::Object, field);
    return value.toObject();
}

QJsonObject ParseJsonObject(const QByteArray &document, const QString &source)
{
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError)
        Fail(source, QStringLiteral("не JSON: в позиции %1 %2").arg(error.offset).arg(ParseProblem(error.error)));
    if (!parsed.isObject())
        Fail(source, QStringLiteral("ожидается один объект JSON"));
    return parsed.object();
}

int TankNumber(const QString &text)
{
    return int(ParseInteger(text, 1, TTankTables::Count, QStringLiteral("TANK")));
}

Volumes ParseTableText(const QByteArray &text)
{
    Volumes volumes{};
    qsizetype count = 0;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i)).trimmed();
        if (line.isEmpty())
            continue;
        const QString where = QStringLiteral("строка %1").arg(i + 1);
        const qint32 value = qint32(ParseInteger(line, INT32_MIN, INT32_MAX, where));
        if (count == TankTable::EntryCount)
            Fail(where, QStringLiteral("значений больше %1").arg(TankTable::EntryCount));
        volumes[count++] = value;
    }
    if (count != TankTable::EntryCount)
        Fail(QStringLiteral("таблица"), QStringLiteral("значений %1, ожидается %2").arg(count).arg(TankTable::EntryCount));
    return volumes;
}

Volumes CheckedTable(const QJsonValue &value, const QString &field)
{
    const QJsonArray array = CheckedArray(value, TankTable::EntryCount, field);
    Volumes volumes{};
    for (qsizetype k = 0; k < array.size(); ++k)
        volumes[k] = CheckedInteger<qint32>(array.at(k), QStringLiteral("%1[%2]").arg(field).arg(k));
    return volumes;
}

} // namespace InputChecks
