#pragma once

#include <malloc.h>

#include <benchmark/benchmark.h>

// glibc's heap trimming for one benchmark run. With range 0 it keeps the default; with range 1
// glibc keeps freed memory instead of trimming the heap after each push, as a long-running agent's
// heap soon does (the threshold grows after the first large free).
struct HeapSettings {
    static constexpr int defaultTrimThreshold = 128 * 1024;
    static constexpr int noTrimming = 1 << 30;

    explicit HeapSettings(const benchmark::State& state) : steady(state.range(0) != 0) {
        if (steady) mallopt(M_TRIM_THRESHOLD, noTrimming);
    }
    ~HeapSettings() {
        if (steady) mallopt(M_TRIM_THRESHOLD, defaultTrimThreshold);
    }
    HeapSettings(const HeapSettings&) = delete;
    HeapSettings& operator=(const HeapSettings&) = delete;

    bool steady;
};
