// The page rule, which every vector kernel of the library keeps, whatever its
// width, and why reading past a string's end under it is safe.
//
// An aligned read of 16, 32 or 64 bytes never crosses a page boundary; when
// it holds the unit or byte the scan has reached, which belongs to the string
// (no earlier one was the terminator), its page is mapped. Units before the
// string's start or after its terminator in the same block are read but never
// used. Unaligned reads (of a second string, of a copy's source, of text being
// converted) are made only when staysInPage says the whole read lies within
// the page of the first unit or byte it needs, mapped by the same argument,
// or where the units just before and just after a page boundary it crosses
// are both known to be the string's (compared or copied, no terminator), so
// both pages are mapped.
//
// The sanitizers cannot know this, so the few helpers that make such reads
// are not instrumented (nor watched by ThreadSanitizer: the bytes past the end
// may be another thread's). In their stead, sanitizer builds check what the
// kernels report they read (checkReportedRead): all of it must be the
// caller's, so a kernel that reports a position past the real end fails there.
// Under Valgrind, which cannot be told the rule either, the plain level runs.
#ifndef QORU_U16_PAGERULE_H
#define QORU_U16_PAGERULE_H

#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define QORU_PAGERULE_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QORU_PAGERULE_CHECKED 1
#endif
#endif
#ifdef QORU_PAGERULE_CHECKED
#include <sanitizer/asan_interface.h>
#endif

namespace qoru {

inline constexpr uintptr_t pageSize = 4096;

inline bool isAligned(const void *p, size_t bytes) { return (reinterpret_cast<uintptr_t>(p) & (bytes - 1)) == 0; }

// True when a read of `bytes` at p stays within p's page.
inline bool staysInPage(const void *p, size_t bytes) {
    return (reinterpret_cast<uintptr_t>(p) & (pageSize - 1)) <= pageSize - bytes;
}

// The bytes from start to end, which a kernel reports it read (a string with
// its terminator, the bytes a conversion consumed), are the caller's: in
// sanitizer builds, a report that reaches memory the caller does not own
// stops the program; elsewhere nothing.
inline void checkReportedRead(const void *start, const void *end) {
#ifdef QORU_PAGERULE_CHECKED
    const size_t bytes = static_cast<size_t>(static_cast<const char *>(end) - static_cast<const char *>(start));
    if (bytes != 0 && __asan_region_is_poisoned(const_cast<void *>(start), bytes) != nullptr) __builtin_trap();
#else
    (void)start;
    (void)end;
#endif
}

}  // namespace qoru

#endif
