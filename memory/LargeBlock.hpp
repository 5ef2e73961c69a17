// SPDX-License-Identifier: MIT
// Memory for the large arrays of a run: the distances as they are read and sorted, the search's
// per-value table and the log of taken distances built in their place, and the table of finished
// subtrees.
//
// A block of 16 KiB or more takes its pages from the system (memory/Pages.hpp) rather than
// from the heap:
//   - on a 64-bit system it reserves address space for as much memory as the machine has, and
//     commits it as it grows: it never moves, so growing copies nothing and the huge pages it
//     was given stay whole (a block moved to an address that is not a huge-page multiple has
//     its huge pages split, and random reads in it then miss the TLB far more often);
//   - its pages are zero and are taken only when first written: nothing is cleared twice;
//   - it gives back its tail when less of it is needed, keeping the address space for later;
//   - from 4 MiB on it asks for huge pages, before its pages are first written.
// Where address space is short (a 32-bit process) a block reserves what it needs, and moves,
// by a copy, when it outgrows that. A smaller block comes from the heap, so that a small
// problem makes no system call for it. (Fresh memory is dear on some hosts, dearer than a
// system call: a block that grows in place touches only what it adds, where a heap block
// that grows is copied into fresh memory.)
//
// In builds with AddressSanitizer, every byte past the block's size is poisoned, so any access
// beyond it is caught.
#pragma once

#include <cstddef>

namespace spanfold {

class LargeBlock {
public:
    LargeBlock() noexcept = default;
    // `bytes` of zeroed memory; throws std::bad_alloc when there is none. A block expected to
    // grow to `room` bytes reserves address space for that much once it takes pages, where it
    // can, also in a 32-bit process.
    explicit LargeBlock(std::size_t bytes, std::size_t room = 0);
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    std::size_t size() const noexcept { return size_; }

    template <typename T>
    T* as() const noexcept {
        return reinterpret_cast<T*>(data_);
    }

    // Makes the block `bytes` long, keeping its contents; the bytes added read as zero, also
    // where the block held data before a shrink. The block stays where it is unless it
    // outgrows its reserved address space. Throws std::bad_alloc, leaving the block as it was,
    // when there is no memory.
    void grow(std::size_t bytes);

    // Grows the block as grow does, for a block that will grow no more: one that outgrows the
    // heap stays there up to 256 KiB, and beyond that reserves only what it needs, so that
    // taking it makes few system calls or none.
    void growOnce(std::size_t bytes);

    // Keeps the first `bytes`, and gives the memory beyond back to the system as far as whole
    // pages go. Never moves the block.
    void shrink(std::size_t bytes) noexcept;

    // Bytes [from, to) of the block are about to be written: their pages, where the block has
    // pages of its own, are made present in one go rather than one fault at a time.
    void prefault(std::size_t from, std::size_t to) noexcept;

    // The block is expected to grow to `room` bytes: where address space is short, it reserves
    // that much when it next takes pages.
    void expectRoom(std::size_t room) noexcept { room_ = room; }

    // True when growing to `bytes` leaves the block where it is.
    bool canGrowInPlace(std::size_t bytes) const noexcept {
        return bytes <= usable_ || (reserved_ != 0 && bytes <= reserved_);
    }

    // Makes the block one that grows in place, in pages of its own reserved for the room
    // expected, or for as much of it as the address space allows: it moves there, once, now
    // (a heap block, or one reserved for less), and from then on never moves while it grows
    // within its reservation (canGrowInPlace), so that other threads may read it as it grows.
    // False, the block as it was, when there is no memory for it.
    bool anchor() noexcept;

    // For tests: from now on every block that would exceed `bytes` fails as if memory had run
    // out; the largest size_t lifts the limit again.
    static void limitForTesting(std::size_t bytes) noexcept;

private:
    // A block that will not grow beyond `bytes` when `final`.
    LargeBlock(std::size_t bytes, std::size_t room, bool final);
    void release() noexcept;
    // Commits the pages up to `bytes`, in huge pages once the block is large enough.
    void commitUpTo(std::size_t bytes);
    // Makes [size_, bytes) of the usable part the owner's, reading as zero.
    void extendTo(std::size_t bytes) noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;      // what the owner may use
    std::size_t usable_ = 0;    // the heap block's size, or the pages committed
    std::size_t reserved_ = 0;  // address space held; 0 for a heap block
    std::size_t room_ = 0;      // what the block is expected to grow to
    std::size_t written_ = 0;   // the usable bytes from here on have never held data
    bool huge_ = false;         // committed in huge pages, which were asked for
};

}  // namespace spanfold
