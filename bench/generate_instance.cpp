// SPDX-License-Identifier: MIT
// Writes the problem line of a generated instance to standard output.
// Usage: generate_instance FAMILY ARGS... [--points]
// With --points it writes the point set instead, one line, blank-separated.
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/InstanceGenerator.hpp"

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    bool points = false;
    if (!words.empty() && words.back() == "--points") {
        points = true;
        words.pop_back();
    }
    try {
        const auto set = spanfold::testing::makeFamily(words);
        std::ios::sync_with_stdio(false);
        if (points) {
            for (std::size_t i = 0; i < set.size(); ++i) std::cout << (i ? " " : "") << set[i];
            std::cout << '\n';
        } else {
            spanfold::testing::writeProblemLine(std::cout, set);
        }
        std::cout.flush();
        return std::cout ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "generate_instance: " << e.what() << "\n"
                  << "usage: generate_instance random N RANGE SEED | zhang K SEED [EPS [W]] |\n"
                     "       zhang-union K SEED | zhang-perturbed K SEED | homometric A B SEED |\n"
                     "       duplicates N SEED | mirror N RANGE SEED [--points]\n";
        return 2;
    }
}
