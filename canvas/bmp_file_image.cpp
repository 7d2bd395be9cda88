#include "canvas/bmp_file_image.h"

#include <cstring>
#include <limits>

namespace picjoin {

namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

uint64_t Bmp24Stride(uint32_t width) { return (uint64_t{24} * width + 31) / 32 * 4; }

size_t Bmp24FileBytes(uint32_t width, uint32_t height) {
  const uint64_t bytes = kBmpHeaderBytes + Bmp24Stride(width) * height;
  if (bytes > std::numeric_limits<uint32_t>::max() || bytes > std::numeric_limits<size_t>::max()) {
    return 0;
  }
  return static_cast<size_t>(bytes);
}

void WriteBmp24Header(uint8_t* out, uint32_t width, uint32_t height) {
  const uint32_t imageBytes = static_cast<uint32_t>(Bmp24Stride(width) * height);
  std::memset(out, 0, kBmpHeaderBytes);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out + 2, static_cast<uint32_t>(kBmpHeaderBytes) + imageBytes);
  Put32(out + 10, static_cast<uint32_t>(kBmpHeaderBytes));  // no colour table at 24 bits
  Put32(out + 14, 40);
  Put32(out + 18, width);
  Put32(out + 22, height);  // positive: rows bottom-up
  Put16(out + 26, 1);
  Put16(out + 28, 24);
  Put32(out + 30, 0);  // BI_RGB
  Put32(out + 34, imageBytes);
  // Resolutions, colours used and important colours stay 0.
}

}  // namespace picjoin
