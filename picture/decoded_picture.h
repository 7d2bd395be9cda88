// What the portable decoders produce, and why they fail.
#pragma once

#include <cstdint>

#include "base/owned_buffer.h"
#include "picture/byte_source.h"
#include "picture/picture_kind.h"
#include "picture/pixel_image.h"

namespace picjoin {

enum class DecodeStatus {
  Ok,
  Truncated,    // the file ends before the data it announces
  BadHeader,    // a header field is impossible
  Unsupported,  // a valid file of a form this program does not read
  TooLarge,     // the decoded picture would exceed kMaxPictureBytes
  NoMemory,     // an allocation failed
  Corrupt,      // damaged compressed data
};

const char* DecodeStatusName(DecodeStatus status);

// A decoded picture of one of the pixel kinds (all but Icon and Cursor).
// `width` and `height` are the natural size; `image` may be smaller (a GIF's
// first image inside its logical screen).
struct DecodedPicture {
  PictureKind kind = PictureKind::Unknown;
  int32_t width = 0;
  int32_t height = 0;
  PixelImage image;
};

// The image of an icon or cursor file chosen for display, still in the form
// the file stores it (a bitmap with mask, or PNG), ready for the platform.
struct IconImage {
  PictureKind kind = PictureKind::Unknown;  // Icon or Cursor
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitsPerPixel = 0;  // from the image's bitmap header; 0 for PNG
  OwnedBuffer bytes;
};

// Each decoder reads `source` from its start. On failure `out` is left empty.
DecodeStatus DecodeBmp(ByteSource& source, DecodedPicture* out);
DecodeStatus DecodeJpeg(ByteSource& source, DecodedPicture* out);
DecodeStatus DecodeGif(ByteSource& source, DecodedPicture* out);
DecodeStatus DecodePcx(ByteSource& source, DecodedPicture* out);
DecodeStatus ReadIconImage(ByteSource& source, IconImage* out);

}  // namespace picjoin
