// Memory for the large arrays of a run: the distances, the search's per-value table and its
// undo log.
//
// A block of 256 KiB or more is taken from the system in whole pages rather than from the
// heap, so that
//   - its pages are zero and are touched only when first written: nothing is cleared twice;
//   - it can give back its tail when less of it is needed, without a copy;
//   - on Linux a large block asks for transparent huge pages, which take a five-hundredth of
//     the page faults to fill and far fewer TLB misses to read at random.
// A smaller block comes from the heap, so a small problem makes no system call for it. Builds
// with AddressSanitizer take every block from the heap, so that every access out of a block's
// current size is caught.
#pragma once

#include <cstddef>

namespace spanfold {

class LargeBlock {
public:
    LargeBlock() noexcept = default;
    // `bytes` of zeroed memory; throws std::bad_alloc when there is none.
    explicit LargeBlock(std::size_t bytes);
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    std::size_t size() const noexcept { return size_; }

    template <typename T>
    T* as() const noexcept {
        return static_cast<T*>(data_);
    }

    // Makes room for `bytes` in all, keeping the contents; the block may move. On Linux its
    // pages move without a copy and only the growth takes new address space. Throws
    // std::bad_alloc, leaving the block as it was, when there is no memory.
    void grow(std::size_t bytes);

    // Keeps the first `bytes` and gives the rest back to the system.
    void shrink(std::size_t bytes) noexcept;

    // For tests: from now on every block that would exceed `bytes` fails as if memory had run
    // out; the largest size_t lifts the limit again.
    static void limitForTesting(std::size_t bytes) noexcept;

private:
    // Fresh zeroed memory of at least `bytes`; sets `mapped` to its size and `heap` to where
    // it came from.
    static void* map(std::size_t bytes, std::size_t& mapped, bool& heap);
    static void unmap(void* data, std::size_t mapped, bool heap) noexcept;
    void release() noexcept;

    void* data_ = nullptr;
    std::size_t size_ = 0;    // what the owner may use
    std::size_t mapped_ = 0;  // what is held
    bool heap_ = false;       // held from the heap rather than the system
};

}  // namespace spanfold
