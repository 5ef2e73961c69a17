// SPDX-License-Identifier: MIT
// The ledger's choice of how to take distances, and its move to counts by value.

#include "solver/DistanceLedger.hpp"

#include <cassert>

#include "solver/DistanceCounts.hpp"

namespace spanfold {

template <typename Counts>
DistanceLedger<Counts>::DistanceLedger(Counts& counts, const LookupSettings& settings,
                                       std::size_t* marks, std::uint32_t pointCount,
                                       unsigned sharing)
    : counts_(counts),
      log_(counts.logRoom(), marks, pointCount),
      way_(staysInCache(counts.tableBytes(), settings) ? Way::cachedByIndex : Way::pipelined),
      // Counts by value take one count per value up to the largest, more than a short search
      // would pay back: only a long search on a table in the cache moves there, on values
      // that fit an index, since the log then holds values.
      byValueAllowed_(way_ == Way::cachedByIndex &&
                      counts.largest() < settings.countsByValueBelow &&
                      counts.largest() < Counts::notFound),
      countsByValueAfter_(settings.countsByValueAfter) {
    // The plan shares lookups only on a table not in the cache.
    assert(sharing <= 1 || way_ == Way::pipelined);
    if (way_ == Way::pipelined && sharing > 1) {
        shared_ = std::make_unique<SharedLookups<Counts>>(
            counts, sharing, pointCount, settings.sharedPerJob, settings.sharingMeasured);
        way_ = Way::pipelinedShared;
    }
}

template <typename Counts>
void DistanceLedger<Counts>::moveToCountsByValue() noexcept {
    assert(!log_.owed() && way_ == Way::cachedByIndex);
    if (!counts_.moveCountsByValue()) return;  // without memory for it, nothing changes
    log_.rewrite([this](Index i) { return static_cast<Index>(counts_.value(i)); });
    way_ = Way::cachedByValue;
}

// Only the members defined here: the rest are instantiated, mostly inlined, where the search
// calls them, so that the program carries no unused copy of them to spread its code over more
// pages.
#define SPANFOLD_INSTANTIATE_LEDGER(Value, Count)                                          \
    template DistanceLedger<DistanceCounts<Value, Count>>::DistanceLedger(                 \
        DistanceCounts<Value, Count>&, const LookupSettings&, std::size_t*, std::uint32_t, \
        unsigned);                                                                         \
    template void DistanceLedger<DistanceCounts<Value, Count>>::moveToCountsByValue() noexcept;
SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_INSTANTIATE_LEDGER)
#undef SPANFOLD_INSTANTIATE_LEDGER

}  // namespace spanfold
