#include "InstanceGenerator.hpp"

#include <algorithm>
#include <charconv>
#include <random>
#include <stdexcept>
#include <unordered_set>

#include "support/PointSets.hpp"

namespace spanfold::bench {
namespace {

Points sortedFromZero(Points points) {
    std::sort(points.begin(), points.end());
    const std::uint64_t low = points.empty() ? 0 : points.front();
    for (std::uint64_t& p : points) p -= low;
    return points;
}

std::uint64_t number(const std::vector<std::string>& words, std::size_t i) {
    if (i >= words.size()) throw std::invalid_argument("missing argument");
    std::uint64_t value = 0;
    const std::string& w = words[i];
    const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), value);
    if (error != std::errc() || end != w.data() + w.size()) {
        throw std::invalid_argument("not a number: " + w);
    }
    return value;
}

}  // namespace

Points randomPoints(std::uint32_t n, std::uint64_t range, std::uint64_t seed) {
    if (n > range + 1) throw std::invalid_argument("more points than positions");
    std::mt19937_64 generator(seed);
    std::uniform_int_distribution<std::uint64_t> position(0, range);
    std::unordered_set<std::uint64_t> seen;
    Points points;
    while (points.size() < n) {
        const std::uint64_t p = position(generator);
        if (seen.insert(p).second) points.push_back(p);
    }
    return sortedFromZero(std::move(points));
}

Points zhangPoints(std::uint32_t k, std::uint64_t seed, std::uint64_t eps, std::uint64_t width) {
    if (k < 1) throw std::invalid_argument("K must be at least 1");
    std::mt19937_64 generator(seed);
    if (eps == 0) eps = std::uniform_int_distribution<std::uint64_t>(1, 500)(generator);
    if (width == 0) width = 5000 * std::uint64_t{k};
    if (width <= 6 * std::uint64_t{k} * eps) throw std::invalid_argument("W must exceed 6 K eps");
    Points points{0, width};
    for (std::uint64_t i = 1; i <= k; ++i) {
        points.push_back(i * eps);
        points.push_back((2 * k + i) * eps);
        points.push_back(width - i * eps);
        points.push_back(width - (2 * k + i) * eps);
        const bool low = std::bernoulli_distribution(0.5)(generator);
        points.push_back(low ? (k + i) * eps : width - (k + i) * eps);
    }
    return sortedFromZero(std::move(points));
}

Points homometricPoints(std::uint32_t a, std::uint32_t b, std::uint64_t seed) {
    // U spaced by multiples of 4B, V inside [0, 2B): all sums u + v are distinct.
    std::mt19937_64 generator(seed);
    const Points u = randomPoints(a, 10ull * a, generator());
    const Points v = randomPoints(b, 2ull * b - 1, generator());
    Points points;
    for (std::uint64_t x : u) {
        for (std::uint64_t y : v) points.push_back(x * 4 * b + y);
    }
    return sortedFromZero(std::move(points));
}

Points duplicatePoints(std::uint32_t n, std::uint64_t seed) {
    return randomPoints(n, 3ull * n, seed);
}

Points mirrorPoints(std::uint32_t n, std::uint64_t range, std::uint64_t seed) {
    if (n < 2 || range < n) throw std::invalid_argument("need N >= 2 and RANGE >= N");
    // Half the points below the middle, each with its mirror; an odd N adds the middle.
    const Points half = randomPoints(n / 2 - 1, range / 2 - 1, seed);
    Points points{0, range};
    for (std::uint64_t p : half) {
        points.push_back(p + 1);
        points.push_back(range - (p + 1));
    }
    if (n % 2 == 1) points.push_back(range / 2);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

void writeProblemLine(std::ostream& out, const Points& points) {
    std::string buffer;
    char digits[24];
    bool first = true;
    testing::forEachPairwiseDistance(points, [&](std::uint64_t d) {
        if (!first) buffer += ' ';
        first = false;
        buffer.append(digits, std::to_chars(digits, digits + sizeof digits, d).ptr);
        if (buffer.size() > (1 << 20)) {
            out << buffer;
            buffer.clear();
        }
    });
    buffer += '\n';
    out << buffer;
}

Points makeFamily(const std::vector<std::string>& words) {
    if (words.empty()) throw std::invalid_argument("no family named");
    const std::string& family = words[0];
    auto u32 = [&](std::size_t i) { return static_cast<std::uint32_t>(number(words, i)); };
    if (family == "random") return randomPoints(u32(1), number(words, 2), number(words, 3));
    if (family == "zhang") {
        return zhangPoints(u32(1), number(words, 2), words.size() > 3 ? number(words, 3) : 0,
                           words.size() > 4 ? number(words, 4) : 0);
    }
    if (family == "homometric") return homometricPoints(u32(1), u32(2), number(words, 3));
    if (family == "duplicates") return duplicatePoints(u32(1), number(words, 2));
    if (family == "mirror") return mirrorPoints(u32(1), number(words, 2), number(words, 3));
    throw std::invalid_argument("unknown family: " + family);
}

}  // namespace spanfold::bench
