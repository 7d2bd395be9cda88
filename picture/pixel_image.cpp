#include "picture/pixel_image.h"

#include "base/checked_math.h"
#include "base/split_work.h"

namespace picjoin {

size_t RowStride(PixelFormat format, int32_t width) {
  if (width <= 0 || width > kMaxPictureSide) return 0;
  switch (format) {
    case PixelFormat::Bgr24: return static_cast<size_t>(PaddedRowBytes(width, 24, 4));
    case PixelFormat::Indexed8: return static_cast<size_t>(PaddedRowBytes(width, 8, 4));
    case PixelFormat::Mono1: return static_cast<size_t>(PaddedRowBytes(width, 1, 2));
  }
  return 0;
}

bool PixelImage::Allocate(PixelFormat f, int32_t w, int32_t h, FilledBy filledBy) {
  pixels.Reset();
  width = height = 0;
  stride = 0;
  if (h <= 0 || h > kMaxPictureSide) return false;
  const size_t s = RowStride(f, w);
  if (s == 0) return false;
  const uint64_t bytes = static_cast<uint64_t>(s) * static_cast<uint64_t>(h);
  if (bytes > kMaxPictureBytes || bytes > SIZE_MAX) return false;
  if (!pixels.Allocate(static_cast<size_t>(bytes))) return false;
  if (filledBy == FilledBy::Decoder) PrefaultPages(pixels.data(), pixels.size());
  format = f;
  width = w;
  height = h;
  stride = s;
  return true;
}

uint8_t* PixelImage::Row(int32_t y) {
  const int32_t memoryRow = (format == PixelFormat::Mono1) ? y : height - 1 - y;
  return pixels.data() + static_cast<size_t>(memoryRow) * stride;
}

const uint8_t* PixelImage::Row(int32_t y) const {
  return const_cast<PixelImage*>(this)->Row(y);
}

}  // namespace picjoin
