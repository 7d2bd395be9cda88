// Decoded pixels of a picture, laid out so that Windows can take them as a
// device-independent bitmap without conversion.
//
//   Bgr24     3 bytes a pixel (blue, green, red); rows bottom-up, each padded
//             to a multiple of 4 bytes: a 24-bit DIB.
//   Indexed8  1 palette index a pixel plus 256 palette entries; rows
//             bottom-up, padded to 4 bytes: an 8-bit DIB.
//   Mono1     1 bit a pixel, most significant bit first; rows TOP-DOWN,
//             padded to 2 bytes: what CreateBitmap takes for a monochrome
//             device bitmap. It has no colours of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/owned_buffer.h"

namespace picjoin {

enum class PixelFormat { Bgr24, Indexed8, Mono1 };

// Largest number of pixel bytes one decoded picture may take. Anything that
// claims more fails before a byte is allocated: on a 32-bit process such a
// picture could not be joined anyway. 16384 x 16384 at 3 bytes (768 MiB) fits.
// (The fuzzing build lowers it, so that the fuzzer spends its time on the
// decoders' logic rather than on filling huge legitimate pictures.)
#ifndef PICJOIN_MAX_PICTURE_BYTES
#define PICJOIN_MAX_PICTURE_BYTES (1024ull * 1024 * 1024)
#endif
constexpr uint64_t kMaxPictureBytes = PICJOIN_MAX_PICTURE_BYTES;

// Largest width or height of a decoded picture.
constexpr int32_t kMaxPictureSide = 65535;

struct PixelImage {
  PixelFormat format = PixelFormat::Bgr24;
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;  // bytes from one row to the next in memory
  OwnedBuffer pixels;
  // Palette for Indexed8, as RGBQUAD values (0x00RRGGBB: blue in the low byte).
  std::array<uint32_t, 256> palette{};

  // Who writes the pixels first. A large image that the decoder fills gets
  // its pages mapped beforehand on several cores (PrefaultPages); one that
  // a file read fills is left to the read, which maps pages as it goes and
  // would only pay twice.
  enum class FilledBy { Decoder, FileRead };

  // Allocates width x height pixels of `format`, with the row padding the
  // format asks for. Fails for non-positive sizes, sides above
  // kMaxPictureSide, more than kMaxPictureBytes, or no memory.
  bool Allocate(PixelFormat format, int32_t width, int32_t height,
                FilledBy filledBy = FilledBy::Decoder);

  // Row y counted from the top of the picture, whatever the memory order.
  uint8_t* Row(int32_t y);
  const uint8_t* Row(int32_t y) const;

  bool empty() const { return pixels.empty(); }
};

// Bytes a row of `width` pixels needs in `format`, 0 when it cannot be had.
size_t RowStride(PixelFormat format, int32_t width);

}  // namespace picjoin
