// Adding to and reading from the chunked pointer list that indexes pages and positions.
#include "output/PimUtil.h"

#include <benchmark/benchmark.h>

static void AddItems(benchmark::State& State) {
    const int n = static_cast<int>(State.range(0));
    for (auto _ : State) {
        TPimList List;
        for (int i = 0; i < n; ++i)
            List.Add(reinterpret_cast<void*>(static_cast<intptr_t>(i + 1)));
        benchmark::DoNotOptimize(List.Count());
    }
    State.SetItemsProcessed(State.iterations() * n);
}
BENCHMARK(AddItems)->Arg(1000)->Arg(100000)->Arg(1000000);

static void ReadItems(benchmark::State& State) {
    const int n = static_cast<int>(State.range(0));
    TPimList List;
    for (int i = 0; i < n; ++i)
        List.Add(reinterpret_cast<void*>(static_cast<intptr_t>(i + 1)));
    for (auto _ : State) {
        intptr_t Sum = 0;
        for (int i = 0; i < n; ++i)
            Sum += reinterpret_cast<intptr_t>(List.Items(i));
        benchmark::DoNotOptimize(Sum);
    }
    State.SetItemsProcessed(State.iterations() * n);
}
BENCHMARK(ReadItems)->Arg(100000)->Arg(1000000);

BENCHMARK_MAIN();
