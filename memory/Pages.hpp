// SPDX-License-Identifier: MIT
// Address space and memory straight from the operating system, in whole pages: the one place
// that knows how the platform hands them out, and what the machine has: its memory, and the
// processors the process may run on. The build picks one implementation per platform
// (PagesPosix.cpp, PagesWindows.cpp); LargeBlock holds the policy on top of it.
//
// Memory comes in two steps, as the systems give it: a range of address space is reserved,
// which costs no memory, then parts of it are committed, which makes them usable. Committed
// memory reads as zero until it is first written, and the system finds pages for it only then.
// Reserving ahead lets a block grow where it stands: its pages are never moved or copied, and
// huge pages, once granted, stay whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace spanfold::pages {

// The unit of every address and size below.
std::size_t granularity() noexcept;

// The size of the huge pages the system may back a range with, or 0 where no wish for them
// can be made. A range aligned to it and asked for them takes far fewer page faults to fill
// and far fewer TLB misses to read at random.
std::size_t hugePageSize() noexcept;

// The machine's physical memory in bytes, or 0 when the system does not tell.
std::uint64_t physicalMemory() noexcept;

// The processors this process may run on (its affinity), or the machine's where the system
// does not tell; at least 1.
unsigned availableProcessors() noexcept;

// Reserves `bytes` of address space at a multiple of `alignment` (a power of two, at least the
// granularity). Nothing is usable until committed. Null when there is no such space.
void* reserve(std::size_t bytes, std::size_t alignment) noexcept;

// Makes [data, data + bytes) of a reservation usable. False when the system has no memory to
// promise for it.
bool commit(void* data, std::size_t bytes) noexcept;

// Gives back the memory of [data, data + bytes); the address space stays reserved, and a later
// commit of it reads as zero again.
void decommit(void* data, std::size_t bytes) noexcept;

// Gives back a whole reservation, made by reserve(bytes), with the memory committed in it.
void release(void* data, std::size_t bytes) noexcept;

// Asks for huge pages for [data, data + bytes), before it is first written: a wish, which the
// system may grant or not.
void adviseHugePages(void* data, std::size_t bytes) noexcept;

// Makes the committed pages of [data, data + bytes) present at once, in one call, rather than
// one fault at a time as they are first written: for pages about to be written anyway. A
// wish too: where the system cannot, each page comes at its first write as before.
void prefault(void* data, std::size_t bytes) noexcept;

// Makes every page of the program's own machine code present in its address space, before
// the clock of a run starts: the system otherwise maps code a few pages at a time, at the first
// call into each, and on some hosts such a fault costs more than a whole small search. Returns
// the number of pages touched, 0 where the platform maps them otherwise.
std::size_t mapProgramCode() noexcept;

}  // namespace spanfold::pages
