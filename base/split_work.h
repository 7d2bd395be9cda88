// Runs a piece of work over a range in a few parts at once, one on the
// calling thread and the others on short-lived helper threads.
//
// Used where the time goes into touching memory for the first time (the
// operating system then maps and clears page after page, which several
// cores do faster than one), never for work whose parts depend on each
// other: every part must touch only its own share of the range.
#pragma once

#include <cstddef>
#include <type_traits>

namespace picjoin {

namespace split_work_detail {
using PartFunction = void (*)(void* work, size_t begin, size_t end);
void Run(size_t count, size_t minPart, PartFunction part, void* work);
}  // namespace split_work_detail

// Calls work(begin, end) for contiguous parts that together cover
// [0, count), each part at least `minPart` long (so a small range stays in
// one part, on the calling thread). Returns when every part is done. When no
// helper thread can be started, the calling thread does all the parts.
template <typename Work>
void SplitWork(size_t count, size_t minPart, Work&& work) {
  using W = std::remove_reference_t<Work>;
  split_work_detail::Run(
      count, minPart,
      [](void* w, size_t begin, size_t end) { (*static_cast<W*>(w))(begin, end); },
      const_cast<void*>(static_cast<const void*>(&work)));
}

// Writes a zero into every 4 KiB page of a large block, on several cores, so
// that later writes into it find its memory already mapped. Blocks below a
// few MiB are left alone. The block's content is undefined afterwards.
void PrefaultPages(void* data, size_t size);

}  // namespace picjoin
