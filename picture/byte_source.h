// A readable file, seen the way the decoders need it: its length, and reads
// from the current position. Implemented over a Windows file handle, a POSIX
// file, or a block of memory (tests and fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/owned_buffer.h"

namespace picjoin {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Length of the whole file in bytes, or -1 when it cannot be measured.
  virtual int64_t Size() = 0;

  // Reads up to `count` bytes at the current position. Returns how many were
  // read; 0 at the end of the file or on a read error.
  virtual size_t Read(void* dst, size_t count) = 0;

  // Moves to an absolute position. False when the position cannot be reached.
  virtual bool Seek(uint64_t position) = 0;

  // A second reader of the same bytes with a position of its own, for
  // reading another part of them on another thread; nullptr when there is
  // none. May be called on another thread while this source reads.
  virtual std::unique_ptr<ByteSource> OpenAnother() { return nullptr; }
};

// Reads `count` bytes, looping over short reads. True only if all arrived.
bool ReadExactly(ByteSource& source, void* dst, size_t count);

// Reads `count` bytes starting at `position`. A large read is shared among
// the cores, each part through its own reader (OpenAnother); when that
// fails for any part, the whole read is done again on this source alone.
// The source's position afterwards is unspecified.
bool ReadExactlyAt(ByteSource& source, uint64_t position, void* dst, size_t count);

// Reads the whole file from its start into `out`. False when it cannot be
// measured, is larger than `maxBytes`, or fewer bytes arrive than it claims.
bool ReadWholeSource(ByteSource& source, OwnedBuffer* out, uint64_t maxBytes);

// A source over bytes in memory; does not own them.
class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int64_t Size() override { return static_cast<int64_t>(size_); }
  size_t Read(void* dst, size_t count) override;
  bool Seek(uint64_t position) override;
  std::unique_ptr<ByteSource> OpenAnother() override;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace picjoin
