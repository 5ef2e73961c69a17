// SPDX-License-Identifier: MIT
// EXPECT_THROW_MSG(statement, type, message): the statement throws an exception of the type,
// whose what() is exactly the message. A test of an error path checks what the user will
// read, not only the type.
#pragma once

#include <gtest/gtest.h>

#define EXPECT_THROW_MSG(statement, type, message)                                 \
    do {                                                                           \
        try {                                                                      \
            statement;                                                             \
            ADD_FAILURE() << "no exception from " #statement;                      \
        } catch (const type& thrown) {                                             \
            EXPECT_STREQ(thrown.what(), message) << "from " #statement;            \
        } catch (...) {                                                            \
            ADD_FAILURE() << "an exception other than " #type " from " #statement; \
        }                                                                          \
    } while (false)
