#include "input/ReadProblem.hpp"

#include <array>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define SPANFOLD_ISATTY _isatty
#else
#include <unistd.h>
#define SPANFOLD_ISATTY isatty
#endif

namespace spanfold {
namespace {

constexpr std::array<bool, 256> delimiterTable = [] {
    std::array<bool, 256> table{};
    for (char c : inputDelimiters) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

bool isDelimiter(char c) noexcept { return delimiterTable[static_cast<unsigned char>(c)]; }

// Calls f(token) for every maximal run of non-delimiters, in line order.
template <typename F>
void forEachToken(std::string_view line, F&& f) {
    const char* p = line.data();
    const char* const end = p + line.size();
    while (true) {
        while (p != end && isDelimiter(*p)) ++p;
        if (p == end) return;
        const char* const start = p;
        while (p != end && !isDelimiter(*p)) ++p;
        f(std::string_view(start, static_cast<std::size_t>(p - start)));
    }
}

// One line of `in` into `line`. By default a stream swallows an exception raised inside a
// read (memory running out while a long line grows, say) and just stops, which would hand on
// the part of the line read so far as if it were all of it. For the read the stream is made
// to let it through instead. A failing read of the input itself (a directory, a closed
// descriptor, a terminal that is gone) becomes the reader's own message rather than the
// library's. The caller's stream reports no states by exception.
void readLine(std::istream& in, std::string& line) {
    const std::ios::iostate saved = in.exceptions();
    in.exceptions(std::ios::badbit);  // the state was cleared just before: this cannot throw
    try {
        std::getline(in, line);
    } catch (const std::ios_base::failure&) {
        in.clear();
        in.exceptions(saved);
        throw std::runtime_error(unreadableInputMessage);
    } catch (...) {
        in.clear();
        in.exceptions(saved);
        throw;
    }
    in.exceptions(saved);
}

// The first non-empty line of `in`, prompting before each read.
std::string readFirstNonEmptyLine(std::istream& in, std::ostream& out, bool interactive) {
    std::string line;
    while (true) {
        out << "Please, enter problem data:\n";
        out.flush();
        in.clear();
        readLine(in, line);
        if (!line.empty()) return line;
        // Nothing extracted, not even a line feed: the input has ended or failed. At a
        // terminal the user may type more after an end-of-file, unless the terminal is gone.
        if (in.fail() && (!interactive || in.bad() || !out.good())) {
            throw std::runtime_error("no problem data");
        }
    }
}

}  // namespace

bool parseDistance(std::string_view token, Distance& value) noexcept {
    constexpr Distance largestTimesTenSafe = 1844674407370955161u;  // (2^64 - 1) / 10
    Distance v = 0;
    for (char c : token) {
        if (v > largestTimesTenSafe) return false;
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<Distance>(c - '0');
        v = v * 10 + digit;
        if (v < digit) return false;  // wrapped past 2^64 - 1
    }
    value = v;
    return true;
}

DistanceMultiset readProblem(std::istream& in, std::ostream& out, bool interactive) {
    std::string line = readFirstNonEmptyLine(in, out, interactive);

    // Count first so the values take exactly the memory they need.
    std::size_t tokens = 0;
    forEachToken(line, [&](std::string_view) { ++tokens; });
    std::vector<Distance> values;
    values.reserve(tokens);
    forEachToken(line, [&](std::string_view token) {
        Distance value = 0;
        if (!parseDistance(token, value)) {
            throw std::runtime_error("input values invalid or too large");
        }
        values.push_back(value);
    });
    // The text is not needed any more; give its memory back before sorting.
    std::string().swap(line);
    return DistanceMultiset(std::move(values));
}

DistanceMultiset readProblem() {
    return readProblem(std::cin, std::cout, SPANFOLD_ISATTY(0) != 0);
}

}  // namespace spanfold
