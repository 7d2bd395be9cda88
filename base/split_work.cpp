#include "base/split_work.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <thread>

namespace picjoin {

namespace {

// More parts than this gain nothing: the memory system is shared.
constexpr size_t kMaxParts = 4;

constexpr size_t kPageBytes = 4096;
constexpr size_t kPrefaultMinBytes = 8u << 20;

size_t PartCount(size_t count, size_t minPart) {
  const size_t cores = std::max<size_t>(1, std::thread::hardware_concurrency());
  const size_t bySize = minPart == 0 ? count : count / minPart;
  return std::max<size_t>(1, std::min({cores, kMaxParts, bySize}));
}

}  // namespace

namespace split_work_detail {

void Run(size_t count, size_t minPart, PartFunction part, void* work) {
  if (count == 0) return;
  const size_t parts = PartCount(count, minPart);
  const size_t share = count / parts;
  std::thread helpers[kMaxParts];
  // Part 0 stays on this thread; the others go to helpers, or run here
  // afterwards when a helper cannot be had.
  bool started[kMaxParts] = {};
  for (size_t i = 1; i < parts; ++i) {
    const size_t begin = i * share;
    const size_t end = i + 1 == parts ? count : begin + share;
    try {
      helpers[i] = std::thread(part, work, begin, end);
      started[i] = true;
    } catch (const std::exception&) {  // no thread, or no memory for one
      started[i] = false;
    }
  }
  part(work, 0, share);
  for (size_t i = 1; i < parts; ++i) {
    if (started[i]) {
      helpers[i].join();
    } else {
      const size_t begin = i * share;
      part(work, begin, i + 1 == parts ? count : begin + share);
    }
  }
}

}  // namespace split_work_detail

void PrefaultPages(void* data, size_t size) {
  if (data == nullptr || size < kPrefaultMinBytes) return;
  auto* bytes = static_cast<volatile uint8_t*>(data);
  const size_t pages = (size + kPageBytes - 1) / kPageBytes;
  SplitWork(pages, (2u << 20) / kPageBytes, [bytes](size_t first, size_t last) {
    for (size_t p = first; p < last; ++p) bytes[p * kPageBytes] = 0;
  });
}

}  // namespace picjoin
