#include "base/Memory.h"

#include <cstdlib>  // the C library's own macros (__GLIBC__)

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pelorin {

namespace {
// The largest block glibc will serve from its heaps rather than map (its
// limit: half of a thread arena's 64 MB heap).
constexpr int kHeapBlockMax_bytes = 32 * 1024 * 1024;
// Freed memory at the top of a heap kept up to this before it is given back.
constexpr int kKeptFree_bytes = 1024 * 1024 * 1024;
}  // namespace

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, kHeapBlockMax_bytes);
  mallopt(M_TRIM_THRESHOLD, kKeptFree_bytes);
#endif
}

}  // namespace pelorin
