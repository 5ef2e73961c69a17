// Runs the built spanfold binary with arguments and standard input, and collects its
// standard output, standard error and exit code.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace spanfold::testing {

struct ProcessResult {
    std::string out;
    std::string err;
    int exitCode = -1;
};

inline std::string quoted(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// `input` is written to a file and redirected in; `inputPath` instead redirects that file;
// `prefix` is put before the command (for instance a ulimit).
inline ProcessResult runSpanfold(const std::vector<std::string>& args, const std::string& input,
                                 const std::string& inputPath = "",
                                 const std::string& prefix = "") {
    namespace fs = std::filesystem;
    static int counter = 0;
    const fs::path dir = fs::temp_directory_path() /
                         ("spanfold-e2e-" + std::to_string(::getpid()) + "-" +
                          std::to_string(counter++));
    fs::create_directories(dir);
    const fs::path in = inputPath.empty() ? dir / "in" : fs::path(inputPath);
    if (inputPath.empty()) std::ofstream(in, std::ios::binary) << input;
    std::string command = prefix + " " + quoted(SPANFOLD_BINARY);
    for (const std::string& a : args) command += " " + quoted(a);
    // Appended piece by piece: GCC 12 misreads `" <" + std::string` as an overlapping copy.
    command.append(" <").append(quoted(in.string()));
    command.append(" >").append(quoted((dir / "out").string()));
    command.append(" 2>").append(quoted((dir / "err").string()));
    const int status = std::system(command.c_str());
    ProcessResult result;
    result.out = readFile(dir / "out");
    result.err = readFile(dir / "err");
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    fs::remove_all(dir);
    return result;
}

}  // namespace spanfold::testing
