// Size arithmetic that cannot wrap. On the 32-bit target size_t has 32 bits,
// so every byte count derived from file or user data goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace picjoin {

// a * b, or false when the product does not fit in size_t.
inline bool CheckedMul(size_t a, size_t b, size_t* out) {
  if (a != 0 && b > std::numeric_limits<size_t>::max() / a) return false;
  *out = a * b;
  return true;
}

// a + b, or false when the sum does not fit in size_t.
inline bool CheckedAdd(size_t a, size_t b, size_t* out) {
  if (b > std::numeric_limits<size_t>::max() - a) return false;
  *out = a + b;
  return true;
}

// Bytes in one row of `width` pixels of `bitsPerPixel`, padded to a multiple
// of `alignBytes` (4 for DIB rows, 2 for monochrome device bitmaps).
// Computed in 64 bits; the caller checks the result against its own limits.
inline uint64_t PaddedRowBytes(uint64_t width, uint64_t bitsPerPixel, uint64_t alignBytes) {
  const uint64_t alignBits = alignBytes * 8;
  return (width * bitsPerPixel + alignBits - 1) / alignBits * alignBytes;
}

// Saturating conversion of a 64-bit value into the int32 range.
inline int32_t SaturateToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace picjoin
