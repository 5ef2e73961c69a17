// SPDX-License-Identifier: MIT
// The solver's failures as they leave the library: each becomes the library's error of its
// kind with the program's text, and the library's own errors and anything else pass unchanged.
#include "library/LibraryErrors.hpp"

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "spanfold/spanfold.hpp"
#include "timing/MicrosecondTimer.hpp"

namespace spanfold {
namespace {

enum class Kind { input, option, timer, memory, other };

// The kind of library error `e` is, judged by its type alone.
Kind kindOf(const std::exception& e) {
    if (dynamic_cast<const InvalidInput*>(&e) != nullptr) return Kind::input;
    if (dynamic_cast<const InvalidOption*>(&e) != nullptr) return Kind::option;
    if (dynamic_cast<const TimerUnavailable*>(&e) != nullptr) return Kind::timer;
    if (dynamic_cast<const OutOfMemory*>(&e) != nullptr) return Kind::memory;
    return Kind::other;
}

TEST(LibraryErrors, EachFailureBecomesTheLibrarysErrorOfItsKind) {
    struct Case {
        const char* name;
        std::function<void()> fail;
        Kind kind;
        const char* message;
    };
    // clang-format off
    const Case cases[] = {
        {"the timer's error", [] { throw TimerError(); }, Kind::timer, "timer not available"},
        {"the library's timer error", [] { throw TimerUnavailable(); }, Kind::timer,
         "timer not available"},
        {"bad input", [] { throw std::invalid_argument("invalid number of distances"); },
         Kind::input, "invalid number of distances"},
        {"the library's bad input", [] { throw InvalidInput("all input values must be positive integers"); },
         Kind::input, "all input values must be positive integers"},
        {"a bad option", [] { throw InvalidOption("maxNodes must be at least 1"); }, Kind::option,
         "maxNodes must be at least 1"},
        {"no memory", [] { throw std::bad_alloc(); }, Kind::memory, "bad allocation"},
        {"a container too large", [] { throw std::length_error("vector::reserve"); },
         Kind::memory, "bad allocation"},
        {"the library's no memory", [] { throw OutOfMemory(); }, Kind::memory, "bad allocation"},
        // Another runtime error, with the timer's text even, is not the timer's.
        {"another runtime error", [] { throw std::runtime_error("timer not available"); },
         Kind::other, "timer not available"},
        {"a report not written", [] { throw std::runtime_error("cannot write the report"); },
         Kind::other, "cannot write the report"},
    };
    // clang-format on
    for (const Case& c : cases) {
        try {
            try {
                c.fail();
            } catch (...) {
                rethrowAsLibraryError();
            }
            ADD_FAILURE() << "no exception: " << c.name;
        } catch (const std::exception& e) {
            EXPECT_EQ(kindOf(e), c.kind) << c.name;
            EXPECT_STREQ(e.what(), c.message) << c.name;
            // The library's timer error is still the standard error the program catches.
            if (c.kind == Kind::timer) {
                EXPECT_NE(dynamic_cast<const std::runtime_error*>(&e), nullptr) << c.name;
            }
        }
    }
}

// Something that is no std::exception at all passes through as it is.
TEST(LibraryErrors, AnythingElsePassesUnchanged) {
    try {
        try {
            throw 7;
        } catch (...) {
            rethrowAsLibraryError();
        }
        ADD_FAILURE() << "no exception";
    } catch (int thrown) {
        EXPECT_EQ(thrown, 7);
    } catch (...) {
        ADD_FAILURE() << "another exception";
    }
}

}  // namespace
}  // namespace spanfold
