// A whole solve on small arbitrary distance multisets with arbitrary limits and seeds. Checks
// that every stored solution reproduces the input exactly, each is stored once, the mirror of
// each is stored when the search ran to its end, neither limit is exceeded, every visited
// node reaches the listener, and the plain reference search takes exactly the same path.
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "FuzzCheck.hpp"
#include "solver/RandomSeed.hpp"
#include "solver/ReferenceSearch.hpp"
#include "solver/Solve.hpp"

namespace {

using namespace spanfold;
using PointSet = std::vector<Position>;

class Recorder final : public NodeListener {
public:
    void nodeVisited(const Position* others, std::uint32_t count) override {
        nodes.emplace_back(others, others + (count - 1));
    }
    std::vector<PointSet> nodes;
};

struct Outcome {
    std::uint32_t visited = 0;
    std::uint32_t seed = 0;
    std::vector<PointSet> nodes;
    std::vector<PointSet> solutions;
    std::uint32_t pointCount = 0;
    std::string error;
};

template <typename Solve>
Outcome run(Solve solveFunction, const DistanceMultiset& distances, std::uint32_t maxsols,
            std::uint32_t maxnodes, std::uint32_t seed) {
    randomSeed = seed;
    Recorder recorder;
    SolutionSet solutions;
    std::uint64_t micros = 0;
    Outcome outcome;
    try {
        outcome.visited = solveFunction(distances, maxsols, maxnodes, &recorder, solutions, micros);
    } catch (const std::invalid_argument& e) {
        outcome.error = e.what();
    }
    outcome.seed = randomSeed;
    outcome.nodes = recorder.nodes;
    outcome.pointCount = solutions.pointCount;
    for (const Solution& s : solutions) {
        outcome.solutions.emplace_back(s.positions(), s.positions() + (solutions.pointCount - 1));
    }
    return outcome;
}

std::vector<Distance> distancesOf(const PointSet& withZero) {
    std::vector<Distance> d;
    for (std::size_t i = 0; i < withZero.size(); ++i) {
        for (std::size_t j = i + 1; j < withZero.size(); ++j) d.push_back(withZero[j] - withZero[i]);
    }
    std::sort(d.begin(), d.end());
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8 || size > 64) return 0;
    const std::uint32_t maxsols = data[0] % 5 == 0 ? 4294967295u : data[0] % 5;
    const std::uint32_t maxnodes =
        data[1] % 4 == 0 ? 4294967295u : 1u + ((std::uint32_t{data[1]} << 8) | data[2]);
    const std::uint32_t seed = std::uint32_t{data[3]} | std::uint32_t{data[4]} << 8 |
                               std::uint32_t{data[5]} << 16 | std::uint32_t{data[6]} << 24;
    const std::uint8_t mode = data[7] % 3;
    data += 8;
    size -= 8;

    std::vector<Distance> values;
    if (mode == 0) {
        // A point set from gaps: up to 12 points, so a real problem with solutions.
        PointSet points{0};
        for (std::size_t i = 0; i < size && points.size() < 12; ++i) {
            points.push_back(points.back() + 1 + data[i] % 16);
        }
        values = distancesOf(points);
    } else if (mode == 1) {
        // Arbitrary small values: mostly no solution, often not even a valid count.
        for (std::size_t i = 0; i < size && values.size() < 45; ++i) values.push_back(data[i] % 24);
    } else {
        // Points near the top of the 64-bit range.
        PointSet points{0};
        const Position top = 18446744073709551615u;
        for (std::size_t i = 0; i < size && points.size() < 10; ++i) {
            points.push_back(top - data[i] * std::uint64_t{977});
        }
        std::sort(points.begin(), points.end());
        points.erase(std::unique(points.begin(), points.end()), points.end());
        values = distancesOf(points);
    }
    const DistanceMultiset distances(values);

    const Outcome actual = run(solve, distances, maxsols, maxnodes, seed);
    const Outcome expected = run(reference::solve, distances, maxsols, maxnodes, seed);
    FUZZ_CHECK(actual.error == expected.error);
    FUZZ_CHECK(actual.visited == expected.visited);
    FUZZ_CHECK(actual.seed == expected.seed);
    FUZZ_CHECK(actual.nodes == expected.nodes);
    FUZZ_CHECK(actual.solutions == expected.solutions);
    if (!actual.error.empty()) {
        FUZZ_CHECK(actual.nodes.empty() && actual.solutions.empty());
        return 0;
    }

    FUZZ_CHECK(actual.visited >= 1 && actual.visited <= maxnodes);
    FUZZ_CHECK(actual.nodes.size() == actual.visited);
    FUZZ_CHECK(actual.solutions.size() <= maxsols);
    for (std::size_t i = 0; i < actual.solutions.size(); ++i) {
        PointSet withZero{0};
        withZero.insert(withZero.end(), actual.solutions[i].begin(), actual.solutions[i].end());
        FUZZ_CHECK(distancesOf(withZero) == distances.values());
        // Stored once each, in ascending order.
        if (i > 0) FUZZ_CHECK(actual.solutions[i - 1] < actual.solutions[i]);
    }
    const bool ranToTheEnd = actual.visited < maxnodes && actual.solutions.size() < maxsols;
    if (ranToTheEnd && actual.pointCount > 2) {
        for (const PointSet& s : actual.solutions) {
            PointSet mirror;
            for (std::size_t i = 0; i + 1 < s.size(); ++i) mirror.push_back(s.back() - s[i]);
            std::sort(mirror.begin(), mirror.end());
            mirror.push_back(s.back());
            FUZZ_CHECK(std::binary_search(actual.solutions.begin(), actual.solutions.end(), mirror));
        }
    }
    return 0;
}
