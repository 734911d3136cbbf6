#include "conversion/heap_policy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sheetwright::conversion {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true;  // the sanitizer's allocator ignores these settings
#elif defined(__has_feature)
constexpr bool kOwnAllocator = __has_feature(address_sanitizer);
#else
constexpr bool kOwnAllocator = false;
#endif

// A block larger than any default threshold comes from the heap and stays there once freed, so
// the next mesh's block of that size reuses the same pages.
TEST(HeapPolicyTest, LargeBlocksStayInTheHeap) {
#if defined(__GLIBC__)
  if (kOwnAllocator) GTEST_SKIP() << "not the C library's allocator";
  ASSERT_TRUE(KeepFreedMemoryForReuse());
  constexpr size_t kBlock = size_t{96} << 20;
  auto* block = static_cast<char*>(std::malloc(kBlock));
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, kBlock);
  EXPECT_EQ(mallinfo2().hblkhd, 0u) << "the block was mapped on its own";
  std::free(block);
  EXPECT_GE(mallinfo2().fordblks, kBlock) << "the freed block went back to the kernel";
#else
  GTEST_SKIP() << "not the GNU C library";
#endif
}

}  // namespace
}  // namespace sheetwright::conversion
