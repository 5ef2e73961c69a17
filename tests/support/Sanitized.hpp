// SPDX-License-Identifier: MIT
// Whether the tests run in a sanitizer's build: slower, and with shadow memory reserved that
// an address-space limit would deny.
#pragma once

namespace spanfold::testing {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool sanitized = true;
#else
inline constexpr bool sanitized = false;
#endif
#else
inline constexpr bool sanitized = false;
#endif

}  // namespace spanfold::testing
