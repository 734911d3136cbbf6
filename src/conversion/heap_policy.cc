#include "conversion/heap_policy.h"

#include <cstdlib>  // defines __GLIBC__ with the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sheetwright::conversion {

bool KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // No block is mapped on its own (the heap serves all), and free memory at the top of the heap
  // is returned to the kernel only beyond 1 GiB.
  return mallopt(M_MMAP_MAX, 0) == 1 && mallopt(M_TRIM_THRESHOLD, 1 << 30) == 1;
#else
  return false;
#endif
}

}  // namespace sheetwright::conversion
