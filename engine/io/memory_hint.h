// Hints about large buffers a conversion fills once, front to back.
#pragma once

#include <cstddef>
#include <cstdint>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tolvarin {

// Asks the system to back the whole 2 MiB pages inside [data, data + bytes) with huge
// pages: a buffer of tens of megabytes is then faulted in a few dozen times instead of
// tens of thousands, which is most of the cost of filling it. Only a hint: nothing
// changes where there are no such pages, and small buffers are left alone.
inline void preferHugePages(const void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (at + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (at + bytes) & ~(kHuge - 1);
    if (bytes >= 2 * kHuge && end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Reserves room for `n` elements of a vector or string and hints it as above.
template <typename Container>
void reserveLarge(Container& c, std::size_t n) {
    c.reserve(n);
    preferHugePages(c.data(), c.capacity() * sizeof(*c.data()));
}

}  // namespace tolvarin
