// Icon (.ico) and cursor (.cur) files: picks the one image to show and hands
// its bytes, untouched, to the Windows side, which makes the icon from them.
#include <cstring>
#include <utility>

#include "base/byte_cursor.h"
#include "picture/decoded_picture.h"

namespace picjoin {

namespace {

constexpr size_t kIconHeaderBytes = 6;
constexpr size_t kDirectoryEntryBytes = 16;
constexpr uint16_t kTypeIcon = 1;
constexpr uint16_t kTypeCursor = 2;

// The image we prefer: 32 pixels wide with at least 16 colours, the size and
// depth the program shows icons at.
constexpr uint8_t kPreferredWidth = 32;
constexpr uint8_t kPreferredMinColours = 16;

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct DirectoryEntry {
  uint8_t width = 0;
  uint8_t colourCount = 0;
  uint32_t imageBytes = 0;
  uint32_t imageOffset = 0;
};

DirectoryEntry ParseEntry(const uint8_t* bytes) {
  ByteCursor c(bytes, kDirectoryEntryBytes);
  DirectoryEntry e;
  e.width = c.U8();
  c.Skip(1);  // height
  e.colourCount = c.U8();
  c.Seek(8);
  e.imageBytes = c.U32le();
  e.imageOffset = c.U32le();
  return e;  // exactly 16 bytes read from 16: cannot fail
}

bool IsPreferred(const DirectoryEntry& e) {
  return e.width == kPreferredWidth && e.colourCount >= kPreferredMinColours;
}

// Walks the directory in file order: the first preferred entry wins; with
// none, the last entry is used.
DecodeStatus ChooseEntry(ByteSource& source, uint16_t count, int64_t fileSize, DirectoryEntry* chosen) {
  const uint64_t directoryEnd = kIconHeaderBytes + static_cast<uint64_t>(count) * kDirectoryEntryBytes;
  if (fileSize < 0 || directoryEnd > static_cast<uint64_t>(fileSize)) return DecodeStatus::Truncated;
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t bytes[kDirectoryEntryBytes];
    if (!ReadExactly(source, bytes, sizeof bytes)) return DecodeStatus::Truncated;
    *chosen = ParseEntry(bytes);
    if (IsPreferred(*chosen)) break;
  }
  return DecodeStatus::Ok;
}

uint32_t BigEndian32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Size and depth from the image itself: a PNG's IHDR, or the bitmap's info
// header, whose height counts the colour rows and the mask rows together.
DecodeStatus ReadImageSize(const OwnedBuffer& image, IconImage* out) {
  const uint8_t* bytes = image.data();
  const size_t size = image.size();
  if (size >= sizeof kPngSignature && std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0) {
    // Signature, IHDR length and type, then width and height.
    if (size < 24) return DecodeStatus::BadHeader;
    out->width = static_cast<int32_t>(BigEndian32(bytes + 16));
    out->height = static_cast<int32_t>(BigEndian32(bytes + 20));
    out->bitsPerPixel = 0;
  } else {
    ByteCursor c(bytes, size);
    c.Seek(4);
    out->width = c.S32le();
    out->height = c.S32le() / 2;
    c.Skip(2);  // planes
    out->bitsPerPixel = c.U16le();
    if (!c.ok()) return DecodeStatus::BadHeader;
  }
  if (out->width <= 0 || out->height <= 0) return DecodeStatus::BadHeader;
  // The platform makes a 32-bit icon of this size: the same cap as for any
  // decoded picture, so a small file cannot claim gigabytes.
  if (out->width > kMaxPictureSide || out->height > kMaxPictureSide ||
      uint64_t{4} * static_cast<uint64_t>(out->width) * static_cast<uint64_t>(out->height) >
          kMaxPictureBytes) {
    return DecodeStatus::TooLarge;
  }
  return DecodeStatus::Ok;
}

}  // namespace

DecodeStatus ReadIconImage(ByteSource& source, IconImage* out) {
  *out = IconImage{};

  uint8_t headerBytes[kIconHeaderBytes];
  if (!source.Seek(0) || !ReadExactly(source, headerBytes, sizeof headerBytes)) {
    return DecodeStatus::Truncated;
  }
  ByteCursor header(headerBytes, sizeof headerBytes);
  const uint16_t reserved = header.U16le();
  const uint16_t type = header.U16le();
  const uint16_t count = header.U16le();
  if (reserved != 0 || (type != kTypeIcon && type != kTypeCursor) || count == 0) {
    return DecodeStatus::BadHeader;
  }

  const int64_t fileSize = source.Size();
  DirectoryEntry entry;
  DecodeStatus status = ChooseEntry(source, count, fileSize, &entry);
  if (status != DecodeStatus::Ok) return status;

  if (entry.imageBytes == 0) return DecodeStatus::BadHeader;
  const uint64_t length = static_cast<uint64_t>(fileSize);
  if (entry.imageOffset > length || entry.imageBytes > length - entry.imageOffset) {
    return DecodeStatus::Truncated;
  }
  if (entry.imageBytes > kMaxPictureBytes) return DecodeStatus::TooLarge;

  IconImage result;
  if (!result.bytes.Allocate(entry.imageBytes)) return DecodeStatus::NoMemory;
  if (!source.Seek(entry.imageOffset) ||
      !ReadExactly(source, result.bytes.data(), result.bytes.size())) {
    return DecodeStatus::Truncated;
  }
  status = ReadImageSize(result.bytes, &result);
  if (status != DecodeStatus::Ok) return status;

  result.kind = type == kTypeIcon ? PictureKind::Icon : PictureKind::Cursor;
  *out = std::move(result);
  return DecodeStatus::Ok;
}

}  // namespace picjoin
