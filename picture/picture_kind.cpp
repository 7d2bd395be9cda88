#include "picture/picture_kind.h"

#include <cstring>

namespace picjoin {

namespace {

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

PictureKind DetectPictureKind(const uint8_t* b, size_t count) {
  if (b == nullptr || count < kKindSignatureBytes) return PictureKind::Unknown;

  if (b[0] == 0xFF && b[1] == 0xD8) return PictureKind::Jpeg;
  if (b[0] == 'B' && b[1] == 'M') return PictureKind::Bmp;
  if (Word(b) == 0 && Word(b + 4) > 0) {
    if (Word(b + 2) == 1) return PictureKind::Icon;
    if (Word(b + 2) == 2) return PictureKind::Cursor;
  }
  if (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0) return PictureKind::Gif;
  // ZSoft PCX: manufacturer 10, run-length encoding 1. Monochrome files are
  // only taken in version 3, the one paint programs of the time wrote.
  if (b[0] == 10 && b[2] == 1) {
    if (b[1] <= 5 && b[3] == 8) return PictureKind::Pcx8;
    if (b[1] == 3 && b[3] == 1) return PictureKind::Pcx1;
  }
  return PictureKind::Unknown;
}

}  // namespace picjoin
