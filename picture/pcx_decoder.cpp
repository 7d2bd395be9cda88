// ZSoft PCX, the two forms this program shows: 256-colour (8 bits in one
// plane, palette after the image data) and monochrome (1 bit in one plane).
//
// The whole file is read into memory first. The run-length stream is decoded
// as one continuous sequence, because encoders disagree on whether a run may
// cross from one scan line into the next; reading it that way gives the right
// picture in both cases.
#include <algorithm>
#include <cstring>
#include <utility>

#include "base/byte_cursor.h"
#include "base/checked_math.h"
#include "picture/decode_helpers.h"
#include "picture/decoded_picture.h"

namespace picjoin {

namespace {

constexpr size_t kHeaderBytes = 128;
constexpr uint64_t kMaxRunLength = 63;  // bytes one byte of data can stand for (a run of 0xFF)
constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kRunLengthEncoding = 1;
constexpr uint8_t kLastVersion = 5;
constexpr uint8_t kPaletteMarker = 12;
constexpr size_t kPaletteBytes = 768;

struct PcxHeader {
  PictureKind kind = PictureKind::Unknown;
  int32_t width = 0;
  int32_t height = 0;
  size_t rowBytes = 0;   // bytes of one plane the row's pixels need
  size_t lineBytes = 0;  // bytes of one whole scan line, all planes
};

DecodeStatus ReadHeader(const uint8_t* data, size_t size, PcxHeader* header) {
  if (size <= kHeaderBytes) return DecodeStatus::Truncated;
  ByteCursor cursor(data, size);
  const uint8_t manufacturer = cursor.U8();
  const uint8_t version = cursor.U8();
  const uint8_t encoding = cursor.U8();
  const uint8_t bitsPerPixel = cursor.U8();
  const int16_t xMin = cursor.S16le();
  const int16_t yMin = cursor.S16le();
  const int16_t xMax = cursor.S16le();
  const int16_t yMax = cursor.S16le();
  cursor.Seek(65);
  const uint8_t planes = cursor.U8();
  const uint16_t bytesPerLine = cursor.U16le();
  if (!cursor.ok()) return DecodeStatus::Truncated;

  if (manufacturer != kManufacturer) return DecodeStatus::BadHeader;
  if (encoding != kRunLengthEncoding) return DecodeStatus::Unsupported;
  if (version > kLastVersion) return DecodeStatus::Unsupported;

  // The window is inclusive at both ends; 16-bit sides cannot overflow here.
  header->width = int32_t{xMax} - xMin + 1;
  header->height = int32_t{yMax} - yMin + 1;
  if (header->width <= 0 || header->height <= 0) return DecodeStatus::BadHeader;

  if (planes == 0) return DecodeStatus::BadHeader;
  if (bitsPerPixel == 1 && planes == 1) {
    header->kind = PictureKind::Pcx1;
  } else if (bitsPerPixel == 8) {
    // With more planes (24-bit files have three) only the first plane is
    // shown, through the palette; the others are decoded and dropped.
    header->kind = PictureKind::Pcx8;
  } else {
    return DecodeStatus::Unsupported;
  }

  const uint64_t rowBits = static_cast<uint64_t>(header->width) * bitsPerPixel;
  header->rowBytes = static_cast<size_t>((rowBits + 7) / 8);
  if (bytesPerLine < header->rowBytes) return DecodeStatus::BadHeader;
  header->lineBytes = static_cast<size_t>(bytesPerLine) * planes;  // at most 65535 * 255
  return DecodeStatus::Ok;
}

// The run-length stream from byte 128 on: a byte above 0xC0 repeats the next
// byte (byte - 0xC0) times; any other byte stands for itself. Past the end of
// the file the stream gives zeros.
class RunLengthStream {
 public:
  RunLengthStream(const uint8_t* data, size_t size, size_t start)
      : data_(data), size_(size), position_(start) {}

  // Offset of the first file byte not yet consumed.
  size_t position() const { return position_; }

  // The next `count` decoded bytes into `dst`.
  void Read(uint8_t* dst, size_t count) {
    while (count > 0) {
      const size_t n = NextRun(count);
      if (n == 0) {
        std::memset(dst, 0, count);
        return;
      }
      std::memset(dst, runValue_, n);
      dst += n;
      count -= n;
    }
  }

  // Drops the next `count` decoded bytes, a whole run at a time.
  void Skip(size_t count) {
    while (count > 0) {
      const size_t n = NextRun(count);
      if (n == 0) return;
      count -= n;
    }
  }

 private:
  // Takes up to `wanted` bytes of the current run, starting a new run when
  // the current one is used up. Returns how many; 0 once the data has ended.
  size_t NextRun(size_t wanted) {
    if (runLeft_ == 0 && !StartRun()) return 0;
    const size_t n = std::min(runLeft_, wanted);
    runLeft_ -= n;
    return n;
  }

  bool StartRun() {
    if (position_ >= size_) return false;
    const uint8_t byte = data_[position_++];
    if (byte > 0xC0) {
      if (position_ >= size_) return false;  // a count with no byte to repeat
      runLeft_ = byte - 0xC0u;
      runValue_ = data_[position_++];
    } else {
      runLeft_ = 1;
      runValue_ = byte;
    }
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  size_t position_;
  size_t runLeft_ = 0;
  uint8_t runValue_ = 0;
};

// Decodes every scan line; each image row takes the first `rowBytes` of its
// line's first plane.
void DecodeScanLines(RunLengthStream& stream, const PcxHeader& header, PixelImage& image) {
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* row = image.Row(y);
    stream.Read(row, header.rowBytes);
    stream.Skip(header.lineBytes - header.rowBytes);
  }
}

// Clears the bits past the last pixel of each monochrome row, so that the
// padding never shows as pixels.
void MaskMonoRows(const PcxHeader& header, PixelImage& image) {
  const int spareBits = static_cast<int>(header.rowBytes * 8 - static_cast<size_t>(header.width));
  if (spareBits == 0) return;
  const auto keep = static_cast<uint8_t>(0xFF << spareBits);
  for (int32_t y = 0; y < image.height; ++y) image.Row(y)[header.rowBytes - 1] &= keep;
}

// The 256-colour palette: the marker byte 12 right after the image data and
// 768 bytes of red, green, blue. Without it every entry stays black.
void ReadPalette(const uint8_t* data, size_t size, size_t position, PixelImage& image) {
  image.palette.fill(0);
  if (position >= size || data[position] != kPaletteMarker) return;
  if (size - position - 1 < kPaletteBytes) return;
  const uint8_t* rgb = data + position + 1;
  for (size_t i = 0; i < 256; ++i, rgb += 3) {
    image.palette[i] = (static_cast<uint32_t>(rgb[0]) << 16) |
                       (static_cast<uint32_t>(rgb[1]) << 8) | rgb[2];
  }
}

DecodeStatus DecodePcxBytes(const uint8_t* data, size_t size, DecodedPicture* picture) {
  PcxHeader header;
  DecodeStatus status = ReadHeader(data, size, &header);
  if (status != DecodeStatus::Ok) return status;

  // A byte of run-length data stands for at most 63 bytes, so a file whose
  // scan-line data cannot possibly fill the picture is refused before the
  // picture is allocated: a file of a few hundred bytes must not claim
  // hundreds of megabytes.
  const uint64_t decodedBytes = uint64_t{header.lineBytes} * static_cast<uint64_t>(header.height);
  if (decodedBytes > (uint64_t{size} - kHeaderBytes) * kMaxRunLength) return DecodeStatus::TooLarge;

  const bool mono = header.kind == PictureKind::Pcx1;
  PixelImage& image = picture->image;
  status = AllocateZeroedImage(&image, mono ? PixelFormat::Mono1 : PixelFormat::Indexed8, header.width,
                         header.height);
  if (status != DecodeStatus::Ok) return status;

  RunLengthStream stream(data, size, kHeaderBytes);
  DecodeScanLines(stream, header, image);
  if (mono) {
    MaskMonoRows(header, image);
  } else {
    ReadPalette(data, size, stream.position(), image);
  }

  picture->kind = header.kind;
  picture->width = header.width;
  picture->height = header.height;
  return DecodeStatus::Ok;
}

}  // namespace

DecodeStatus DecodePcx(ByteSource& source, DecodedPicture* out) {
  *out = DecodedPicture{};
  OwnedBuffer file;
  DecodeStatus status = ReadWholeFile(source, &file);
  if (status != DecodeStatus::Ok) return status;
  DecodedPicture picture;
  status = DecodePcxBytes(file.data(), file.size(), &picture);
  file.Reset();
  if (status == DecodeStatus::Ok) *out = std::move(picture);
  return status;
}

}  // namespace picjoin
