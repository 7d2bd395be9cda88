// A heap block of bytes with one owner. Allocation never throws: a failed
// allocation leaves the buffer empty, which callers check with ok().
// The bytes are not initialised; decoders overwrite every byte they expose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace picjoin {

class OwnedBuffer {
 public:
  OwnedBuffer() = default;
  explicit OwnedBuffer(size_t size) { Allocate(size); }
  ~OwnedBuffer() { std::free(data_); }

  OwnedBuffer(const OwnedBuffer&) = delete;
  OwnedBuffer& operator=(const OwnedBuffer&) = delete;
  OwnedBuffer(OwnedBuffer&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  OwnedBuffer& operator=(OwnedBuffer&& other) noexcept {
    if (this != &other) {
      std::free(data_);
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }

  // Replaces the content with a fresh block of `size` bytes. Returns false
  // (and leaves the buffer empty) when the memory cannot be had.
  bool Allocate(size_t size) {
    Reset();
    if (size == 0) return true;
    data_ = static_cast<uint8_t*>(std::malloc(size));
    if (data_ == nullptr) return false;
    size_ = size;
    return true;
  }

  void Reset() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
  }

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace picjoin
