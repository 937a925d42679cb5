// Number helpers run for every panel update; measure them against a plain snprintf.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "core/common/numbers.h"

static void BM_FormatNumber(benchmark::State& state) {
    double v = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(drv::FormatNumber(v, "00.000"));
        v += 0.073;
    }
}
BENCHMARK(BM_FormatNumber);

static void BM_SnprintfBaseline(benchmark::State& state) {
    double v = 0.0;
    char buf[64];
    for (auto _ : state) {
        std::snprintf(buf, sizeof buf, "%06.3f", v);
        benchmark::DoNotOptimize(buf);
        v += 0.073;
    }
}
BENCHMARK(BM_SnprintfBaseline);

static void BM_ParseLenient(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(drv::ParseLenient(" 0523"));
}
BENCHMARK(BM_ParseLenient);
