// SPDX-License-Identifier: MIT
// The one decision of what a search's threads do.

#include "solver/ThreadPlan.hpp"

#include <algorithm>

#include "memory/Pages.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

ThreadPlan planThreads(const SolveSettings& settings, std::size_t tableBytes,
                       std::size_t distances) noexcept {
    // A listener sees the search alone, every node in its order.
    if (settings.listener != nullptr) return {};
    const unsigned processors = settings.threads.processors != 0 ? settings.threads.processors
                                                                 : pages::availableProcessors();
    const unsigned given = std::min(settings.threads.count, processors);
    if (given <= 1) return {};
    if (staysInCache(tableBytes, settings.lookup)) return {1, given - 1};
    // A table not in the cache: lookups are shared on a problem large enough for a search to
    // last, among a few threads at the most, beyond which they wait on each other more than on
    // memory.
    const bool shares = distances >= settings.lookup.sharedFrom;
    if (!settings.threads.helpersOnLargeTables) {
        return shares ? ThreadPlan{std::min(given, tuning::mostSharingThreads), 0} : ThreadPlan{};
    }
    if (!shares) return {1, given - 1};
    const unsigned helpers = given / 2;
    return {std::min(given - helpers, tuning::mostSharingThreads), helpers};
}

}  // namespace spanfold
