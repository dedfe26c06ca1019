// Case-insensitive search through the terminal log, Cyrillic letters
// included: received lines are searched in their code page 1251 bytes with
// the code page's own case folding, lines the user edited in their text.
// A hit never spans two lines.
#pragma once

#include "TerminalLog.h"

#include <optional>

namespace LogSearch {

struct THit
{
    TLogRange Range;
    bool Wrapped = false; // found only after going round the log's end
};

// The first hit of needle starting at from or after it (backward: the last
// one starting before it), going round the log's end; none when the log
// does not hold the needle.
std::optional<THit> Find(const TTerminalLog &log, const QString &needle, TLogPosition from, bool backward);

} // namespace LogSearch
