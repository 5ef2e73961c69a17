// Runs the built spanfold binary with arguments and standard input, and collects its
// standard output, standard error and exit code.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

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
    for (char c : word) {
        if (c == '\'') {
            q.append("'\\''");
        } else {
            q.push_back(c);
        }
    }
    q.push_back('\'');
    return q;
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
    std::string name = "spanfold-e2e-";
    name.append(std::to_string(::getpid())).append("-").append(std::to_string(counter++));
    const fs::path dir = fs::temp_directory_path() / name;
    fs::create_directories(dir);
    const fs::path in = inputPath.empty() ? dir / "in" : fs::path(inputPath);
    if (inputPath.empty()) std::ofstream(in, std::ios::binary) << input;
    // Appended piece by piece: GCC 12 misreads `"x" + std::string` as an overlapping copy.
    std::string command = prefix;
    command.append(" ").append(quoted(SPANFOLD_BINARY));
    for (const std::string& a : args) command.append(" ").append(quoted(a));
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
