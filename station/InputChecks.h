// Checks of everything the user hands in, each failing with a TInputError
// that names the field, argument or line.
#pragma once

#include "calibration/TankTable.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <array>
#include <concepts>
#include <limits>

namespace InputChecks {

using Volumes = std::array<qint32, TankTable::EntryCount>;

// A decimal integer within [min, max]; what names it in the error.
qint64 ParseInteger(const QString &text, qint64 min, qint64 max, const QString &what);

// A JSON number that is an integer within [min, max].
qint64 CheckedInteger(const QJsonValue &value, qint64 min, qint64 max, const QString &field);

template<std::integral T>
T CheckedInteger(const QJsonValue &value, const QString &field)
{
    return T(CheckedInteger(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), field));
}

// Text in code page 1251: every character must exist there.
QByteArray Cp1251Text(const QString &text, const QString &field);

// A JSON string of at most capacity characters, in code page 1251, without
// NUL: the controller's texts end at the first one.
QByteArray CheckedText(const QJsonValue &value, qsizetype capacity, const QString &field);

// A JSON string of exactly size bytes in hexadecimal, two digits a byte.
QByteArray CheckedHex(const QJsonValue &value, qsizetype size, const QString &field);

// A JSON array of exactly count entries.
QJsonArray CheckedArray(const QJsonValue &value, qsizetype count, const QString &field);

// A JSON object.
QJsonObject CheckedObject(const QJsonValue &value, const QString &field);

// A whole JSON document that is one object; source names it in errors.
QJsonObject ParseJsonObject(const QByteArray &document, const QString &source);

// Tank number 1..16.
int TankNumber(const QString &text);

// A calibration table as text: one decimal value a line, 400 lines; blank
// lines are skipped.
Volumes ParseTableText(const QByteArray &text);

// A calibration table as a JSON array of 400 integers.
Volumes CheckedTable(const QJsonValue &value, const QString &field);

} // namespace InputChecks
