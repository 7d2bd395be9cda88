// Small BMP and ICO files made in code, so each test shows the bytes it
// feeds the decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace picjoin::fixtures {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& bytes, size_t offset, uint16_t value);
void PutU32(Bytes& bytes, size_t offset, uint32_t value);

// The fields of a bitmap file to build. Everything not set follows from the
// rest: the table comes right after the info header, the pixels right after
// the table (plus `gap`).
struct BmpFields {
  int32_t width = 1;
  int32_t height = 1;  // as stored: negative for top-down rows
  uint16_t bitsPerPixel = 24;
  uint32_t compression = 0;
  uint32_t infoSize = 40;  // 108 and 124 give V4 and V5 headers (extra bytes zero)
  std::vector<uint32_t> palette;  // 0x00RRGGBB, written as b, g, r, 0
  int64_t coloursUsed = -1;       // -1: the palette's length
  uint32_t gap = 0;               // bytes between the table and the pixels
  int64_t pixelOffset = -1;       // -1: right after the table and the gap
  // Stored rows in file order, without padding; each is padded with zeros to
  // a multiple of 4 bytes.
  std::vector<Bytes> rows;
};

Bytes BuildBmp(const BmpFields& fields);

struct IconEntry {
  uint8_t width = 0;  // directory bytes; 0 means 256
  uint8_t height = 0;
  uint8_t colourCount = 0;
  Bytes image;
};

// An icon (type 1) or cursor (type 2) file holding `entries` in order.
Bytes BuildIcon(uint16_t type, const std::vector<IconEntry>& entries);

// An icon image in bitmap form: a 40-byte info header (height doubled for
// the mask, as icons store it) followed by zeroed colour and mask rows.
Bytes BitmapIconImage(int32_t width, int32_t height, uint16_t bitsPerPixel);

// The start of a PNG: signature and IHDR chunk (CRC left zero).
Bytes PngIconImage(uint32_t width, uint32_t height);

}  // namespace picjoin::fixtures
