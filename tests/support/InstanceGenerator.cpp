// SPDX-License-Identifier: MIT
// The families of point sets that tests and benchmarks draw from a seed.

#include "support/InstanceGenerator.hpp"

#include <algorithm>
#include <charconv>
#include <random>
#include <stdexcept>
#include <unordered_set>

#include "support/PointSets.hpp"

namespace spanfold::testing {
namespace {

PointSet sortedFromZero(PointSet points) {
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

PointSet randomPoints(std::uint32_t n, std::uint64_t range, std::uint64_t seed) {
    // RANGE + 1 positions, counted without the sum, which wraps for the largest range.
    if (n > 0 && range < n - 1) throw std::invalid_argument("more points than positions");
    std::mt19937_64 generator(seed);
    std::uniform_int_distribution<std::uint64_t> position(0, range);
    std::unordered_set<std::uint64_t> seen;
    PointSet points;
    while (points.size() < n) {
        const std::uint64_t p = position(generator);
        if (seen.insert(p).second) points.push_back(p);
    }
    return sortedFromZero(std::move(points));
}

PointSet zhangPoints(std::uint32_t k, std::uint64_t seed, std::uint64_t eps, std::uint64_t width) {
    if (k < 1) throw std::invalid_argument("K must be at least 1");
    std::mt19937_64 generator(seed);
    if (eps == 0) eps = std::uniform_int_distribution<std::uint64_t>(1, 500)(generator);
    if (width == 0) width = 5000 * std::uint64_t{k};
    if (width <= 6 * std::uint64_t{k} * eps) throw std::invalid_argument("W must exceed 6 K eps");
    PointSet points{0, width};
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

PointSet homometricPoints(std::uint32_t a, std::uint32_t b, std::uint64_t seed) {
    // U spaced by multiples of 4B, V inside [0, 2B): all sums u + v are distinct.
    std::mt19937_64 generator(seed);
    const PointSet u = randomPoints(a, 10ull * a, generator());
    const PointSet v = randomPoints(b, 2ull * b - 1, generator());
    PointSet points;
    for (std::uint64_t x : u) {
        for (std::uint64_t y : v) points.push_back(x * 4 * b + y);
    }
    return sortedFromZero(std::move(points));
}

PointSet duplicatePoints(std::uint32_t n, std::uint64_t seed) {
    return randomPoints(n, 3ull * n, seed);
}

PointSet mirrorPoints(std::uint32_t n, std::uint64_t range, std::uint64_t seed) {
    if (n < 2 || range < n) throw std::invalid_argument("need N >= 2 and RANGE >= N");
    // Half the points below the middle, each with its mirror; an odd N adds the middle.
    const PointSet half = randomPoints(n / 2 - 1, range / 2 - 1, seed);
    PointSet points{0, range};
    for (std::uint64_t p : half) {
        points.push_back(p + 1);
        points.push_back(range - (p + 1));
    }
    if (n % 2 == 1) points.push_back(range / 2);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

PointSet zhangUnionPoints(std::uint32_t k, std::uint64_t seed) {
    const PointSet zhang = zhangPoints(k, seed);
    const std::uint64_t width = zhang.back();
    if (width < 3) throw std::invalid_argument("K too small for a shift");
    std::mt19937_64 generator(seed ^ 0x9e3779b97f4a7c15u);
    const std::uint64_t shift =
        std::uniform_int_distribution<std::uint64_t>(1, width / 3)(generator);
    PointSet points = zhang;
    for (std::uint64_t p : zhang) points.push_back(p + shift);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

PointSet zhangPaddedPoints(std::uint32_t k, std::uint32_t padding, std::uint64_t seed) {
    if (padding % 2 != 0) throw std::invalid_argument("PAD must be even");
    const PointSet zhang = zhangPoints(k, seed);
    // The core stands at [c, c + Wz]; the padding below it and its mirror image above, on a
    // range wide enough that the padding's distances are all but never equal.
    const std::uint64_t c = std::uint64_t{1} << 40;
    const std::uint64_t width = 2 * c + zhang.back();
    std::mt19937_64 generator(seed ^ 0x5bd1e9955bd1e995u);
    std::uniform_int_distribution<std::uint64_t> below(1, c - 1);
    PointSet points{0, width};
    for (std::uint64_t p : zhang) points.push_back(c + p);
    for (std::uint32_t i = 0; i < padding / 2; ++i) {
        const std::uint64_t p = below(generator);
        points.push_back(p);
        points.push_back(width - p);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

PointSet zhangPerturbedPoints(std::uint32_t k, std::uint64_t seed) {
    PointSet points = zhangPoints(k, seed);
    if (points.size() < 5) throw std::invalid_argument("K too small for three inner points");
    std::mt19937_64 generator(seed ^ 0x9e3779b97f4a7c15u);
    std::uniform_int_distribution<std::size_t> inner(1, points.size() - 2);
    std::uniform_int_distribution<std::uint64_t> step(1, 3);
    std::size_t moved = 0;
    for (int attempt = 0; moved < 3 && attempt < 1000; ++attempt) {
        const std::size_t i = inner(generator);
        const std::uint64_t by = step(generator);
        const bool up = std::bernoulli_distribution(0.5)(generator);
        const std::uint64_t p = up ? points[i] + by : points[i] - by;
        // Inside (0, W) and on no other point: the set keeps its size and its width.
        if (p == 0 || p >= points.back() ||
            std::find(points.begin(), points.end(), p) != points.end()) {
            continue;
        }
        points[i] = p;
        std::sort(points.begin(), points.end());
        ++moved;
    }
    return points;
}

void writeProblemLine(std::ostream& out, const PointSet& points) {
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

PointSet makeFamily(const std::vector<std::string>& words) {
    if (words.empty()) throw std::invalid_argument("no family named");
    const std::string& family = words[0];
    auto u32 = [&](std::size_t i) { return static_cast<std::uint32_t>(number(words, i)); };
    if (family == "random") return randomPoints(u32(1), number(words, 2), number(words, 3));
    if (family == "zhang") {
        return zhangPoints(u32(1), number(words, 2), words.size() > 3 ? number(words, 3) : 0,
                           words.size() > 4 ? number(words, 4) : 0);
    }
    if (family == "zhang-union") return zhangUnionPoints(u32(1), number(words, 2));
    if (family == "zhang-perturbed") return zhangPerturbedPoints(u32(1), number(words, 2));
    if (family == "homometric") return homometricPoints(u32(1), u32(2), number(words, 3));
    if (family == "duplicates") return duplicatePoints(u32(1), number(words, 2));
    if (family == "mirror") return mirrorPoints(u32(1), number(words, 2), number(words, 3));
    if (family == "zhang-padded") return zhangPaddedPoints(u32(1), u32(2), number(words, 3));
    throw std::invalid_argument("unknown family: " + family);
}

}  // namespace spanfold::testing
