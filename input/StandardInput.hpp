// SPDX-License-Identifier: MIT
// Where the problem line comes from: the bytes of standard input, read in blocks.
//
// This is the one place that knows the platform's standard streams: on POSIX the descriptor 0,
// on Windows the standard input handle, read without the C runtime's text mode when it is a
// file or a pipe so that every byte arrives as it is, and as the console gives it at a
// console; and whether standard error is a terminal (a console on Windows).
#pragma once

#include <cstddef>

namespace spanfold {

// Raised when standard input fails (a directory, a closed descriptor, an I/O error).
inline constexpr const char* unreadableInputMessage = "cannot read the problem data";

// A source of input bytes. Tests give the reader their own.
class ByteSource {
public:
    // Up to `size` bytes into `buffer`, at least one unless the input has ended: 0 means an
    // end of input. At a terminal that is an end of input the user typed, and reading may go
    // on after it. Throws std::runtime_error "cannot read the problem data" when the input
    // fails (a directory, a closed descriptor, an I/O error).
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // True for a terminal or console that somebody types into.
    virtual bool interactive() const noexcept = 0;
    // True for a source that can put bytes back (a file): it has an end, and what follows
    // the problem line can be left for the next reader.
    virtual bool canPutBack() const noexcept { return false; }
    // Told once how many of the bytes read lie past the problem line; a source that can puts
    // them back, so that what follows the line is left unread.
    virtual void putBack(std::size_t bytes) noexcept { (void)bytes; }

protected:
    ~ByteSource() = default;
};

class StandardInput final : public ByteSource {
public:
    StandardInput() noexcept;
    std::size_t read(char* buffer, std::size_t size) override;
    bool interactive() const noexcept override { return interactive_; }
    bool canPutBack() const noexcept override { return seekable_; }
    void putBack(std::size_t bytes) noexcept override;

private:
    bool interactive_ = false;
    bool seekable_ = false;
#ifdef _WIN32
    void* handle_ = nullptr;
    bool pendingEnd_ = false;  // a Ctrl-Z came after bytes that were handed out first
    // Console input as the console gives it: line ends made single line feeds, and a Ctrl-Z
    // an end of input for the rest of its line.
    std::size_t readConsole(char* buffer, std::size_t size);
#endif
};

// True when the program's standard error is a terminal (a console on Windows), where a status
// line may be shown.
bool standardErrorIsTerminal() noexcept;

// Console bytes as a console program sees them in text mode: each carriage return before a
// line feed is dropped, and a Ctrl-Z (0x1A) ends the input there, its line's remaining bytes
// dropped. Rewrites `bytes[0, size)` in place; returns the count kept, and sets `ended` when
// a Ctrl-Z was met. Used at a Windows console; a function of its own so it can be tested
// anywhere.
std::size_t translateConsoleBytes(char* bytes, std::size_t size, bool& ended) noexcept;

}  // namespace spanfold
