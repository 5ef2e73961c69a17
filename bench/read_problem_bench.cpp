// Reads one problem file the way the program reads standard input and reports the reading
// speed and the process's peak memory against the size of the line.
// Usage: read_problem_bench FILE
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "input/ReadProblem.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: read_problem_bench FILE\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::perror(argv[1]);
        return 1;
    }
    in.seekg(0, std::ios::end);
    const auto bytes = static_cast<double>(in.tellg());
    in.seekg(0);
    std::ostringstream prompt;

    const auto start = std::chrono::steady_clock::now();
    const spanfold::DistanceMultiset distances = spanfold::readProblem(in, prompt, false);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    std::printf("distances      %zu\n", distances.size());
    std::printf("line           %.1f MB\n", bytes / 1e6);
    std::printf("time           %.3f s\n", seconds.count());
    std::printf("speed          %.1f MB/s\n", bytes / 1e6 / seconds.count());
    std::printf("peak resident  %.1f MB (%.2f x the line)\n", peakBytes / 1e6, peakBytes / bytes);
    return 0;
}
