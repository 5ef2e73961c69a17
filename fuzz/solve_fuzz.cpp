// SPDX-License-Identifier: MIT
// A whole solve on small arbitrary distance multisets with arbitrary limits and seeds. Checks
// that the plain reference search takes exactly the same path, that every stored solution
// reproduces the input exactly and is stored once, that the mirror of each is stored when the
// search ran to its end, that neither limit is exceeded and that every visited node reaches
// the listener.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "FuzzCheck.hpp"
#include "support/Differential.hpp"

namespace {

using namespace spanfold;
using testing::PointSet;

// The distances the fuzzer's bytes describe, in one of three shapes.
std::vector<Distance> distancesFrom(std::uint8_t mode, const std::uint8_t* data, std::size_t size) {
    PointSet points{0};
    if (mode == 0) {
        // A point set from gaps: up to 12 points, so a real problem with solutions.
        for (std::size_t i = 0; i < size && points.size() < 12; ++i) {
            points.push_back(points.back() + 1 + data[i] % 16);
        }
        return testing::pairwiseDistances(points);
    }
    if (mode == 1) {
        // Arbitrary small values: mostly no solution, often not even a valid count.
        std::vector<Distance> values;
        for (std::size_t i = 0; i < size && values.size() < 45; ++i) values.push_back(data[i] % 24);
        return values;
    }
    // Points near the top of the 64-bit range.
    const Position top = 18446744073709551615u;
    for (std::size_t i = 0; i < size && points.size() < 10; ++i) {
        points.push_back(top - data[i] * std::uint64_t{977});
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return testing::pairwiseDistances(points);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8 || size > 64) return 0;
    SearchLimits limits;
    if (data[0] % 5 != 0) limits.maxsols = data[0] % 5;
    if (data[1] % 4 != 0) limits.maxnodes = 1u + ((std::uint32_t{data[1]} << 8) | data[2]);
    const std::uint32_t seed = std::uint32_t{data[3]} | std::uint32_t{data[4]} << 8 |
                               std::uint32_t{data[5]} << 16 | std::uint32_t{data[6]} << 24;
    const DistanceMultiset distances(distancesFrom(data[7] % 3, data + 8, size - 8));

    // With a listener every node is listed in its order; without one the program may count
    // repeated subtrees from its table, here keeping even the smallest, and looks distances
    // up along the path the input chooses.
    const testing::Outcome actual = testing::runProgram(distances, limits, true, seed);
    std::string difference =
        testing::firstDifference(testing::runReference(distances, limits, true, seed), actual);
    if (difference.empty()) {
        // Each way of taking distances, whatever the table's size: plain loops, the pipeline,
        // or counts by value from the first expansion.
        const std::size_t any = static_cast<std::size_t>(-1);
        const LookupSettings ways[] = {{any}, {0}, {any, Distance{1} << 63, 1}};
        const LookupSettings lookup = ways[data[7] / 3 % 3];
        difference = testing::firstDifference(
            testing::runReference(distances, limits, false, seed),
            testing::runProgram(distances, limits, false, seed, {{1 << 20, 1}, lookup}));
    }
    if (!difference.empty()) std::fprintf(stderr, "%s\n", difference.c_str());
    FUZZ_CHECK(difference.empty());
    if (!actual.error.empty()) {
        FUZZ_CHECK(actual.nodes.empty() && actual.solutions.empty());
        return 0;
    }

    FUZZ_CHECK(actual.visited >= 1 && actual.visited <= limits.maxnodes);
    FUZZ_CHECK(actual.nodes.size() == actual.visited);
    FUZZ_CHECK(actual.solutions.size() <= limits.maxsols);
    for (std::size_t i = 0; i < actual.solutions.size(); ++i) {
        FUZZ_CHECK(testing::reproduces(actual.solutions[i], distances));
        // Stored once each, in ascending order.
        if (i > 0) FUZZ_CHECK(actual.solutions[i - 1] < actual.solutions[i]);
    }
    const bool ranToTheEnd =
        actual.visited < limits.maxnodes && actual.solutions.size() < limits.maxsols;
    if (ranToTheEnd) {
        for (const PointSet& s : actual.solutions) {
            FUZZ_CHECK(std::binary_search(actual.solutions.begin(), actual.solutions.end(),
                                          testing::mirrorOf(s)));
        }
    }
    return 0;
}
