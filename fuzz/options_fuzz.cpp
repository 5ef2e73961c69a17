// SPDX-License-Identifier: MIT
// The option parser on arbitrary argument vectors (the input split at NUL bytes). It never
// throws; on success the limits are usable, and every failure leaves its text behind.
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.hpp"
#include "app/Options.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    std::vector<std::string> words{"spanfold"};
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (size > 0) words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());

    std::ostringstream out, err;
    std::streambuf* oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* oldErr = std::cerr.rdbuf(err.rdbuf());
    spanfold::RunOptions options{{7, 7}, false, false};
    const bool ok = spanfold::parseOptions(static_cast<int>(argv.size()), argv.data(), options);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);

    bool help = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        help = help || (words[i].size() >= 2 && (words[i][0] == '-' || words[i][0] == '/') &&
                        words[i][1] == '?');
    }
    if (ok) {
        FUZZ_CHECK(!help);
        FUZZ_CHECK(options.limits.maxsols >= 1 && options.limits.maxnodes >= 1);
        FUZZ_CHECK(out.str().empty());
        // Only warnings, each followed by an empty line.
        const std::string e = err.str();
        FUZZ_CHECK(e.empty() || (e.rfind("duplicated option \"-", 0) == 0 && e.size() >= 2 &&
                                 e.substr(e.size() - 2) == "\n\n"));
    } else if (help) {
        FUZZ_CHECK(out.str().rfind("Spanfold 1.0 - ", 0) == 0 && err.str().empty());
    } else {
        const std::string e = err.str();
        FUZZ_CHECK(out.str().empty());
        FUZZ_CHECK(e.size() >= 2 && e.substr(e.size() - 2) == "\n\n");
        FUZZ_CHECK(e.find("syntax error\n\n") != std::string::npos ||
                   e.find("invalid argument for \"-") != std::string::npos);
        FUZZ_CHECK(options.limits.maxsols == 7 && options.limits.maxnodes == 7 && !options.verbose);
    }
    return 0;
}
