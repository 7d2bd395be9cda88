// Bounds-checked little-endian reader over a block of bytes. A read past the
// end sets a sticky failure flag and yields zeros, so a parser can read a
// whole header and check ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace picjoin {

class ByteCursor {
 public:
  ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  size_t offset() const { return offset_; }
  size_t size() const { return size_; }
  size_t remaining() const { return size_ - offset_; }
  bool AtEnd() const { return offset_ >= size_; }

  // Moves to an absolute offset; an offset past the end fails.
  void Seek(size_t offset) {
    if (offset > size_) {
      Fail();
      return;
    }
    offset_ = offset;
  }

  void Skip(size_t n) {
    if (n > remaining()) {
      Fail();
      return;
    }
    offset_ += n;
  }

  uint8_t U8() {
    if (!ok_ || remaining() < 1) return Fail(), 0;
    return data_[offset_++];
  }

  uint16_t U16le() {
    if (!ok_ || remaining() < 2) return Fail(), 0;
    const uint8_t* p = data_ + offset_;
    offset_ += 2;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }

  uint32_t U32le() {
    if (!ok_ || remaining() < 4) return Fail(), 0;
    const uint8_t* p = data_ + offset_;
    offset_ += 4;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }

  int16_t S16le() { return static_cast<int16_t>(U16le()); }
  int32_t S32le() { return static_cast<int32_t>(U32le()); }

  // Returns a pointer to the next n bytes and moves past them, or nullptr.
  const uint8_t* Take(size_t n) {
    if (!ok_ || n > remaining()) return Fail(), nullptr;
    const uint8_t* p = data_ + offset_;
    offset_ += n;
    return p;
  }

 private:
  void Fail() { ok_ = false; }

  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
  bool ok_ = true;
};

}  // namespace picjoin
