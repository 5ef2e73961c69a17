// SPDX-License-Identifier: MIT
// The search on generated and real instances: visited nodes, nodes actually expanded, visited
// nodes per second, and the process's peak resident memory so far.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

#include "solver/Solve.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/PointSets.hpp"

namespace {

using namespace spanfold;

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void runSearch(benchmark::State& state, const DistanceMultiset& distances) {
    std::uint64_t nodes = 0;
    SolveResult last;
    std::uint32_t solutionCount = 0;
    for (auto _ : state) {
        SolutionSet solutions;
        RandomGenerator random(1);
        last = solve(distances, solutions, random);
        nodes += last.visitedNodes;
        solutionCount = solutions.size();
        benchmark::DoNotOptimize(solutions.size());
    }
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
    state.counters["visited"] = static_cast<double>(last.visitedNodes);
    state.counters["expanded"] = static_cast<double>(last.expandedNodes);
    state.counters["solutions"] = static_cast<double>(solutionCount);
    state.counters["peakMB"] = peakResidentMegabytes();
}

void family(benchmark::State& state, const std::vector<std::string>& words) {
    runSearch(state, testing::distancesOf(testing::makeFamily(words)));
}

void randomInstance(benchmark::State& state) {
    const auto n = static_cast<std::uint64_t>(state.range(0));
    family(state, {"random", std::to_string(n), std::to_string(10 * n * n), "1"});
}
BENCHMARK(randomInstance)->Arg(100)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// The hard family: two solutions and about 4^K complete leaves, most in repeated subtrees.
// From K = 13 on the default node limit stops the search.
void hardInstance(benchmark::State& state) {
    family(state, {"zhang", std::to_string(state.range(0)), "1"});
}
BENCHMARK(hardInstance)
    ->DenseRange(4, 8)
    ->Arg(10)
    ->Arg(12)
    ->Arg(14)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(family, mirror40, {"mirror", "40", "16000", "1"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(family, duplicates60, {"duplicates", "60", "1"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(family, homometric20x10, {"homometric", "20", "10", "1"})
    ->Unit(benchmark::kMillisecond);

// The real restriction maps in data/.
void restrictionMap(benchmark::State& state, const char* file) {
    std::ifstream in(std::string(SPANFOLD_DATA) + "/" + file, std::ios::binary);
    std::vector<Distance> values;
    for (Distance d; in >> d;) values.push_back(d);
    runSearch(state, DistanceMultiset(values));
}
BENCHMARK_CAPTURE(restrictionMap, ecoli1, "ecoli-k12-1.txt")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(restrictionMap, ecoli2, "ecoli-k12-2.txt")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
