// SPDX-License-Identifier: MIT
// Reading standard input in blocks, and telling a terminal or console from a file or pipe, on
// POSIX and on Windows.

#include "input/StandardInput.hpp"

#include <stdexcept>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace spanfold {

std::size_t translateConsoleBytes(char* bytes, std::size_t size, bool& ended) noexcept {
    std::size_t kept = 0;
    ended = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\x1a') {
            ended = true;
            break;
        }
        if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n') continue;
        bytes[kept++] = bytes[i];
    }
    return kept;
}

#ifdef _WIN32

bool standardErrorIsTerminal() noexcept {
    DWORD mode = 0;
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

StandardInput::StandardInput() noexcept : handle_(GetStdHandle(STD_INPUT_HANDLE)) {
    // Only a real console is interactive; the null device, a file and a pipe are not.
    DWORD mode = 0;
    interactive_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
                   GetConsoleMode(handle_, &mode) != 0;
    seekable_ = !interactive_ && GetFileType(handle_) == FILE_TYPE_DISK;
}

std::size_t StandardInput::readConsole(char* buffer, std::size_t size) {
    if (pendingEnd_) {
        pendingEnd_ = false;
        return 0;
    }
    while (true) {
        DWORD got = 0;
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(size), &got, nullptr)) {
            throw std::runtime_error(unreadableInputMessage);
        }
        if (got == 0) return 0;
        bool ended = false;
        const std::size_t kept = translateConsoleBytes(buffer, got, ended);
        pendingEnd_ = ended && kept != 0;
        if (kept != 0 || ended) return kept;
    }
}

std::size_t StandardInput::read(char* buffer, std::size_t size) {
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) {
        throw std::runtime_error(unreadableInputMessage);
    }
    const DWORD want = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (interactive_) return readConsole(buffer, want);
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, want, &got, nullptr)) {
        // The writing end of a pipe has closed: the input has ended.
        if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
        throw std::runtime_error(unreadableInputMessage);
    }
    return got;
}

void StandardInput::putBack(std::size_t bytes) noexcept {
    if (!seekable_ || bytes == 0) return;
    LARGE_INTEGER move;
    move.QuadPart = -static_cast<LONGLONG>(bytes);
    SetFilePointerEx(handle_, move, nullptr, FILE_CURRENT);
}

#else

bool standardErrorIsTerminal() noexcept { return isatty(STDERR_FILENO) != 0; }

StandardInput::StandardInput() noexcept {
    interactive_ = isatty(STDIN_FILENO) != 0;
    struct stat status;
    seekable_ = fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode);
}

std::size_t StandardInput::read(char* buffer, std::size_t size) {
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw std::runtime_error(unreadableInputMessage);
    }
}

void StandardInput::putBack(std::size_t bytes) noexcept {
    if (seekable_ && bytes != 0) lseek(STDIN_FILENO, -static_cast<off_t>(bytes), SEEK_CUR);
}

#endif

}  // namespace spanfold
