#pragma once

#include <cstdlib>

// How many times a benchmark with a fixed number of runs repeats: once when
// VELMORAND_BENCH_ONCE is set, as the tests' run of every benchmark program does, which checks
// only that the program still runs, not what it measures.
inline int fixedRuns(int runs) { return std::getenv("VELMORAND_BENCH_ONCE") ? 1 : runs; }
