// SPDX-License-Identifier: MIT
// Pages on Windows: VirtualAlloc reserves address space and commits memory in it, VirtualFree
// decommits and releases. Reservations start at multiples of the allocation granularity
// (64 KiB), which is the unit here. Huge pages need a privilege that programs do not have, so
// none are asked for.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <thread>

#include "memory/Pages.hpp"

namespace spanfold::pages {

std::size_t granularity() noexcept {
    static const std::size_t size = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<std::size_t>(info.dwAllocationGranularity);
    }();
    return size;
}

std::size_t hugePageSize() noexcept { return 0; }

std::uint64_t physicalMemory() noexcept {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

unsigned availableProcessors() noexcept {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        unsigned count = 0;
        for (; process != 0; process &= process - 1) ++count;
        return count;
    }
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

void* reserve(std::size_t bytes, std::size_t alignment) noexcept {
    if (alignment <= granularity()) {
        return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
    }
    // A reservation cannot be cut down: find an aligned place inside a larger one, give that
    // back and reserve the aligned range alone.
    const std::size_t extra = alignment - granularity();
    if (bytes + extra < bytes) return nullptr;
    for (int attempt = 0; attempt < 8; ++attempt) {
        void* whole = VirtualAlloc(nullptr, bytes + extra, MEM_RESERVE, PAGE_NOACCESS);
        if (whole == nullptr) return nullptr;
        const auto address = reinterpret_cast<std::uintptr_t>(whole);
        void* aligned = reinterpret_cast<void*>((address + alignment - 1) / alignment * alignment);
        VirtualFree(whole, 0, MEM_RELEASE);
        if (void* data = VirtualAlloc(aligned, bytes, MEM_RESERVE, PAGE_NOACCESS)) return data;
    }
    return nullptr;
}

bool commit(void* data, std::size_t bytes) noexcept {
    return VirtualAlloc(data, bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void decommit(void* data, std::size_t bytes) noexcept { VirtualFree(data, bytes, MEM_DECOMMIT); }

void release(void* data, std::size_t bytes) noexcept {
    (void)bytes;
    VirtualFree(data, 0, MEM_RELEASE);
}

void prefault(void* data, std::size_t bytes) noexcept {
    // Committed pages come at their first write; there is no cheaper way to ask for a few.
    (void)data;
    (void)bytes;
}

void adviseHugePages(void* data, std::size_t bytes) noexcept {
    (void)data;
    (void)bytes;
}

std::size_t mapProgramCode() noexcept {
    // The loader maps the image's code as it is first run; a run's first search pays for it.
    return 0;
}

}  // namespace spanfold::pages
