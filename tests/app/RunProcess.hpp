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

// A folder of its own for one run, removed with the object.
class ScratchFolder {
public:
    ScratchFolder() {
        static int counter = 0;
        std::string name = "spanfold-e2e-";
        name.append(std::to_string(::getpid())).append("-").append(std::to_string(counter++));
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Runs a shell command line, which may be a list or a pipeline, with its standard output and
// standard error collected; the exit code is that of its last command, 128 + the signal if it
// was killed.
inline ProcessResult runShell(const std::string& command) {
    const ScratchFolder scratch;
    // Appended piece by piece: GCC 12 misreads `"x" + std::string` as an overlapping copy.
    std::string line = "{ ";
    line.append(command).append("\n}");
    line.append(" >").append(quoted((scratch / "out").string()));
    line.append(" 2>").append(quoted((scratch / "err").string()));
    const int status = std::system(line.c_str());
    ProcessResult result;
    result.out = readFile(scratch / "out");
    result.err = readFile(scratch / "err");
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

// The built spanfold with its arguments, each quoted for the shell.
inline std::string spanfoldCommand(const std::vector<std::string>& args) {
    std::string command = quoted(SPANFOLD_BINARY);
    for (const std::string& a : args) command.append(" ").append(quoted(a));
    return command;
}

// `input` is written to a file and redirected in; `inputPath` instead redirects that file;
// `prefix` is put before the command (for instance a ulimit).
inline ProcessResult runSpanfold(const std::vector<std::string>& args, const std::string& input,
                                 const std::string& inputPath = "",
                                 const std::string& prefix = "") {
    const ScratchFolder scratch;
    const std::filesystem::path in =
        inputPath.empty() ? scratch / "in" : std::filesystem::path(inputPath);
    if (inputPath.empty()) std::ofstream(in, std::ios::binary) << input;
    std::string command = prefix;
    command.append(" ").append(spanfoldCommand(args)).append(" <").append(quoted(in.string()));
    return runShell(command);
}

}  // namespace spanfold::testing
