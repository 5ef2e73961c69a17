// SPDX-License-Identifier: MIT
// The least any solver must do with a problem file: read its numbers and sort them. A plain
// streaming parse, a growing vector and std::sort, as a yardstick for whole runs of spanfold.
// Usage: parse_and_sort FILE
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: parse_and_sort FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::uint64_t> values;
    std::vector<char> buffer(1 << 20);
    std::uint64_t value = 0;
    bool inNumber = false;
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) != 0;) {
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c >= '0' && c <= '9') {
                value = value * 10 + static_cast<std::uint64_t>(c - '0');
                inNumber = true;
            } else if (inNumber) {
                values.push_back(value);
                value = 0;
                inNumber = false;
            }
        }
    }
    if (inNumber) values.push_back(value);
    std::fclose(file);
    std::sort(values.begin(), values.end());
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%zu values parsed and sorted in %.3f s\n", values.size(), seconds.count());
    return 0;
}
