#pragma once
// The fuzz targets' assertion: prints what went wrong and aborts, so that libFuzzer keeps the
// input that broke a property, as it does for a crash.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, ...)                                                         \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                                                   \
      std::fprintf(stderr, "\n");                                                          \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
