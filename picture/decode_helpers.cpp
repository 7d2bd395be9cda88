#include "picture/decode_helpers.h"

#include <cstring>

#include "base/checked_math.h"

namespace picjoin {

DecodeStatus ReadWholeFile(ByteSource& source, OwnedBuffer* file) {
  const int64_t size = source.Size();
  if (size < 0) return DecodeStatus::Truncated;
  if (static_cast<uint64_t>(size) > kMaxWholeFileBytes) return DecodeStatus::TooLarge;
  if (!ReadWholeSource(source, file, kMaxWholeFileBytes)) return DecodeStatus::Truncated;
  return DecodeStatus::Ok;
}

DecodeStatus AllocateZeroedImage(PixelImage* image, PixelFormat format, int32_t width, int32_t height) {
  const size_t stride = RowStride(format, width);
  if (stride == 0 || height > kMaxPictureSide) return DecodeStatus::TooLarge;
  size_t bytes = 0;
  if (!CheckedMul(stride, static_cast<size_t>(height), &bytes) || bytes > kMaxPictureBytes) {
    return DecodeStatus::TooLarge;
  }
  if (!image->Allocate(format, width, height)) return DecodeStatus::NoMemory;
  std::memset(image->pixels.data(), 0, image->pixels.size());
  return DecodeStatus::Ok;
}

}  // namespace picjoin
