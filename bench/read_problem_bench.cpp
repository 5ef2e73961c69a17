// SPDX-License-Identifier: MIT
// Reads one problem file the way the program reads standard input and reports the reading
// speed and the process's peak memory against the size of the line. With --solve it goes on
// to solve the problem and splits the run into its phases: reading (parsing and sorting
// included), building the search's per-value table, and searching; with a SEED, the search
// draws from that first state rather than from the clock, so that its work is the same from
// run to run and two builds can be timed on the same search.
// Usage: read_problem_bench FILE [--solve [SEED]]
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "input/ReadProblem.hpp"
#include "library/ThreadCount.hpp"
#include "solver/RandomGenerator.hpp"
#include "solver/Solve.hpp"

namespace {

// The file, read the way standard input is read when it is redirected from a file.
class FileSource final : public spanfold::ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const ssize_t got = ::read(fd_, buffer, size);
        if (got < 0) throw std::runtime_error("cannot read the file");
        return static_cast<std::size_t>(got);
    }
    bool interactive() const noexcept override { return false; }

private:
    int fd_;
};

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const bool solve = (argc == 3 || argc == 4) && std::strcmp(argv[2], "--solve") == 0;
    if (argc != 2 && !solve) {
        std::cerr << "usage: read_problem_bench FILE [--solve [SEED]]\n";
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto bytes = static_cast<double>(lseek(fd, 0, SEEK_END));
    lseek(fd, 0, SEEK_SET);
    FileSource in(fd);
    std::ostringstream prompt;

    const auto start = std::chrono::steady_clock::now();
    spanfold::DistanceMultiset distances = spanfold::readProblem(in, prompt);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    close(fd);

    std::printf("distances      %zu\n", distances.size());
    std::printf("line           %.1f MB\n", bytes / 1e6);
    std::printf("reading        %.3f s\n", seconds.count());
    std::printf("speed          %.1f MB/s\n", bytes / 1e6 / seconds.count());
    std::printf("peak resident  %.1f MB (%.2f x the line)\n", peakResidentMegabytes(),
                peakResidentMegabytes() * 1e6 / bytes);
    if (!solve) return 0;

    spanfold::SolutionSet solutions;
    spanfold::RandomGenerator random =
        argc == 4 ? spanfold::RandomGenerator(static_cast<std::uint32_t>(std::stoul(argv[3])))
                  : spanfold::RandomGenerator::fromCounter();
    // As many threads as the program takes (SPANFOLD_THREADS, or the processors).
    const unsigned threads = spanfold::threadCountFromEnvironment().count;
    const spanfold::SolveResult result =
        spanfold::solve(std::move(distances), solutions, random, {.threads = {.count = threads}});
    std::printf("table          %.6f s\n", static_cast<double>(result.tableMicros) / 1e6);
    std::printf("search         %.6f s\n",
                static_cast<double>(result.elapsedMicros - result.tableMicros) / 1e6);
    std::printf("visited        %u, %u solutions\n", result.visitedNodes, solutions.size());
    std::printf("expanded       %llu\n", static_cast<unsigned long long>(result.expandedNodes));
    std::printf("seed after     %u\n", random.seed());
    std::printf("threads        %u\n", threads);
    if (threads > 1) {
        std::printf("helpers        %llu expansions in %llu subtrees, %.1f open on average\n",
                    static_cast<unsigned long long>(result.helperExpansions),
                    static_cast<unsigned long long>(result.helperTasks), result.openSubtrees);
    }
    std::printf("peak resident  %.1f MB\n", peakResidentMegabytes());
    return 0;
}
