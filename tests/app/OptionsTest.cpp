// SPDX-License-Identifier: MIT
// The options, their defaults, warnings, errors and the help request.

#include "app/Options.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace spanfold {
namespace {

// Captures what a stream receives while it lives.
class Capture {
public:
    explicit Capture(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(text_.rdbuf())) {}
    ~Capture() { stream_.rdbuf(old_); }
    std::string str() const { return text_.str(); }

private:
    std::ostream& stream_;
    std::ostringstream text_;
    std::streambuf* old_;
};

const std::string help =
    "Spanfold 1.0 - written by the spanfold developers\n\nSolves the spanfold problem.\n\n";
const std::string syntax = "syntax error\n\n";
std::string invalid(const char* name) {
    return std::string("invalid argument for \"-") + name + "\"\n\n";
}
std::string duplicated(const char* name) {
    return std::string("duplicated option \"-") + name + "\"\n\n";
}

struct OptionCase {
    std::vector<std::string> args;
    bool ok;
    RunOptions expected;  // checked when ok
    std::string out;
    std::string err;
};

TEST(ParseOptions, Table) {
    // clang-format off
    const OptionCase cases[] = {
        {{}, true, {{noLimit, noLimit}, false, false}, "", ""},
        {{"-verbose"}, true, {{noLimit, noLimit}, true, false}, "", ""},
        {{"/verbose", "-verbose"}, true, {{noLimit, noLimit}, true, false}, "", duplicated("verbose")},
        {{"-maxsols:5", "/maxnodes:100"}, true, {{5, 100}, false, true}, "", ""},
        {{"-maxsols:4294967295"}, true, {{noLimit, noLimit}, false, false}, "", ""},
        {{"-maxnodes:4294967295"}, true, {{noLimit, noLimit}, false, true}, "", ""},
        {{"-maxsols:4294967296"}, false, {}, "", invalid("maxsols")},
        {{"-maxsols:0"}, false, {}, "", invalid("maxsols")},
        {{"-maxsols:"}, false, {}, "", invalid("maxsols")},
        {{"-maxsols:abc"}, false, {}, "", invalid("maxsols")},
        {{"-maxnodes:-"}, false, {}, "", invalid("maxnodes")},
        {{"-maxsols:+7"}, true, {{7, noLimit}, false, false}, "", ""},
        {{"-maxsols: 7"}, true, {{7, noLimit}, false, false}, "", ""},
        {{"-maxsols:\t\n\v\f\r 7"}, true, {{7, noLimit}, false, false}, "", ""},
        {{"-maxsols:7x"}, true, {{7, noLimit}, false, false}, "", ""},
        {{"-maxsols:0x10"}, false, {}, "", invalid("maxsols")},  // reads as 0
        {{"-maxsols:0007"}, true, {{7, noLimit}, false, false}, "", ""},
        {{"-maxsols:-1"}, true, {{noLimit, noLimit}, false, false}, "", ""},
        {{"-maxnodes:-4294967295"}, true, {{noLimit, 1}, false, true}, "", ""},
        {{"-maxsols:+-1"}, false, {}, "", invalid("maxsols")},
        {{"-maxsols:3", "-maxsols:5"}, true, {{5, noLimit}, false, false}, "", duplicated("maxsols")},
        {{"-maxsols:3", "-maxsols:0"}, false, {}, "", duplicated("maxsols") + invalid("maxsols")},
        {{"-maxsols:3", "-maxsols:x"}, true, {{3, noLimit}, false, false}, "", duplicated("maxsols")},
        {{"-maxsols:3", "-maxsols:99999999999"}, true, {{3, noLimit}, false, false}, "",
         duplicated("maxsols")},
        {{"/maxnodes:2", "/maxnodes:9"}, true, {{noLimit, 9}, false, true}, "", duplicated("maxnodes")},
        {{"-maxsols"}, false, {}, "", syntax},
        {{"-maxsols=5"}, false, {}, "", syntax},
        {{"-MAXSOLS:5"}, false, {}, "", syntax},
        {{"-Verbose"}, false, {}, "", syntax},
        {{"-verbose:"}, false, {}, "", syntax},
        {{"-verbosely"}, false, {}, "", syntax},
        {{"maxsols:5"}, false, {}, "", syntax},
        {{"input.txt"}, false, {}, "", syntax},
        {{""}, false, {}, "", syntax},
        {{"-"}, false, {}, "", syntax},
        {{"/"}, false, {}, "", syntax},
        // The first error ends parsing; later arguments are not looked at.
        {{"-x", "-maxsols:0"}, false, {}, "", syntax},
        {{"-maxsols:0", "-x"}, false, {}, "", invalid("maxsols")},
        // Help wins wherever it stands and whatever follows its '?'.
        {{"-?"}, false, {}, help, ""},
        {{"/??"}, false, {}, help, ""},
        {{"-x", "-maxsols:0", "-?x"}, false, {}, help, ""},
        {{"-verbose", "-verbose", "/?"}, false, {}, help, ""},
        {{"?"}, false, {}, "", syntax},
    };
    // clang-format on
    for (const OptionCase& c : cases) {
        std::vector<const char*> argv{"spanfold"};
        std::string shown;
        for (const std::string& a : c.args) {
            argv.push_back(a.c_str());
            shown += " [" + a + "]";
        }
        RunOptions options{{11, 12}, true, true};
        bool ok = false;
        std::string out, err;
        {
            Capture capturedOut(std::cout);
            Capture capturedErr(std::cerr);
            ok = parseOptions(static_cast<int>(argv.size()), argv.data(), options);
            out = capturedOut.str();
            err = capturedErr.str();
        }
        EXPECT_EQ(ok, c.ok) << shown;
        EXPECT_EQ(out, c.out) << shown;
        EXPECT_EQ(err, c.err) << shown;
        if (c.ok) {
            EXPECT_EQ(options.limits.maxsols, c.expected.limits.maxsols) << shown;
            EXPECT_EQ(options.limits.maxnodes, c.expected.limits.maxnodes) << shown;
            EXPECT_EQ(options.verbose, c.expected.verbose) << shown;
            EXPECT_EQ(options.nodeLimitGiven, c.expected.nodeLimitGiven) << shown;
        } else {
            EXPECT_EQ(options.limits.maxsols, 11u) << shown;  // untouched on false
            EXPECT_EQ(options.limits.maxnodes, 12u) << shown;
        }
    }
}

}  // namespace
}  // namespace spanfold
