#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer at a broken property; libFuzzer keeps the input that led here.
inline void check(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", property);
        std::abort();
    }
}
