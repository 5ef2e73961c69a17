// SPDX-License-Identifier: MIT
// The console listing: its header once, then one line per node.

#include "app/ConsoleNodeListener.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace spanfold {
namespace {

TEST(ConsoleNodeListener, HeaderOnceBeforeTheFirstNode) {
    std::ostringstream out;
    ConsoleNodeListener listener(out);
    EXPECT_FALSE(listener.headerPrinted());
    EXPECT_EQ(out.str(), "");
    notifyNodeVisited(&listener, {0});
    notifyNodeVisited(&listener, {0, 10});
    notifyNodeVisited(&listener, {0, 10, 3, 7});
    EXPECT_TRUE(listener.headerPrinted());
    EXPECT_EQ(out.str(),
              "Listing visited nodes:\n"
              "\n"
              "{0}\n"
              "{0, 10}\n"
              "{0, 3, 7, 10}\n");
}

}  // namespace
}  // namespace spanfold
