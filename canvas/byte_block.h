// A counted run of bytes. An empty block is a valid value: it is what an
// operation gives when it cannot produce its bytes.
//
// A block either owns its bytes or shares memory kept alive by an owner
// object (the canvas exports its backing image this way, without a copy).
// Either way the bytes never change while the block exists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "base/owned_buffer.h"

namespace picjoin {

class ByteBlock {
 public:
  ByteBlock() = default;
  explicit ByteBlock(OwnedBuffer buffer) {
    if (buffer.empty()) return;
    auto owned = std::make_shared<OwnedBuffer>(std::move(buffer));
    data_ = owned->data();
    size_ = owned->size();
    owner_ = std::move(owned);
  }
  ByteBlock(std::shared_ptr<const void> owner, const uint8_t* data, size_t size)
      : owner_(std::move(owner)), data_(data), size_(size) {}

  ByteBlock(const ByteBlock&) = delete;
  ByteBlock& operator=(const ByteBlock&) = delete;
  ByteBlock(ByteBlock&& o) noexcept
      : owner_(std::move(o.owner_)), data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)) {}
  ByteBlock& operator=(ByteBlock&& o) noexcept {
    owner_ = std::move(o.owner_);
    data_ = std::exchange(o.data_, nullptr);
    size_ = std::exchange(o.size_, 0);
    return *this;
  }

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  std::shared_ptr<const void> owner_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace picjoin
