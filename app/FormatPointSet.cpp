// SPDX-License-Identifier: MIT
// The one-line text of a point set, {0, 2, 5}.

#include "app/FormatPointSet.hpp"

#include <charconv>

namespace spanfold {

std::string formatPointSet(const std::uint64_t* values, std::uint32_t count) {
    std::string text = "{0";
    char digits[20];  // 2^64 - 1 has 20 decimal digits
    for (std::uint32_t i = 1; i < count; ++i) {
        const auto result = std::to_chars(digits, digits + sizeof digits, values[i - 1]);
        text += ", ";
        text.append(digits, result.ptr);
    }
    text += '}';
    return text;
}

}  // namespace spanfold
