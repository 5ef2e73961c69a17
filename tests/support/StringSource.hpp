// SPDX-License-Identifier: MIT
// Input bytes for the reader from memory: a file or pipe handed out in reads of a chosen
// size, or a terminal where the user ends each piece with an end of input.
#pragma once

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "input/StandardInput.hpp"

namespace spanfold::testing {

class StringSource final : public ByteSource {
public:
    // A file or pipe of `text`, at most `readSize` bytes per read.
    explicit StringSource(std::string text, std::size_t readSize = static_cast<std::size_t>(-1))
        : pieces_{std::move(text)}, readSize_(readSize) {}

    // A terminal: each piece is what the user types before an end of input. Reading past the
    // last piece is a fault of the reader: a terminal would wait for the user for ever.
    static StringSource terminal(std::vector<std::string> pieces) {
        StringSource source("");
        source.pieces_ = std::move(pieces);
        source.terminal_ = true;
        return source;
    }

    std::size_t read(char* buffer, std::size_t size) override {
        ++reads;
        if (piece_ == pieces_.size()) {
            if (terminal_) throw std::logic_error("read past the last piece");
            return 0;
        }
        const std::string& text = pieces_[piece_];
        const std::size_t count = std::min({size, readSize_, text.size() - offset_});
        if (count == 0) {  // the piece is done: a terminal reports the end the user typed
            ++piece_;
            offset_ = 0;
            if (terminal_) return 0;
            return read(buffer, size);
        }
        std::memcpy(buffer, text.data() + offset_, count);
        offset_ += count;
        return count;
    }

    bool interactive() const noexcept override { return terminal_; }
    bool canPutBack() const noexcept override { return !terminal_; }

    void putBack(std::size_t bytes) noexcept override {
        putBackBytes += bytes;
        offset_ -= std::min(bytes, offset_);
    }

    // What the reader left unread of the text: the bytes put back and those never read.
    std::string rest() const {
        return piece_ < pieces_.size() ? pieces_[piece_].substr(offset_) : std::string();
    }

    int reads = 0;
    std::size_t putBackBytes = 0;

private:
    std::vector<std::string> pieces_;
    std::size_t readSize_;
    std::size_t piece_ = 0;
    std::size_t offset_ = 0;
    bool terminal_ = false;
};

}  // namespace spanfold::testing
