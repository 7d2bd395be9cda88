// Windows bitmap files: uncompressed 1, 4, 8, 24 and 32 bits a pixel with a
// header of at least BITMAPINFOHEADER's 40 bytes. Run-length and bit-field
// files, 16-bit files and OS/2 headers are refused.
//
// Everything the header claims is checked against the real length of the file
// before anything is allocated for it, and the pixels are read in large
// pieces: a 150 MB scan must load in the time the disk takes to deliver it.
#include <cstring>
#include <utility>

#include "base/byte_cursor.h"
#include "base/checked_math.h"
#include "picture/decoded_picture.h"

namespace picjoin {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kMinInfoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr size_t kHeaderBytes = kFileHeaderBytes + kMinInfoHeaderBytes;
constexpr uint32_t kCompressionNone = 0;  // BI_RGB

// Rows that need converting are read through a buffer of about this size
// (never less than one row).
constexpr size_t kChunkBytes = 4 * 1024 * 1024;

// The fields this decoder uses, as stored.
struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  int32_t storedWidth = 0;
  int32_t storedHeight = 0;
  uint16_t bitsPerPixel = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
};

// What the header says once checked: where everything is, in file offsets.
struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;       // a negative stored height
  unsigned bitsPerPixel = 0;
  uint64_t tableOffset = 0;   // colour table, right after the info header
  uint32_t tableEntries = 0;  // entries the file's table holds
  uint64_t pixelOffset = 0;
  size_t fileStride = 0;      // bytes of one stored row, padding included
};

// Colours of an indexed picture as b, g, r triples. Indices the file's table
// does not cover stay black.
struct BmpPalette {
  uint8_t bgr[256 * 3] = {};
};

BmpHeader ParseHeader(const uint8_t* bytes) {
  ByteCursor c(bytes, kHeaderBytes);
  BmpHeader h;
  c.Seek(10);
  h.pixelOffset = c.U32le();
  h.infoSize = c.U32le();
  h.storedWidth = c.S32le();
  h.storedHeight = c.S32le();
  c.Skip(2);  // planes: not checked; files with a wrong count are readable otherwise
  h.bitsPerPixel = c.U16le();
  h.compression = c.U32le();
  c.Seek(46);
  h.coloursUsed = c.U32le();
  return h;  // the cursor covers exactly the 54 bytes read, so it cannot fail
}

bool IsIndexed(unsigned bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8;
}

// Checks the header against itself and against the file's length, and works
// out the layout. Nothing has been allocated yet when this refuses a file.
DecodeStatus CheckLayout(const BmpHeader& h, int64_t fileSize, BmpLayout* layout) {
  if (h.infoSize < kMinInfoHeaderBytes) return DecodeStatus::BadHeader;
  if (h.compression != kCompressionNone) return DecodeStatus::Unsupported;
  const unsigned bpp = h.bitsPerPixel;
  if (!IsIndexed(bpp) && bpp != 24 && bpp != 32) return DecodeStatus::Unsupported;

  // INT32_MIN has no positive counterpart; refuse it before negating.
  if (h.storedWidth == INT32_MIN || h.storedHeight == INT32_MIN) return DecodeStatus::BadHeader;
  if (h.storedWidth == 0 || h.storedHeight == 0) return DecodeStatus::BadHeader;
  // Some writers store a negative width; the sign carries no meaning there.
  const int32_t width = h.storedWidth < 0 ? -h.storedWidth : h.storedWidth;
  const int32_t height = h.storedHeight < 0 ? -h.storedHeight : h.storedHeight;

  // The picture we would make must fit the cap. Testing the sides first also
  // keeps the 64-bit products below from overflowing.
  if (width > kMaxPictureSide || height > kMaxPictureSide) return DecodeStatus::TooLarge;
  const uint64_t outputBytes = static_cast<uint64_t>(RowStride(PixelFormat::Bgr24, width)) * height;
  if (outputBytes > kMaxPictureBytes) return DecodeStatus::TooLarge;

  if (fileSize < 0) return DecodeStatus::Truncated;  // cannot be measured: cannot be trusted
  const uint64_t length = static_cast<uint64_t>(fileSize);

  // The colour table starts where the info header ends, so the longer V4 and
  // V5 headers keep their own colours. Its full length (all entries the
  // header announces, even those beyond 2^bpp) must be in the file.
  uint64_t entries = 0;
  if (IsIndexed(bpp)) entries = h.coloursUsed != 0 ? h.coloursUsed : (1u << bpp);
  const uint64_t tableOffset = kFileHeaderBytes + static_cast<uint64_t>(h.infoSize);
  const uint64_t tableEnd = tableOffset + 4 * entries;  // < 2^35: no overflow
  if (tableEnd > length) return DecodeStatus::Truncated;
  if (h.pixelOffset < tableEnd) return DecodeStatus::BadHeader;

  const uint64_t fileStride = PaddedRowBytes(static_cast<uint64_t>(width), bpp, 4);
  const uint64_t pixelBytes = fileStride * static_cast<uint64_t>(height);
  if (h.pixelOffset > length || pixelBytes > length - h.pixelOffset) return DecodeStatus::Truncated;
  // With width <= kMaxPictureSide a stored row is at most 256 KB, so it fits
  // size_t even on the 32-bit target.

  layout->width = width;
  layout->height = height;
  layout->topDown = h.storedHeight < 0;
  layout->bitsPerPixel = bpp;
  layout->tableOffset = tableOffset;
  // Only the first 2^bpp entries can be addressed by an index (at most 256).
  const uint64_t addressable = IsIndexed(bpp) ? (1u << bpp) : 0;
  layout->tableEntries = static_cast<uint32_t>(entries < addressable ? entries : addressable);
  layout->pixelOffset = h.pixelOffset;
  layout->fileStride = static_cast<size_t>(fileStride);
  return DecodeStatus::Ok;
}

DecodeStatus ReadPalette(ByteSource& source, const BmpLayout& layout, BmpPalette* palette) {
  uint8_t table[256 * 4];
  const size_t bytes = static_cast<size_t>(layout.tableEntries) * 4;
  if (!source.Seek(layout.tableOffset) || !ReadExactly(source, table, bytes)) {
    return DecodeStatus::Truncated;
  }
  for (uint32_t i = 0; i < layout.tableEntries; ++i) {
    // Stored as RGBQUAD: blue, green, red, reserved.
    palette->bgr[i * 3 + 0] = table[i * 4 + 0];
    palette->bgr[i * 3 + 1] = table[i * 4 + 1];
    palette->bgr[i * 3 + 2] = table[i * 4 + 2];
  }
  return DecodeStatus::Ok;
}

// Expands one stored row of packed indices (most significant bits first) into
// b, g, r pixels.
void ExpandIndexedRow(const uint8_t* src, unsigned bpp, int32_t width, const BmpPalette& palette,
                      uint8_t* dst) {
  const uint8_t* colours = palette.bgr;
  if (bpp == 8) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* c = colours + src[x] * 3;
      dst[0] = c[0];
      dst[1] = c[1];
      dst[2] = c[2];
      dst += 3;
    }
    return;
  }
  const unsigned perByte = 8 / bpp;
  const unsigned mask = (1u << bpp) - 1;
  int32_t x = 0;
  for (; x < width; ++src) {
    const unsigned byte = *src;
    for (unsigned i = 0; i < perByte && x < width; ++i, ++x) {
      const unsigned shift = 8 - bpp * (i + 1);
      const uint8_t* c = colours + ((byte >> shift) & mask) * 3;
      dst[0] = c[0];
      dst[1] = c[1];
      dst[2] = c[2];
      dst += 3;
    }
  }
}

// b, g, r, x: the fourth byte is not alpha in a BI_RGB file; the picture is opaque.
void Copy32To24(const uint8_t* src, int32_t width, uint8_t* dst) {
  for (int32_t x = 0; x < width; ++x) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
    src += 4;
    dst += 3;
  }
}

void ConvertRow(const uint8_t* src, const BmpLayout& layout, const BmpPalette& palette,
                size_t outStride, uint8_t* dst) {
  const size_t used = static_cast<size_t>(layout.width) * 3;
  switch (layout.bitsPerPixel) {
    case 24: std::memcpy(dst, src, used); break;
    case 32: Copy32To24(src, layout.width, dst); break;
    default: ExpandIndexedRow(src, layout.bitsPerPixel, layout.width, palette, dst); break;
  }
  std::memset(dst + used, 0, outStride - used);  // row padding: keep it defined
}

// Picture row (from the top) of the n-th row stored in the file.
int32_t PictureRow(const BmpLayout& layout, int32_t fileRow) {
  return layout.topDown ? fileRow : layout.height - 1 - fileRow;
}

// Reads whole stored rows a chunk at a time and converts them into `image`.
DecodeStatus ReadConvertedRows(ByteSource& source, const BmpLayout& layout,
                               const BmpPalette& palette, PixelImage* image) {
  size_t rowsPerChunk = kChunkBytes / layout.fileStride;
  if (rowsPerChunk == 0) rowsPerChunk = 1;
  if (rowsPerChunk > static_cast<size_t>(layout.height)) rowsPerChunk = layout.height;
  OwnedBuffer chunk;
  // fileStride x rowsPerChunk stays within max(kChunkBytes, one row).
  if (!chunk.Allocate(layout.fileStride * rowsPerChunk)) return DecodeStatus::NoMemory;

  for (int32_t first = 0; first < layout.height;) {
    const size_t left = static_cast<size_t>(layout.height - first);
    const size_t rows = left < rowsPerChunk ? left : rowsPerChunk;
    if (!ReadExactly(source, chunk.data(), layout.fileStride * rows)) return DecodeStatus::Truncated;
    for (size_t i = 0; i < rows; ++i) {
      const int32_t fileRow = first + static_cast<int32_t>(i);
      ConvertRow(chunk.data() + i * layout.fileStride, layout, palette, image->stride,
                 image->Row(PictureRow(layout, fileRow)));
    }
    first += static_cast<int32_t>(rows);
  }
  return DecodeStatus::Ok;
}

DecodeStatus ReadPixels(ByteSource& source, const BmpLayout& layout, const BmpPalette& palette,
                        PixelImage* image) {
  if (layout.bitsPerPixel == 24 && !layout.topDown) {
    // A bottom-up 24-bit file stores its rows exactly as our image keeps
    // them: same order, same padding. One read fills the whole picture.
    return ReadExactlyAt(source, layout.pixelOffset, image->pixels.data(), image->pixels.size())
               ? DecodeStatus::Ok
               : DecodeStatus::Truncated;
  }
  if (!source.Seek(layout.pixelOffset)) return DecodeStatus::Truncated;
  return ReadConvertedRows(source, layout, palette, image);
}

}  // namespace

DecodeStatus DecodeBmp(ByteSource& source, DecodedPicture* out) {
  *out = DecodedPicture{};

  uint8_t headerBytes[kHeaderBytes];
  if (!source.Seek(0) || !ReadExactly(source, headerBytes, sizeof headerBytes)) {
    return DecodeStatus::Truncated;
  }
  const BmpHeader header = ParseHeader(headerBytes);

  BmpLayout layout;
  DecodeStatus status = CheckLayout(header, source.Size(), &layout);
  if (status != DecodeStatus::Ok) return status;

  BmpPalette palette;
  if (layout.tableEntries > 0) {
    status = ReadPalette(source, layout, &palette);
    if (status != DecodeStatus::Ok) return status;
  }

  DecodedPicture picture;
  // The size was checked against the cap above, so a refusal here means the
  // memory is not there.
  const bool rowsAsStored = layout.bitsPerPixel == 24 && !layout.topDown;
  if (!picture.image.Allocate(PixelFormat::Bgr24, layout.width, layout.height,
                              rowsAsStored ? PixelImage::FilledBy::FileRead
                                           : PixelImage::FilledBy::Decoder)) {
    return DecodeStatus::NoMemory;
  }
  status = ReadPixels(source, layout, palette, &picture.image);
  if (status != DecodeStatus::Ok) return status;

  picture.kind = PictureKind::Bmp;
  picture.width = layout.width;
  picture.height = layout.height;
  *out = std::move(picture);
  return DecodeStatus::Ok;
}

}  // namespace picjoin
