// SPDX-License-Identifier: MIT
// The status line: when it appears, how often it is rewritten, and that it is erased.
#include "app/StatusLine.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace spanfold {
namespace {

using namespace std::chrono_literals;
using Phase = Progress::Phase;

// The pieces joined: appended one by one, as GCC 12 misreads "x" + std::string as an
// overlapping copy.
template <typename... Pieces>
std::string joined(const Pieces&... pieces) {
    std::string text;
    (text.append(pieces), ...);
    return text;
}

std::string blanks(std::size_t count) { return std::string(count, ' '); }

// A clock the test moves by hand.
struct FakeClock {
    StatusLine::Clock::time_point now{};
    std::function<StatusLine::Clock::time_point()> reader() {
        return [this] { return now; };
    }
};

TEST(StatusLine, SilentWhenNotShown) {
    std::ostringstream out;
    FakeClock clock;
    {
        StatusLine status(out, false, clock.reader());
        for (int i = 0; i < 10; ++i) {
            status.update(Phase::searching, 5, 1);
            clock.now += 1s;
        }
    }
    EXPECT_EQ(out.str(), "");
}

TEST(StatusLine, AfterASecondRewrittenInPlaceAFewTimesASecondThenErased) {
    std::ostringstream out;
    FakeClock clock;
    const std::string reading = "spanfold: reading the problem line";
    {
        StatusLine status(out, true, clock.reader());
        status.update(Phase::reading, 0, 0);  // the clock starts at the first word
        clock.now += 900ms;
        status.update(Phase::reading, 0, 0);
        EXPECT_EQ(out.str(), "");  // not a second yet
        clock.now += 100ms;
        status.update(Phase::reading, 0, 0);
        EXPECT_EQ(out.str(), joined("\r", reading));
        clock.now += 100ms;
        status.update(Phase::searching, 10, 0);
        EXPECT_EQ(out.str(), joined("\r", reading));  // too soon to write again
        clock.now += 200ms;
        status.update(Phase::searching, 4294967295u, 1);
        const std::string searching =
            "spanfold: searching, 4294967295 nodes visited, 1 solution found";
        EXPECT_EQ(out.str(), joined("\r", reading, "\r", searching));
        clock.now += 1s;
        status.update(Phase::buildingTable, 0, 0);  // shorter: the rest is covered
        const std::string building = "spanfold: building the table of distances";
        EXPECT_EQ(out.str(), joined("\r", reading, "\r", searching, "\r", building,
                                    blanks(searching.size() - building.size())));
        out.str("");
        status.erase();
        EXPECT_EQ(out.str(), joined("\r", blanks(searching.size()), "\r"));
        out.str("");
        status.erase();  // nothing stands any more
        EXPECT_EQ(out.str(), "");
        clock.now += 1s;
        status.update(Phase::searching, 20, 2);
        EXPECT_EQ(out.str(), "\rspanfold: searching, 20 nodes visited, 2 solutions found");
        out.str("");
    }
    // Going out of scope erases what stands.
    const std::string last = "spanfold: searching, 20 nodes visited, 2 solutions found";
    EXPECT_EQ(out.str(), joined("\r", blanks(last.size()), "\r"));
}

}  // namespace
}  // namespace spanfold
