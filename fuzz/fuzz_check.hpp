#pragma once

#include <cstdio>
#include <cstdlib>

// A property the code under test broke. Aborting turns it into a crash that libFuzzer records,
// with the failing input saved next to it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
