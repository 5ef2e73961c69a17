// SPDX-License-Identifier: MIT
// The problem reader on arbitrary bytes. Whatever it is given, it returns the values of the
// first non-empty line or says why not, and an independent reading of the same bytes agrees.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzCheck.hpp"
#include "input/ReadProblem.hpp"
#include "support/StringSource.hpp"

namespace {

bool isDelimiter(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == ',' || c == ';';
}

// Digits only and at most 2^64 - 1, judged on the text: leading zeros dropped, then by length
// and lexicographically against the largest value.
bool fitsIn64Bits(const std::string& token, std::uint64_t& value) {
    if (token.empty() ||
        !std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const std::string digits = token.substr(std::min(token.find_first_not_of('0'), token.size()));
    const std::string largest = "18446744073709551615";
    if (digits.size() > largest.size()) return false;
    if (digits.size() == largest.size() && digits > largest) return false;
    value = 0;
    for (char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // What the reader should do: the first line that holds any character at all.
    std::size_t start = 0;
    std::string line;
    bool found = false;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        line = bytes.substr(start, end - start);
        if (!line.empty()) {
            found = true;
            break;
        }
        if (end == bytes.size()) break;
        start = end + 1;
    }
    std::vector<std::uint64_t> expected;
    bool valid = true;
    std::string token;
    for (std::size_t i = 0; i <= line.size() && valid; ++i) {
        if (i == line.size() || isDelimiter(line[i])) {
            if (!token.empty()) {
                std::uint64_t value = 0;
                valid = fitsIn64Bits(token, value);
                expected.push_back(value);
            }
            token.clear();
        } else {
            token += line[i];
        }
    }
    std::sort(expected.begin(), expected.end());

    // The bytes as a pipe that hands them out in reads of a size the input chooses, so that
    // tokens and line ends fall on every boundary.
    spanfold::testing::StringSource in(bytes, 1 + (size == 0 ? 0 : data[0] % 13));
    std::ostringstream out;
    try {
        const spanfold::DistanceMultiset result = spanfold::readProblem(in, out);
        FUZZ_CHECK(found && valid);
        FUZZ_CHECK(result.values() == expected);
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        if (message == "no problem data") {
            FUZZ_CHECK(!found);
        } else {
            FUZZ_CHECK(message == "input values invalid or too large");
            FUZZ_CHECK(found && !valid);
        }
    }
    // The prompt, once per line read, and nothing else.
    const std::string prompt = "Please, enter problem data:\n";
    FUZZ_CHECK(!out.str().empty() && out.str().size() % prompt.size() == 0);
    // When a line was used, everything after its line feed is left unread.
    if (found && valid) {
        const std::size_t lineFeed = bytes.find('\n', start);
        FUZZ_CHECK(in.rest() == (lineFeed == std::string::npos ? "" : bytes.substr(lineFeed + 1)));
    }
    return 0;
}
