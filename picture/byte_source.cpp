#include "picture/byte_source.h"

#include <atomic>
#include <cstring>
#include <new>

#include "base/split_work.h"

namespace picjoin {

bool ReadExactly(ByteSource& source, void* dst, size_t count) {
  auto* out = static_cast<uint8_t*>(dst);
  while (count > 0) {
    const size_t got = source.Read(out, count);
    if (got == 0) return false;
    out += got;
    count -= got;
  }
  return true;
}

bool ReadExactlyAt(ByteSource& source, uint64_t position, void* dst, size_t count) {
  // Below this a read stays on one thread: the extra readers would cost more
  // than they save.
  constexpr size_t kPartBytes = 8u << 20;
  auto* out = static_cast<uint8_t*>(dst);
  std::atomic<bool> allRead{true};
  SplitWork(count, kPartBytes, [&](size_t begin, size_t end) {
    std::unique_ptr<ByteSource> own;
    ByteSource* reader = &source;
    if (begin != 0) {
      own = source.OpenAnother();
      reader = own.get();
    }
    if (reader == nullptr || !reader->Seek(position + begin) ||
        !ReadExactly(*reader, out + begin, end - begin)) {
      allRead = false;
    }
  });
  if (allRead) return true;
  return source.Seek(position) && ReadExactly(source, out, count);
}

bool ReadWholeSource(ByteSource& source, OwnedBuffer* out, uint64_t maxBytes) {
  out->Reset();
  const int64_t size = source.Size();
  if (size < 0 || static_cast<uint64_t>(size) > maxBytes || static_cast<uint64_t>(size) > SIZE_MAX) {
    return false;
  }
  if (!out->Allocate(static_cast<size_t>(size))) return false;
  if (!ReadExactlyAt(source, 0, out->data(), out->size())) {
    out->Reset();
    return false;
  }
  return true;
}

size_t MemorySource::Read(void* dst, size_t count) {
  const size_t left = size_ - position_;
  const size_t n = count < left ? count : left;
  if (n > 0) std::memcpy(dst, data_ + position_, n);
  position_ += n;
  return n;
}

std::unique_ptr<ByteSource> MemorySource::OpenAnother() {
  return std::unique_ptr<ByteSource>(new (std::nothrow) MemorySource(data_, size_));
}

bool MemorySource::Seek(uint64_t position) {
  if (position > size_) return false;
  position_ = static_cast<size_t>(position);
  return true;
}

}  // namespace picjoin
