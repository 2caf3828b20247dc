#include <benchmark/benchmark.h>

#include "text_output.h"

static void BM_free_form(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(varandel::free_form_text({"programm cancled"}));
}
BENCHMARK(BM_free_form);
