#include "fixture_builders.h"

namespace picjoin::fixtures {

void PutU16(Bytes& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(Bytes& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

void PutU32Big(Bytes& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace

Bytes BuildBmp(const BmpFields& f) {
  const size_t tableOffset = 14 + f.infoSize;
  const size_t tableEnd = tableOffset + 4 * f.palette.size();
  const size_t pixelOffset = f.pixelOffset >= 0 ? static_cast<size_t>(f.pixelOffset) : tableEnd + f.gap;

  // Headers shorter than 40 bytes still get the 40-byte fields written (an
  // OS/2 header would be refused anyway).
  size_t length = tableEnd > pixelOffset ? tableEnd : pixelOffset;
  if (length < 54) length = 54;
  Bytes bytes(length, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutU32(bytes, 10, static_cast<uint32_t>(pixelOffset));
  PutU32(bytes, 14, f.infoSize);
  PutU32(bytes, 18, static_cast<uint32_t>(f.width));
  PutU32(bytes, 22, static_cast<uint32_t>(f.height));
  PutU16(bytes, 26, 1);  // planes
  PutU16(bytes, 28, f.bitsPerPixel);
  PutU32(bytes, 30, f.compression);
  const int64_t used = f.coloursUsed >= 0 ? f.coloursUsed : static_cast<int64_t>(f.palette.size());
  PutU32(bytes, 46, static_cast<uint32_t>(used));
  for (size_t i = 0; i < f.palette.size(); ++i) {
    PutU32(bytes, tableOffset + 4 * i, f.palette[i] & 0x00FFFFFFu);
  }
  // Rows follow the table and gap; a pixel offset pointing back into the
  // table leaves the table whole.
  for (const Bytes& row : f.rows) {
    Append(bytes, row);
    bytes.insert(bytes.end(), (4 - row.size() % 4) % 4, 0);
  }
  PutU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
  return bytes;
}

Bytes BuildIcon(uint16_t type, const std::vector<IconEntry>& entries) {
  Bytes bytes(6 + 16 * entries.size(), 0);
  PutU16(bytes, 2, type);
  PutU16(bytes, 4, static_cast<uint16_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const IconEntry& e = entries[i];
    const size_t at = 6 + 16 * i;
    bytes[at + 0] = e.width;
    bytes[at + 1] = e.height;
    bytes[at + 2] = e.colourCount;
    PutU32(bytes, at + 8, static_cast<uint32_t>(e.image.size()));
    PutU32(bytes, at + 12, static_cast<uint32_t>(bytes.size()));
    Append(bytes, e.image);
  }
  return bytes;
}

Bytes BitmapIconImage(int32_t width, int32_t height, uint16_t bitsPerPixel) {
  const size_t colourRow = (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4;
  const size_t maskRow = (static_cast<size_t>(width) + 31) / 32 * 4;
  Bytes bytes(40 + (colourRow + maskRow) * static_cast<size_t>(height), 0);
  PutU32(bytes, 0, 40);
  PutU32(bytes, 4, static_cast<uint32_t>(width));
  PutU32(bytes, 8, static_cast<uint32_t>(height * 2));
  PutU16(bytes, 12, 1);
  PutU16(bytes, 14, bitsPerPixel);
  return bytes;
}

Bytes PngIconImage(uint32_t width, uint32_t height) {
  Bytes bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  bytes.resize(16 + 13 + 4, 0);
  PutU32Big(bytes, 16, width);
  PutU32Big(bytes, 20, height);
  bytes[24] = 8;  // bit depth
  bytes[25] = 6;  // colour type: RGBA
  return bytes;
}

}  // namespace picjoin::fixtures
