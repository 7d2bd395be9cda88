// Picture kinds, recognised from the first six bytes of a file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace picjoin {

enum class PictureKind : int32_t {
  Unknown = 0,
  Jpeg = 1,
  Bmp = 2,
  Icon = 3,
  Cursor = 4,
  Gif = 5,
  Pcx8 = 6,
  Pcx1 = 7,
};

// How many leading bytes DetectPictureKind looks at.
constexpr size_t kKindSignatureBytes = 6;

// Looks at exactly the first six bytes; fewer than six give Unknown.
PictureKind DetectPictureKind(const uint8_t* bytes, size_t count);

}  // namespace picjoin
