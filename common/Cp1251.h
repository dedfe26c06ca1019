// Code page 1251 (Windows Cyrillic), the controller's text encoding.
#pragma once

#include <QByteArray>
#include <QString>

namespace Cp1251 {

// Every byte maps to one character; the byte 0x98, undefined in the code
// page, maps to U+0098 so that any byte string survives a round trip.
QString toUnicode(const QByteArray &bytes);

// Characters the code page lacks become '?'. When lossless is given it is
// set to whether every character could be encoded.
QByteArray fromUnicode(const QString &text, bool *lossless = nullptr);

// True when the code page holds the character.
bool canEncode(QChar c);

} // namespace Cp1251
