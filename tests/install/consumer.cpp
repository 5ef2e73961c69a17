// SPDX-License-Identifier: MIT
// A program of a library user, built against the installed tree alone (its header, its
// libspanfold.a, found through CMake or pkg-config): it solves a problem made from points and
// meets an error, and says what it found. Exit code 0 when all is as the header promises.
#include <cstdint>
#include <iostream>
#include <spanfold/spanfold.hpp>
#include <string>
#include <vector>

int main() {
    const std::vector<std::uint64_t> points{0, 2, 5};
    const std::vector<std::uint64_t> line = spanfold::distances(points);
    const spanfold::Result result = spanfold::solve(line, {.seed = 1});
    const std::vector<std::vector<std::uint64_t>> expected{{0, 2, 5}, {0, 3, 5}};
    bool good = line == std::vector<std::uint64_t>{2, 3, 5} && result.solutions == expected &&
                result.visitedNodes == 3 && result.stoppedBy == spanfold::StopReason::none;
    try {
        spanfold::solve(std::vector<std::uint64_t>{1, 2});
        good = false;
    } catch (const spanfold::InvalidInput& e) {
        good = good && std::string(e.what()) == "invalid number of distances";
    }
    std::cout << "consumer: " << result.solutions.size() << " solutions of 2 3 5 in "
              << result.visitedNodes << " nodes" << (good ? "" : "; NOT AS EXPECTED") << std::endl;
    return good ? 0 : 1;
}
