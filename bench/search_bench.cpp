// The search on generated instances: visited nodes per second, and the process's peak
// resident memory so far.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "InstanceGenerator.hpp"
#include "solver/Solve.hpp"
#include "support/PointSets.hpp"

namespace {

using namespace spanfold;

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void runSearch(benchmark::State& state, const bench::Points& points) {
    const DistanceMultiset distances = testing::distancesOf(points);
    std::uint64_t nodes = 0;
    std::uint64_t solutionCount = 0;
    for (auto _ : state) {
        SolutionSet solutions;
        nodes += solve(distances, noLimit, noLimit, nullptr, solutions).visitedNodes;
        solutionCount = solutions.size();
        benchmark::DoNotOptimize(solutions.size());
    }
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
    state.counters["nodes"] = static_cast<double>(nodes) / static_cast<double>(state.iterations());
    state.counters["solutions"] = static_cast<double>(solutionCount);
    state.counters["peakMB"] = peakResidentMegabytes();
}

void randomInstance(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    runSearch(state, bench::randomPoints(n, 10ull * n * n, 1));
}
BENCHMARK(randomInstance)->Arg(100)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void hardInstance(benchmark::State& state) {
    runSearch(state, bench::zhangPoints(static_cast<std::uint32_t>(state.range(0)), 1));
}
BENCHMARK(hardInstance)->DenseRange(4, 8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
