// SPDX-License-Identifier: MIT
// Prompting, reading the problem line in blocks and converting its tokens as they stream past.

#include "input/ReadProblem.hpp"

#include <array>
#include <bit>
#include <cstring>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace spanfold {
namespace {

// How far ahead of a token the word-at-a-time conversion reads: three words.
constexpr std::size_t lookAhead = 24;

constexpr std::array<bool, 256> delimiterTable = [] {
    std::array<bool, 256> table{};
    for (char c : inputDelimiters) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

bool isDelimiter(char c) noexcept { return delimiterTable[static_cast<unsigned char>(c)]; }

[[noreturn]] void badToken() { throw std::runtime_error("input values invalid or too large"); }

// One more character of a token by the exact rule: the value stays at most 2^64 - 1 and
// every character is a digit. Before multiplying by ten the value must be at most
// (2^64 - 1) / 10; after adding the digit, a value below the digit means it wrapped (which
// happens only for a prefix of exactly 1844674407370955161 followed by 6 to 9).
bool appendDigit(Distance& value, char c) noexcept {
    if (value > 1844674407370955161u) return false;
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<Distance>(c - '0');
    value = value * 10 + digit;
    return value >= digit;
}

// Eight bytes as a word whose lowest byte is the first: the machines built for are
// little-endian.
static_assert(std::endian::native == std::endian::little);
std::uint64_t loadWord(const char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Bit 7 of every byte of the word that is not an ASCII digit. A byte is a digit when it is
// 0x30 to 0x39, that is when x = byte ^ 0x30 is below 10: x's own bit 7 is clear and its low
// seven bits plus 0x76 stay below 0x80. No byte carries into the next.
std::uint64_t nonDigits(std::uint64_t word) noexcept {
    const std::uint64_t x = word ^ 0x3030303030303030u;
    const std::uint64_t y = (x & 0x7F7F7F7F7F7F7F7Fu) + 0x7676767676767676u;
    return (x | y) & 0x8080808080808080u;
}

// The number written by eight digit bytes, the first the most significant; zero bytes count
// as leading zeros. Pairs of digits, then pairs of pairs, are combined in parallel.
//
// For "12345678" (bytes, lowest first: 1 2 3 4 5 6 7 8 once the 0x30s are masked off):
//   v * 10 + (v >> 8) makes each byte ten times itself plus the next: 12 23 34 45 56 67 78 ..,
//   of which bytes 0, 2, 4 and 6 hold the pairs 12, 34, 56 and 78;
//   v & mask keeps 12 (byte 0) and 56 (byte 4), (v >> 16) & mask keeps 34 and 78;
//   12 * 1000000 + 56 * 100 and 34 * 10000 + 78 * 1 land, summed, in the upper 32 bits:
//   12000000 + 5600 + 340000 + 78 = 12345678.
std::uint64_t eightDigits(std::uint64_t word) noexcept {
    std::uint64_t v = word & 0x0F0F0F0F0F0F0F0Fu;
    v = v * 10 + (v >> 8);
    constexpr std::uint64_t mask = 0x000000FF000000FFu;
    constexpr std::uint64_t mul1 = 100 + (std::uint64_t{1000000} << 32);
    constexpr std::uint64_t mul2 = 1 + (std::uint64_t{10000} << 32);
    return (((v & mask) * mul1) + (((v >> 16) & mask) * mul2)) >> 32;
}

// The first k (1 to 8) digits of the word.
std::uint64_t firstDigits(std::uint64_t word, unsigned k) noexcept {
    return eightDigits(word << (64 - 8 * k));
}

constexpr std::array<std::uint64_t, 9> powersOfTen = {1,      10,      100,      1000,     10000,
                                                      100000, 1000000, 10000000, 100000000};

// The tokens of one line, converted as the line's bytes arrive.
class LineTokens {
public:
    explicit LineTokens(DistanceCollector& values) : values_(values) {}

    // The next bytes [p, end) of the line. Bytes may be read up to `readable` (at least end),
    // to look ahead; a byte there past the line is its line feed or later input.
    void feed(const char* p, const char* end, const char* readable) {
        if (inToken_) {
            p = continueToken(p, end);
            if (p == end) return;
        }
        while (true) {
            while (p != end && isDelimiter(*p)) ++p;
            if (p == end) return;
            if (static_cast<std::size_t>(readable - p) >= lookAhead) {
                p = wordToken(p, end);
            } else {
                value_ = 0;
                inToken_ = true;
                p = continueToken(p, end);
            }
            if (p == end) return;
        }
    }

    // The line has ended; a token up to its end is complete.
    void finish() {
        if (inToken_) values_.add(value_);
        inToken_ = false;
    }

private:
    // Converts the token at p (not a delimiter) one character at a time until a delimiter or
    // `end`; returns where it stopped. A token still open at `end` goes on in the next bytes.
    const char* continueToken(const char* p, const char* end) {
        for (; p != end; ++p) {
            if (isDelimiter(*p)) {
                values_.add(value_);
                inToken_ = false;
                return p;
            }
            if (!appendDigit(value_, *p)) badToken();
        }
        return p;
    }

    // Converts the token at p a word at a time; at least `lookAhead` bytes are readable. The
    // digits end at the first non-digit, which must be a delimiter (the line feed at the
    // line's end is one). Tokens of up to 19 digits cannot exceed 2^64 - 1; longer ones,
    // which only leading zeros or values near the top make, take the exact rule.
    const char* wordToken(const char* p, const char* end) {
        const std::uint64_t first = loadWord(p);
        if (const std::uint64_t stop = nonDigits(first); stop != 0) {
            const auto k = static_cast<unsigned>(std::countr_zero(stop)) / 8;
            if (k == 0 || !isDelimiter(p[k])) badToken();
            values_.add(firstDigits(first, k));
            return p + k;
        }
        std::uint64_t value = eightDigits(first);
        const std::uint64_t second = loadWord(p + 8);
        if (const std::uint64_t stop = nonDigits(second); stop != 0) {
            const auto k = static_cast<unsigned>(std::countr_zero(stop)) / 8;
            if (!isDelimiter(p[8 + k])) badToken();
            if (k != 0) value = value * powersOfTen[k] + firstDigits(second, k);
            values_.add(value);
            return p + 8 + k;
        }
        value = value * powersOfTen[8] + eightDigits(second);
        const std::uint64_t third = loadWord(p + 16);
        const std::uint64_t stop = nonDigits(third);
        const auto k = static_cast<unsigned>(std::countr_zero(stop)) / 8;  // 8 when none
        if (k <= 3) {
            if (!isDelimiter(p[16 + k])) badToken();
            if (k != 0) value = value * powersOfTen[k] + firstDigits(third, k);
            values_.add(value);
            return p + 16 + k;
        }
        value_ = 0;
        inToken_ = true;
        return continueToken(p, end);
    }

    DistanceCollector& values_;
    bool inToken_ = false;  // a token is open and value_ holds its digits so far
    Distance value_ = 0;
};

// After a failure inside the problem line: reads on to the line's end, as a line that is read
// whole would be, and puts back what follows it, so that a file's later lines stay for its
// next reader whatever the outcome. `lineFeed` is the line's end in the bytes at hand, or null
// when it lies further on. Only a source that can put bytes back is read on: a pipe or a
// terminal may never end. The failure being reported stays the one reported: another one on
// the way just ends the search for the line's end.
void leaveWhatFollowsTheLine(ByteSource& in, char* buffer, const char* lineFeed,
                             const char* end) noexcept {
    if (!in.canPutBack()) return;
    try {
        while (lineFeed == nullptr) {
            const std::size_t size = in.read(buffer, readBlockSize);
            if (size == 0) return;
            end = buffer + size;
            lineFeed = static_cast<const char*>(std::memchr(buffer, '\n', size));
        }
        in.putBack(static_cast<std::size_t>(end - lineFeed - 1));
    } catch (...) {
    }
}

void prompt(std::ostream& out) {
    out << "Please, enter problem data:\n";
    out.flush();
}

}  // namespace

DistanceMultiset readProblem(ByteSource& in, std::ostream& out, Progress* progress) {
    // Words are loaded only where three of them are readable, so every load stays inside.
    const std::unique_ptr<char[]> buffer(new char[readBlockSize]);
    DistanceCollector values;
    LineTokens tokens(values);
    bool lineStarted = false;  // the current line holds at least one character
    prompt(out);
    while (true) {
        const std::size_t size = in.read(buffer.get(), readBlockSize);
        if (size == 0) {
            // The input ended: a line without its line feed is complete. Before any
            // character, a file or pipe has no more to give; at a terminal the user may type
            // on, unless the terminal is gone.
            if (lineStarted) break;
            if (!in.interactive() || !out.good()) throw std::runtime_error("no problem data");
            prompt(out);
            continue;
        }
        if (progress != nullptr) progress->update(Progress::Phase::reading, 0, 0);
        const char* p = buffer.get();
        const char* const end = p + size;
        while (p != end) {
            if (!lineStarted) {
                if (*p == '\n') {  // an empty line: ask again
                    ++p;
                    prompt(out);
                    continue;
                }
                lineStarted = true;
            }
            const auto* lineFeed =
                static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            try {
                tokens.feed(p, lineFeed != nullptr ? lineFeed : end, end);
            } catch (...) {
                leaveWhatFollowsTheLine(in, buffer.get(), lineFeed, end);
                throw;
            }
            if (lineFeed != nullptr) {
                in.putBack(static_cast<std::size_t>(end - lineFeed - 1));
                tokens.finish();
                return values.finish();
            }
            p = end;
        }
    }
    tokens.finish();
    return values.finish();
}

DistanceMultiset readProblem(Progress* progress) {
    StandardInput in;
    return readProblem(in, std::cout, progress);
}

}  // namespace spanfold
