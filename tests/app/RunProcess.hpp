// SPDX-License-Identifier: MIT
// Runs the built spanfold binary with arguments and standard input, and collects its standard
// output, standard error and exit code. On POSIX through the shell, which also gives the
// tests pipes and resource limits; on Windows with CreateProcess and the standard handles.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace spanfold::testing {

// The emulator the built program runs under where the host cannot start it by itself (a
// 32-bit Linux build on a host without 32-bit support), or empty.
#ifdef SPANFOLD_EMULATOR
inline constexpr const char* emulator = SPANFOLD_EMULATOR;
#else
inline constexpr const char* emulator = "";
#endif
inline constexpr bool emulated = emulator[0] != '\0';

struct ProcessResult {
    std::string out;
    std::string err;
    int exitCode = -1;
    std::string unread;  // with Invocation::readUnread: what the program left of its input file
};

inline int processId() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
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
        name.append(std::to_string(processId())).append("-").append(std::to_string(counter++));
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// One start of the program.
struct Invocation {
    std::vector<std::string> args;
    std::string input;          // written to a file and redirected in, unless inputPath is set
    std::string inputPath;      // this file, or folder, redirected in
    bool closedInput = false;   // no standard input at all
    bool closedOutput = false;  // standard output cannot be written
    std::string prefix;         // POSIX only: shell words before the program (a ulimit, say)
    // After the run, the input file is read on from where the program left it, as the next
    // reader of a shared file would, into ProcessResult::unread.
    bool readUnread = false;
};

// The file redirected in: the invocation's own, or its input written into the scratch folder.
inline std::filesystem::path inputFile(const Invocation& invocation, const ScratchFolder& scratch) {
    if (!invocation.inputPath.empty()) return invocation.inputPath;
    const std::filesystem::path in = scratch / "in";
    std::ofstream(in, std::ios::binary) << invocation.input;
    return in;
}

#ifdef _WIN32

// The text of one argument as the C runtime splits a command line.
inline std::wstring quotedArgument(const std::wstring& argument) {
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            q.append(2 * backslashes + 1, L'\\');
            q.push_back(c);
            backslashes = 0;
        } else {
            q.append(backslashes, L'\\');
            q.push_back(c);
            backslashes = 0;
        }
    }
    q.append(2 * backslashes, L'\\');
    q.push_back(L'"');
    return q;
}

// Windows ends lines with a carriage return and a line feed; the expected texts use line
// feeds alone. Every line feed must come with its carriage return, which is then dropped; a
// bare line feed is left in place for the comparison to show.
inline std::string withUnixLineEnds(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        result.push_back(text[i]);
    }
    return result;
}

inline ProcessResult run(const Invocation& invocation) {
    const ScratchFolder scratch;
    const std::filesystem::path in = inputFile(invocation, scratch);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // A folder opens only with backup semantics, and then cannot be read.
    HANDLE input =
        invocation.closedInput
            ? nullptr
            : CreateFileW(in.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    HANDLE output = nullptr;
    if (invocation.closedOutput) {
        // A pipe whose reading end is gone: every write fails.
        HANDLE reading = nullptr;
        CreatePipe(&reading, &output, &inherit, 0);
        CloseHandle(reading);
    } else {
        output = CreateFileW((scratch / "out").wstring().c_str(), GENERIC_WRITE, 0, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    HANDLE error = CreateFileW((scratch / "err").wstring().c_str(), GENERIC_WRITE, 0, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::filesystem::path binary = SPANFOLD_BINARY;
    std::wstring commandLine = quotedArgument(binary.wstring());
    for (const std::string& a : invocation.args) {
        commandLine.append(L" ").append(quotedArgument(std::filesystem::path(a).wstring()));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    ProcessResult result;
    if (CreateProcessW(binary.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                       nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (invocation.readUnread && input != nullptr && input != INVALID_HANDLE_VALUE) {
        // The handle was inherited, so it shares the program's file position.
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got != 0) {
            result.unread.append(buffer, got);
        }
    }
    for (HANDLE h : {input, output, error}) {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    result.out = withUnixLineEnds(readFile(scratch / "out"));
    result.err = withUnixLineEnds(readFile(scratch / "err"));
    return result;
}

#else

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

// The words that start the built spanfold: its path, behind the emulator if there is one.
inline std::vector<std::string> programWords() {
    if (emulated) return {emulator, SPANFOLD_BINARY};
    return {SPANFOLD_BINARY};
}

// The built spanfold with its arguments, each quoted for the shell.
inline std::string spanfoldCommand(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& word : programWords()) command.append(quoted(word)).append(" ");
    command.pop_back();
    for (const std::string& a : args) command.append(" ").append(quoted(a));
    return command;
}

inline ProcessResult run(const Invocation& invocation) {
    const ScratchFolder scratch;
    const std::filesystem::path in = inputFile(invocation, scratch);
    const std::filesystem::path unread = scratch / "unread";
    std::string command = invocation.prefix;
    command.append(" ").append(spanfoldCommand(invocation.args));
    if (invocation.closedOutput) command.append(" >&-");
    if (invocation.readUnread) {
        // The group shares one open file: cat goes on from where the program left it.
        command.insert(0, "{ ").append("; status=$?; cat >").append(quoted(unread.string()));
        command.append("; exit $status; }");
    }
    if (invocation.closedInput) {
        command.append(" <&-");
    } else {
        command.append(" <").append(quoted(in.string()));
    }
    ProcessResult result = runShell(command);
    if (invocation.readUnread) result.unread = readFile(unread);
    return result;
}

#endif

// `input` is written to a file and redirected in; `inputPath` instead redirects that file.
inline ProcessResult runSpanfold(const std::vector<std::string>& args, const std::string& input,
                                 const std::string& inputPath = "") {
    Invocation invocation;
    invocation.args = args;
    invocation.input = input;
    invocation.inputPath = inputPath;
    return run(invocation);
}

}  // namespace spanfold::testing
