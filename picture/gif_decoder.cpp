// GIF: the first image of the file as palette indices, inside the logical
// screen the header declares. Later images, transparency, disposal and timing
// are of no use to a still, opaque picture and are ignored.
//
// The whole file is read into memory first; every read below goes through a
// ByteCursor over that block, so a damaged file can at worst end the walk.
#include <array>
#include <cstring>
#include <utility>

#include "base/byte_cursor.h"
#include "base/checked_math.h"
#include "picture/decode_helpers.h"
#include "picture/decoded_picture.h"

namespace picjoin {

namespace {

constexpr size_t kHeaderBytes = 13;         // signature and logical screen
constexpr size_t kDescriptorBytes = 9;      // image descriptor after its 0x2C
constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;

constexpr int kMaxCodeBits = 12;
constexpr size_t kCodeTableSize = size_t{1} << kMaxCodeBits;  // 4096 codes
// Above 11 the clear and end codes would not even fit the 12-bit code space.
constexpr int kMaxMinCodeSize = kMaxCodeBits - 1;

constexpr uint32_t kWhite = 0x00FFFFFF;

// A colour table in the file: `entries` triples of red, green, blue.
struct ColourTable {
  const uint8_t* rgb = nullptr;
  size_t entries = 0;
};

// Entries of a table announced in a flags byte: 2^(size bits + 1).
size_t TableEntries(uint8_t flags) { return size_t{2} << (flags & 7); }

uint32_t PaletteEntry(const uint8_t* rgb) {
  return (static_cast<uint32_t>(rgb[0]) << 16) | (static_cast<uint32_t>(rgb[1]) << 8) | rgb[2];
}

// ---------------------------------------------------------------------------
// File structure

struct ScreenInfo {
  uint16_t width = 0;
  uint16_t height = 0;
  ColourTable global;
};

// Signature, logical screen and global colour table. Leaves the cursor on the
// first block after them.
DecodeStatus ReadScreen(ByteCursor& cursor, ScreenInfo* screen) {
  if (cursor.size() <= kHeaderBytes) return DecodeStatus::BadHeader;
  const uint8_t* signature = cursor.Take(6);
  if (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0) {
    return DecodeStatus::BadHeader;
  }
  screen->width = cursor.U16le();
  screen->height = cursor.U16le();
  const uint8_t flags = cursor.U8();
  cursor.Skip(2);  // background colour index and pixel ratio
  if (!cursor.ok()) return DecodeStatus::BadHeader;
  if (screen->width == 0 || screen->height == 0) return DecodeStatus::BadHeader;
  // The picture is drawn as a bitmap of the screen's size: the same cap as
  // any decoded picture, so a tiny file cannot claim a gigantic screen.
  if (uint64_t{3} * screen->width * screen->height > kMaxPictureBytes) return DecodeStatus::TooLarge;

  if (flags & 0x80) {
    const size_t entries = TableEntries(flags);
    // At least one block has to follow the table.
    if (entries * 3 >= cursor.remaining()) return DecodeStatus::Truncated;
    screen->global.rgb = cursor.Take(entries * 3);
    screen->global.entries = entries;
  }
  return DecodeStatus::Ok;
}

// Skips data sub-blocks up to and including their 0 terminator.
bool SkipSubBlocks(ByteCursor& cursor) {
  for (;;) {
    const uint8_t length = cursor.U8();
    if (!cursor.ok()) return false;
    if (length == 0) return true;
    cursor.Skip(length);
  }
}

bool IsKnownExtension(uint8_t label) {
  return label == 0x01      // plain text
         || label == 0xF9   // graphic control
         || label == 0xFE   // comment
         || label == 0xFF;  // application
}

// Walks the blocks before the first image and leaves the cursor just past its
// 0x2C separator. A file that ends, or shows its trailer, before any image
// has nothing to show.
DecodeStatus FindFirstImage(ByteCursor& cursor) {
  for (;;) {
    const uint8_t introducer = cursor.U8();
    if (!cursor.ok()) return DecodeStatus::Truncated;
    if (introducer == kImageSeparator) return DecodeStatus::Ok;
    if (introducer != kExtensionIntroducer) return DecodeStatus::Corrupt;
    const uint8_t label = cursor.U8();
    if (!cursor.ok()) return DecodeStatus::Truncated;
    if (!IsKnownExtension(label)) return DecodeStatus::Corrupt;
    if (!SkipSubBlocks(cursor)) return DecodeStatus::Truncated;
  }
}

struct ImageInfo {
  uint16_t width = 0;
  uint16_t height = 0;
  bool interlaced = false;
  ColourTable colours;  // the local table, else the global one
  int minCodeSize = 0;
};

// The image descriptor, its local table and the LZW minimum code size.
DecodeStatus ReadImageHeader(ByteCursor& cursor, const ColourTable& global, ImageInfo* image) {
  cursor.Skip(4);  // left and top: the image is always drawn at the corner
  image->width = cursor.U16le();
  image->height = cursor.U16le();
  const uint8_t flags = cursor.U8();
  if (!cursor.ok()) return DecodeStatus::Truncated;
  if (image->width == 0 || image->height == 0) return DecodeStatus::BadHeader;
  image->interlaced = (flags & 0x40) != 0;

  image->colours = global;
  if (flags & 0x80) {
    const size_t entries = TableEntries(flags);
    image->colours.rgb = cursor.Take(entries * 3);
    image->colours.entries = entries;
    if (!cursor.ok()) return DecodeStatus::Truncated;
  }

  image->minCodeSize = cursor.U8();
  if (!cursor.ok()) return DecodeStatus::Truncated;
  if (image->minCodeSize < 1 || image->minCodeSize > kMaxMinCodeSize) return DecodeStatus::Corrupt;
  return DecodeStatus::Ok;
}

// ---------------------------------------------------------------------------
// Pixel placement

// Puts palette indices into the image in the order the file sends them: row
// by row from the top, or in the four interlace passes. Indices arriving
// after the last row are dropped.
class RowPlacer {
 public:
  RowPlacer(PixelImage& image, bool interlaced) : image_(image) {
    passes_ = interlaced ? kInterlacedPasses : kProgressivePass;
    passCount_ = interlaced ? 4 : 1;
    y_ = 0;
    row_ = image_.Row(0);
  }

  bool done() const { return done_; }
  bool Used(uint8_t index) const { return used_[index]; }

  void Put(uint8_t index) {
    if (done_) return;
    used_[index] = true;
    row_[x_] = index;
    if (++x_ == image_.width) NextRow();
  }

  // Paints every position not yet reached with `index`.
  void FillRest(uint8_t index) {
    while (!done_) {
      std::memset(row_ + x_, index, static_cast<size_t>(image_.width - x_));
      NextRow();
    }
  }

 private:
  struct Pass {
    int32_t start;
    int32_t step;
  };
  static constexpr Pass kProgressivePass[1] = {{0, 1}};
  static constexpr Pass kInterlacedPasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

  void NextRow() {
    x_ = 0;
    y_ += passes_[pass_].step;
    // A short image has empty passes (a 3-row image has nothing in pass 2).
    while (y_ >= image_.height) {
      if (++pass_ == passCount_) {
        done_ = true;
        return;
      }
      y_ = passes_[pass_].start;
    }
    row_ = image_.Row(y_);
  }

  PixelImage& image_;
  const Pass* passes_;
  int passCount_;
  int pass_ = 0;
  int32_t y_ = 0;
  int32_t x_ = 0;
  uint8_t* row_ = nullptr;
  bool done_ = false;
  std::array<bool, 256> used_{};
};

// ---------------------------------------------------------------------------
// LZW data

// The bytes of the image's data sub-blocks as one stream. It ends at the 0
// terminator or wherever the file does, whichever comes first.
class SubBlockStream {
 public:
  explicit SubBlockStream(ByteCursor& cursor) : cursor_(cursor) {}

  bool Next(uint8_t* byte) {
    while (left_ == 0) {
      if (ended_ || cursor_.AtEnd()) return End();
      left_ = cursor_.U8();
      if (left_ == 0) return End();
    }
    if (cursor_.AtEnd()) return End();
    --left_;
    *byte = cursor_.U8();
    return true;
  }

 private:
  bool End() {
    ended_ = true;
    return false;
  }

  ByteCursor& cursor_;
  uint8_t left_ = 0;
  bool ended_ = false;
};

// Codes packed least significant bit first.
class CodeReader {
 public:
  explicit CodeReader(SubBlockStream& bytes) : bytes_(bytes) {}

  // False when the data ends before a whole code.
  bool Read(int bits, uint16_t* code) {
    while (count_ < bits) {
      uint8_t byte = 0;
      if (!bytes_.Next(&byte)) return false;
      bits_ |= static_cast<uint32_t>(byte) << count_;
      count_ += 8;
    }
    *code = static_cast<uint16_t>(bits_ & ((1u << bits) - 1));
    bits_ >>= bits;
    count_ -= bits;
    return true;
  }

 private:
  SubBlockStream& bytes_;
  uint32_t bits_ = 0;  // never more than 19 bits pending
  int count_ = 0;
};

// The string table of the decompressor. A code's string is kept as the code
// of its prefix plus one last byte; strings are written out through a fixed
// stack, never by recursion. Once all 4096 codes are defined the table stays
// as it is until the next clear code (encoders may defer the clear).
class LzwTable {
 public:
  explicit LzwTable(int minCodeSize)
      : clear_(static_cast<uint16_t>(1u << minCodeSize)),
        end_(static_cast<uint16_t>(clear_ + 1)),
        minCodeSize_(minCodeSize) {
    for (uint16_t code = 0; code < clear_; ++code) {
      prefix_[code] = 0;
      suffix_[code] = static_cast<uint8_t>(code);
      first_[code] = static_cast<uint8_t>(code);
      length_[code] = 1;
    }
    Reset();
  }

  uint16_t clear() const { return clear_; }
  uint16_t end() const { return end_; }
  int codeBits() const { return codeBits_; }

  void Reset() {
    next_ = static_cast<uint16_t>(clear_ + 2);
    codeBits_ = minCodeSize_ + 1;
    previous_ = kNoCode;
  }

  // Handles one data code (not clear, not end): extends the table and sends
  // the code's string to `placer`. Fails on codes that are not yet defined.
  bool Take(uint16_t code, RowPlacer& placer) {
    const bool hasPrevious = previous_ != kNoCode;
    if (code > next_ || (code == next_ && !hasPrevious)) return false;
    // Literals above 255 exist only with code sizes over 8 and cannot be
    // palette indices.
    if (code < clear_ && code > 255) return false;
    // Note that code == next_ is possible only while the table has room.
    if (hasPrevious && next_ < kCodeTableSize) {
      // The new string is the previous one plus the first byte of this
      // code's string; when this code is the one being defined, its first
      // byte is the previous string's first byte.
      const uint8_t last = (code == next_) ? first_[previous_] : first_[code];
      Define(previous_, last);
    }
    Emit(code, placer);
    previous_ = code;
    return true;
  }

 private:
  static constexpr uint16_t kNoCode = 0xFFFF;

  void Define(uint16_t prefix, uint8_t last) {
    prefix_[next_] = prefix;
    suffix_[next_] = last;
    first_[next_] = first_[prefix];
    length_[next_] = static_cast<uint16_t>(length_[prefix] + 1);
    ++next_;
    if (next_ == (1u << codeBits_) && codeBits_ < kMaxCodeBits) ++codeBits_;
  }

  void Emit(uint16_t code, RowPlacer& placer) {
    // A string is at most one byte longer than its prefix and the first
    // defined code is clear + 2, so no string is longer than the table.
    const size_t length = length_[code];
    size_t i = length;
    for (uint16_t c = code; i > 0; c = prefix_[c]) stack_[--i] = suffix_[c];
    for (i = 0; i < length; ++i) placer.Put(stack_[i]);
  }

  const uint16_t clear_;
  const uint16_t end_;
  const int minCodeSize_;
  uint16_t next_ = 0;
  int codeBits_ = 0;
  uint16_t previous_ = kNoCode;
  uint16_t prefix_[kCodeTableSize];
  uint8_t suffix_[kCodeTableSize];
  uint8_t first_[kCodeTableSize];
  uint16_t length_[kCodeTableSize];
  uint8_t stack_[kCodeTableSize];
};

// Decompresses the image data into `placer`. Data that stops early, without
// an end code, is not an error: what it did not reach is painted later.
DecodeStatus DecompressImage(ByteCursor& cursor, int minCodeSize, RowPlacer& placer) {
  SubBlockStream bytes(cursor);
  CodeReader codes(bytes);
  LzwTable table(minCodeSize);
  while (!placer.done()) {
    uint16_t code = 0;
    if (!codes.Read(table.codeBits(), &code)) break;
    if (code == table.end()) break;
    if (code == table.clear()) {
      table.Reset();
      continue;
    }
    if (!table.Take(code, placer)) return DecodeStatus::Corrupt;
  }
  return DecodeStatus::Ok;
}

// ---------------------------------------------------------------------------
// Palette

void FillPalette(const ColourTable& table, std::array<uint32_t, 256>* palette) {
  palette->fill(0);  // colours the file does not give are black
  const size_t entries = table.entries < 256 ? table.entries : 256;
  for (size_t i = 0; i < entries; ++i) (*palette)[i] = PaletteEntry(table.rgb + 3 * i);
}

uint32_t DistanceToWhite(uint32_t colour) {
  const uint32_t r = 255 - ((colour >> 16) & 0xFF);
  const uint32_t g = 255 - ((colour >> 8) & 0xFF);
  const uint32_t b = 255 - (colour & 0xFF);
  return r * r + g * g + b * b;
}

// The index to paint where the code stream never reached, which must show
// white. Index values are file data, so white needs a palette slot of its
// own: the first slot past the file's table that no decoded pixel uses gets
// white. When there is no such slot (a full 256-entry table, or every spare
// slot in use) the palette cannot be changed without changing decoded
// pixels, so the entry nearest to white is taken instead (an exact white when
// there is one; by squared distance in RGB; the lowest index on a tie).
uint8_t ChooseWhiteIndex(size_t tableEntries, const RowPlacer& placer,
                         std::array<uint32_t, 256>* palette) {
  for (size_t i = tableEntries; i < 256; ++i) {
    const auto index = static_cast<uint8_t>(i);
    if (!placer.Used(index)) {
      (*palette)[i] = kWhite;
      return index;
    }
  }
  size_t best = 0;
  for (size_t i = 1; i < 256; ++i) {
    if (DistanceToWhite((*palette)[i]) < DistanceToWhite((*palette)[best])) best = i;
  }
  return static_cast<uint8_t>(best);
}

// ---------------------------------------------------------------------------

DecodeStatus DecodeGifBytes(const uint8_t* data, size_t size, DecodedPicture* picture) {
  ByteCursor cursor(data, size);
  ScreenInfo screen;
  DecodeStatus status = ReadScreen(cursor, &screen);
  if (status != DecodeStatus::Ok) return status;
  status = FindFirstImage(cursor);
  if (status != DecodeStatus::Ok) return status;
  ImageInfo info;
  status = ReadImageHeader(cursor, screen.global, &info);
  if (status != DecodeStatus::Ok) return status;

  // Every code takes at least minCodeSize + 1 bits and stands for at most
  // 4096 pixels: an image larger than what the rest of the file can encode
  // is refused before it is allocated, so a file of a few bytes cannot claim
  // hundreds of megabytes.
  const uint64_t codes = uint64_t{cursor.remaining()} * 8 / (static_cast<uint64_t>(info.minCodeSize + 1));
  if (uint64_t{info.width} * uint64_t{info.height} > codes * kCodeTableSize) return DecodeStatus::TooLarge;

  PixelImage& image = picture->image;
  status = AllocateZeroedImage(&image, PixelFormat::Indexed8, info.width, info.height);
  if (status != DecodeStatus::Ok) return status;
  FillPalette(info.colours, &image.palette);

  RowPlacer placer(image, info.interlaced);
  status = DecompressImage(cursor, info.minCodeSize, placer);
  if (status != DecodeStatus::Ok) return status;
  if (!placer.done()) {
    placer.FillRest(ChooseWhiteIndex(info.colours.entries, placer, &image.palette));
  }

  picture->kind = PictureKind::Gif;
  picture->width = screen.width;
  picture->height = screen.height;
  return DecodeStatus::Ok;
}

}  // namespace

DecodeStatus DecodeGif(ByteSource& source, DecodedPicture* out) {
  *out = DecodedPicture{};
  OwnedBuffer file;
  DecodeStatus status = ReadWholeFile(source, &file);
  if (status != DecodeStatus::Ok) return status;
  DecodedPicture picture;
  status = DecodeGifBytes(file.data(), file.size(), &picture);
  file.Reset();
  if (status == DecodeStatus::Ok) *out = std::move(picture);
  return status;
}

}  // namespace picjoin
