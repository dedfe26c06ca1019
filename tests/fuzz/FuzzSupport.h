// What every fuzz target shares: failing a property.
#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property: prints what broke and aborts, so that libFuzzer keeps
// the input as a crash.
inline void Require(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}
