// The byte layout of the controller's "config" file.
//
// A fixed run of 429 bytes, no header: little-endian numbers, texts as code
// page 1251 bytes padded with NUL (each ends in NUL except the card password,
// which may fill its 12 bytes), six 16-byte tank slots at 256 and four 16-byte
// dispenser slots at 352, each slot ending in 4 unused bytes.
#pragma once

#include <QByteArray>

class TTerminalConfig;

namespace ConfigImage {

constexpr qsizetype Size = 429;

// The image of Config, gap bytes taken from Config.gaps.
QByteArray Encode(const TTerminalConfig &Config);

// The image of Config laid over Original (at least Size bytes, else TError):
// the gap bytes, and every text that Config holds as Original reads, keep
// Original's bytes (a text filling its whole field, bytes after its NUL);
// every other member is encoded from Config. An unchanged Config gives
// Original's first Size bytes.
QByteArray EncodeOver(const QByteArray &Original, const TTerminalConfig &Config);

// Decodes the first Size bytes of Image into Config, gap bytes included.
// Throws TError and leaves Config unchanged when Image is shorter.
void Decode(const QByteArray &Image, TTerminalConfig &Config);

} // namespace ConfigImage
