#include "input/DistanceMultiset.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace spanfold {

DistanceMultiset::DistanceMultiset(std::vector<Distance> values) : values_(std::move(values)) {
    sortDistances(values_);
}

void sortDistances(std::vector<Distance>& values) {
    // Problem lines are often written in order already; then there is nothing to do.
    if (std::is_sorted(values.begin(), values.end())) return;
    if (values.size() < 256) {
        std::sort(values.begin(), values.end());
        return;
    }

    constexpr unsigned digits = 8;
    std::array<std::array<std::size_t, 256>, digits> counts{};
    for (Distance v : values) {
        for (unsigned d = 0; d < digits; ++d) ++counts[d][(v >> (8 * d)) & 0xFF];
    }

    std::vector<Distance> scratch(values.size());
    for (unsigned d = 0; d < digits; ++d) {
        std::array<std::size_t, 256>& count = counts[d];
        // A digit that every value shares does not reorder anything.
        if (std::any_of(count.begin(), count.end(),
                        [&](std::size_t c) { return c == values.size(); })) {
            continue;
        }
        std::size_t offset = 0;
        for (std::size_t& c : count) offset += std::exchange(c, offset);
        for (Distance v : values) scratch[count[(v >> (8 * d)) & 0xFF]++] = v;
        values.swap(scratch);
    }
}

}  // namespace spanfold
