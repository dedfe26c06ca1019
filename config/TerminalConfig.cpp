#include "TerminalConfig.h"

void TTerminalConfig::Clear()
{
    const auto keptGaps = gaps;
    *this = TTerminalConfig();
    gaps = keptGaps;
}
