#include "solver/SearchState.hpp"

#include <algorithm>
#include <bit>
#include <cassert>

namespace spanfold {

std::size_t UsedFlags::lastClearBefore(std::size_t end) const noexcept {
    assert(end > 0 && end <= count_);
    std::size_t i = end - 1;
    while (true) {
        const std::size_t word = i / bitsPerWord;
        const unsigned bit = static_cast<unsigned>(i % bitsPerWord);
        // Clear flags at or below bit `bit` of this word.
        const Word mask = bit + 1 == bitsPerWord ? ~Word{0} : ((Word{1} << (bit + 1)) - 1);
        const Word clear = ~words_[word] & mask;
        if (clear != 0) return word * bitsPerWord + (bitsPerWord - 1 - std::countl_zero(clear));
        assert(word > 0);
        i = word * bitsPerWord - 1;
    }
}

void sortedPositions(const PointList& points, Position* buffer) {
    if (points.size() <= 1) return;
    std::partial_sort_copy(points.begin() + 1, points.end(), buffer,
                           buffer + (points.size() - 1));
}

}  // namespace spanfold
