// SplitWork's parts: together they cover the range exactly once, each part
// is one contiguous run, and small ranges are not split at all.
#include "base/split_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "base/owned_buffer.h"

namespace picjoin {
namespace {

struct SplitCase {
  size_t count, minPart;
};

TEST(SplitWork, PartsCoverTheRangeOnceAndKeepTheirLeastSize) {
  const SplitCase cases[] = {{1, 1}, {5, 10}, {10, 3}, {1000, 1}, {1001, 250}, {1u << 20, 4096}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " by " + std::to_string(c.minPart));
    std::mutex lock;
    std::vector<std::pair<size_t, size_t>> parts;
    std::vector<std::atomic<int>> visits(c.count);
    SplitWork(c.count, c.minPart, [&](size_t begin, size_t end) {
      for (size_t i = begin; i < end; ++i) visits[i].fetch_add(1);
      std::lock_guard<std::mutex> hold(lock);
      parts.emplace_back(begin, end);
    });
    for (size_t i = 0; i < c.count; ++i) ASSERT_EQ(visits[i].load(), 1) << "index " << i;
    std::sort(parts.begin(), parts.end());
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.front().first, 0u);
    EXPECT_EQ(parts.back().second, c.count);
    for (const auto& [begin, end] : parts) {
      if (parts.size() > 1) EXPECT_GE(end - begin, c.minPart);
    }
    if (c.count < 2 * c.minPart) EXPECT_EQ(parts.size(), 1u);
  }
}

TEST(SplitWork, AnEmptyRangeRunsNothing) {
  int calls = 0;
  SplitWork(0, 1, [&](size_t, size_t) { ++calls; });
  EXPECT_EQ(calls, 0);
}

// The prefault writes every page of the block and is done when it returns:
// what the caller writes afterwards stays.
TEST(PrefaultPages, ALargeBlockIsUsableAtOnceAndKeepsWhatIsWrittenAfter) {
  OwnedBuffer buffer;
  const size_t size = (24u << 20) + 123;
  ASSERT_TRUE(buffer.Allocate(size));
  PrefaultPages(buffer.data(), size);
  for (size_t i = 0; i < size; i += 4096) buffer.data()[i] = static_cast<uint8_t>((i >> 12) | 1);
  buffer.data()[size - 1] = 0x5A;
  for (size_t i = 0; i < size; i += 4096) ASSERT_EQ(buffer.data()[i], static_cast<uint8_t>((i >> 12) | 1));
  EXPECT_EQ(buffer.data()[size - 1], 0x5A);
}

}  // namespace
}  // namespace picjoin
