// SPDX-License-Identifier: MIT
// Pages on POSIX systems: a reservation is a private anonymous mapping without access, and
// committing a part makes it readable and writable. The system charges memory for a part only
// when it becomes writable, so a reservation costs address space alone.
#include <link.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "memory/Pages.hpp"

namespace spanfold::pages {

std::size_t granularity() noexcept {
    static const auto size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t hugePageSize() noexcept {
#ifdef MADV_HUGEPAGE
    return std::size_t{2} << 20;
#else
    return 0;
#endif
}

std::uint64_t physicalMemory() noexcept {
    const long pages = sysconf(_SC_PHYS_PAGES);
    return pages > 0 ? static_cast<std::uint64_t>(pages) * granularity() : 0;
}

unsigned availableProcessors() noexcept {
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
#endif
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

void* reserve(std::size_t bytes, std::size_t alignment) noexcept {
    // A little more than asked for, then the ends beyond the aligned range are given back.
    const std::size_t extra = alignment - granularity();
    if (bytes + extra < bytes) return nullptr;
    void* whole = mmap(nullptr, bytes + extra, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (whole == MAP_FAILED) return nullptr;
    auto* start = static_cast<char*>(whole);
    const std::size_t head =
        (alignment - reinterpret_cast<std::uintptr_t>(start) % alignment) % alignment;
    if (head != 0) munmap(start, head);
    if (extra - head != 0) munmap(start + head + bytes, extra - head);
    return start + head;
}

bool commit(void* data, std::size_t bytes) noexcept {
    return mprotect(data, bytes, PROT_READ | PROT_WRITE) == 0;
}

void decommit(void* data, std::size_t bytes) noexcept {
    // A fresh mapping without access in place of the old pages: their memory and its charge
    // go back to the system, and the range stays reserved.
    mmap(data, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
}

void release(void* data, std::size_t bytes) noexcept { munmap(data, bytes); }

void prefault(void* data, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    madvise(data, bytes, MADV_POPULATE_WRITE);  // Linux 5.14 on; older ones refuse it
#else
    (void)data;
    (void)bytes;
#endif
}

void adviseHugePages(void* data, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
    madvise(data, bytes, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

std::size_t mapProgramCode() noexcept {
    // The executable segments of the program itself, the first object listed: one read per
    // page, which faults each in.
    std::size_t touched = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) -> int {
            const std::size_t page = granularity();
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
                const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
                const std::uintptr_t end = start + segment.p_memsz;
                for (std::uintptr_t at = start - start % page; at < end; at += page) {
                    (void)*reinterpret_cast<const volatile char*>(at);
                    ++*static_cast<std::size_t*>(data);
                }
            }
            return 1;  // the program only, not the libraries it loaded
        },
        &touched);
    return touched;
}

}  // namespace spanfold::pages
