// SPDX-License-Identifier: MIT
// What a random read costs on this host as the memory read grows: the yardstick for the big
// end, whose searches read the distance table at random, many lookups in flight at once.
//
// For each size it takes an array from the system as the program takes its large blocks
// (address space reserved at a huge-page boundary, huge pages asked for, or not), writes it
// all, then reads single bytes of random cache lines, 16 requests in flight as in the search's
// lookups, and prints the nanoseconds per read. Where that cost grows with the size, a run on
// four times the distances pays more than four times the time for the same work. Where asking
// for huge pages changes nothing though the system grants them (AnonHugePages in
// /proc/meminfo), the host translates addresses in small pages underneath, whatever the
// program asks.
//
// Usage: random_reads [MB ...]   (by default 160 320 640 1280 2560)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "memory/Pages.hpp"

namespace {

using spanfold::pages::granularity;
using spanfold::pages::hugePageSize;

constexpr std::size_t inFlight = 16;
constexpr std::size_t reads = std::size_t{1} << 25;

// xorshift64: cheap, and no two reads of a batch depend on each other.
std::uint64_t nextRandom(std::uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

// Nanoseconds per read over `bytes` of fresh memory; a negative value when there is none.
double nanosecondsPerRead(std::size_t bytes, bool huge) {
    const std::size_t alignment = std::max(granularity(), hugePageSize());
    void* const data = spanfold::pages::reserve(bytes, alignment);
    if (data == nullptr) return -1;
    if (!spanfold::pages::commit(data, bytes)) {
        spanfold::pages::release(data, bytes);
        return -1;
    }
    if (huge) spanfold::pages::adviseHugePages(data, bytes);
    auto* const memory = static_cast<unsigned char*>(data);
    std::memset(memory, 1, bytes);

    const std::size_t lines = bytes / 64;
    std::uint64_t state = 0x9e3779b97f4a7c15u;
    std::uint64_t sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < reads; done += inFlight) {
        std::size_t line[inFlight];
        for (std::size_t k = 0; k < inFlight; ++k) {
            line[k] = static_cast<std::size_t>(nextRandom(state) % lines);
            __builtin_prefetch(memory + line[k] * 64);
        }
        for (std::size_t k = 0; k < inFlight; ++k) sum += memory[line[k] * 64];
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    spanfold::pages::release(data, bytes);
    // Every byte read is 1: the sum shows the reads were made.
    if (sum != reads) {
        std::fprintf(stderr, "random_reads: read %llu, not %zu\n",
                     static_cast<unsigned long long>(sum), reads);
    }
    return seconds / static_cast<double>(reads) * 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const unsigned long long megabytes = std::strtoull(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || megabytes == 0 || megabytes > (1u << 20)) {
            std::fprintf(stderr, "usage: random_reads [MB ...]\n");
            return 2;
        }
        sizes.push_back(static_cast<std::size_t>(megabytes) << 20);
    }
    if (sizes.empty()) {
        for (std::size_t megabytes : {160, 320, 640, 1280, 2560}) {
            sizes.push_back(megabytes << 20);
        }
    }
    std::printf("ns per random read, %zu in flight\n%10s %12s %12s\n", inFlight, "MB", "huge asked",
                "not asked");
    for (std::size_t bytes : sizes) {
        const double huge = nanosecondsPerRead(bytes, true);
        const double small = nanosecondsPerRead(bytes, false);
        if (huge < 0 || small < 0) {
            std::printf("%10zu %12s %12s\n", bytes >> 20, "no memory", "");
            continue;
        }
        std::printf("%10zu %12.1f %12.1f\n", bytes >> 20, huge, small);
    }
    return 0;
}
