#include "input/LargeBlock.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define SPANFOLD_HEAP_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPANFOLD_HEAP_BLOCKS 1
#endif
#endif

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace spanfold {
namespace {

std::size_t testLimit = static_cast<std::size_t>(-1);

// Below this a block comes from the heap: a small problem then makes no system call for its
// blocks. Builds with AddressSanitizer take every block from the heap.
#if defined(SPANFOLD_HEAP_BLOCKS)
constexpr std::size_t smallestSystemBlock = static_cast<std::size_t>(-1);
#else
constexpr std::size_t smallestSystemBlock = std::size_t{256} << 10;
#endif

#if !defined(_WIN32)
constexpr std::size_t hugePage = std::size_t{2} << 20;

std::size_t pageSize() noexcept {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}
#endif

// Zeroed heap memory aligned to a cache line at least, as the users lay out whole lines.
void* heapBlock(std::size_t bytes) {
    const std::size_t rounded = (bytes + 63) / 64 * 64;
    if (rounded < bytes) throw std::bad_alloc();
    void* data = nullptr;
#if defined(_WIN32)
    data = _aligned_malloc(rounded, 64);
#else
    data = std::aligned_alloc(64, rounded);
#endif
    if (data == nullptr) throw std::bad_alloc();
    std::memset(data, 0, bytes);
    return data;
}

void freeHeapBlock(void* data) noexcept {
#if defined(_WIN32)
    _aligned_free(data);
#else
    std::free(data);
#endif
}

// Zeroed pages straight from the system; sets `mapped` to what was taken.
void* systemBlock(std::size_t bytes, std::size_t& mapped) {
#if defined(_WIN32)
    void* data = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (data == nullptr) throw std::bad_alloc();
    mapped = bytes;
    return data;
#else
    const std::size_t page = pageSize();
    const std::size_t wanted = (bytes + page - 1) / page * page;
    if (wanted < bytes) throw std::bad_alloc();
    // A large block starts on a huge-page boundary: map a little more and trim both ends.
    const bool huge = wanted >= 2 * hugePage;
    const std::size_t extra = huge ? hugePage : 0;
    if (wanted + extra < wanted) throw std::bad_alloc();
    void* whole =
        mmap(nullptr, wanted + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (whole == MAP_FAILED) throw std::bad_alloc();
    auto* start = static_cast<char*>(whole);
    if (huge) {
        const auto address = reinterpret_cast<std::uintptr_t>(start);
        const std::size_t head = (hugePage - address % hugePage) % hugePage;
        if (head != 0) munmap(start, head);
        if (extra - head != 0) munmap(start + head + wanted, extra - head);
        start += head;
#ifdef MADV_HUGEPAGE
        madvise(start, wanted, MADV_HUGEPAGE);  // a wish: without it the block still works
#endif
    }
    mapped = wanted;
    return start;
#endif
}

void freeSystemBlock(void* data, std::size_t mapped) noexcept {
#if defined(_WIN32)
    (void)mapped;
    VirtualFree(data, 0, MEM_RELEASE);
#else
    munmap(data, mapped);
#endif
}

}  // namespace

void LargeBlock::limitForTesting(std::size_t bytes) noexcept { testLimit = bytes; }

void* LargeBlock::map(std::size_t bytes, std::size_t& mapped, bool& heap) {
    if (bytes > testLimit) throw std::bad_alloc();
    heap = bytes < smallestSystemBlock;
    if (heap) {
        mapped = bytes;
        return heapBlock(bytes);
    }
    return systemBlock(bytes, mapped);
}

void LargeBlock::unmap(void* data, std::size_t mapped, bool heap) noexcept {
    if (heap) {
        freeHeapBlock(data);
    } else {
        freeSystemBlock(data, mapped);
    }
}

LargeBlock::LargeBlock(std::size_t bytes) {
    if (bytes == 0) return;
    data_ = map(bytes, mapped_, heap_);
    size_ = bytes;
}

LargeBlock::~LargeBlock() { release(); }

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)),
      heap_(std::exchange(other.heap_, false)) {}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
        heap_ = std::exchange(other.heap_, false);
    }
    return *this;
}

void LargeBlock::release() noexcept {
    if (data_ != nullptr) unmap(data_, mapped_, heap_);
    data_ = nullptr;
    size_ = mapped_ = 0;
    heap_ = false;
}

void LargeBlock::grow(std::size_t bytes) {
    if (bytes <= size_) return;
    if (bytes > testLimit) throw std::bad_alloc();
    if (data_ != nullptr && bytes <= mapped_) {
        size_ = bytes;  // the last page had room
        return;
    }
#if defined(__linux__)
    if (data_ != nullptr && !heap_) {
        // The kernel moves the pages to a larger range without copying a byte, and asks for
        // no more address space than the growth itself.
        const std::size_t page = pageSize();
        const std::size_t wanted = (bytes + page - 1) / page * page;
        if (wanted < bytes) throw std::bad_alloc();
        void* moved = mremap(data_, mapped_, wanted, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        if (wanted >= 2 * hugePage) madvise(moved, wanted, MADV_HUGEPAGE);
#endif
        data_ = moved;
        size_ = bytes;
        mapped_ = wanted;
        return;
    }
#endif
    std::size_t mapped = 0;
    bool heap = false;
    void* data = map(bytes, mapped, heap);
    if (data_ != nullptr) {
        std::memcpy(data, data_, size_);
        unmap(data_, mapped_, heap_);
    }
    data_ = data;
    size_ = bytes;
    mapped_ = mapped;
    heap_ = heap;
}

void LargeBlock::shrink(std::size_t bytes) noexcept {
    if (bytes >= size_) return;
    if (bytes == 0) {
        release();
        return;
    }
    if (heap_) {
#if defined(SPANFOLD_HEAP_BLOCKS)
        // A smaller heap block, so that the sanitizer sees the new end.
        try {
            void* smaller = heapBlock(bytes);
            std::memcpy(smaller, data_, bytes);
            freeHeapBlock(data_);
            data_ = smaller;
            mapped_ = bytes;
        } catch (const std::bad_alloc&) {
            // Keep the larger block.
        }
#endif
        size_ = bytes;
        return;
    }
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::size_t page = info.dwPageSize;
    const std::size_t keep = (bytes + page - 1) / page * page;
    if (keep < mapped_) {
        VirtualFree(static_cast<char*>(data_) + keep, mapped_ - keep, MEM_DECOMMIT);
        mapped_ = keep;  // the rest stays reserved until the whole block is released
    }
#else
    const std::size_t page = pageSize();
    const std::size_t keep = (bytes + page - 1) / page * page;
    if (keep < mapped_) {
        munmap(static_cast<char*>(data_) + keep, mapped_ - keep);
        mapped_ = keep;
    }
#endif
    size_ = bytes;
}

}  // namespace spanfold
