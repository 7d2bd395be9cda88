// Builders for the small GIF and PCX files the decoder tests feed in, and
// helpers to read the shared sample pictures.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "picture/byte_source.h"
#include "picture/decoded_picture.h"

namespace picjoin {
namespace fixtures {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

// The palette value the decoders store for a colour (0x00RRGGBB).
inline uint32_t PaletteValue(Rgb c) {
  return (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.g) << 8) | c.b;
}

inline void PutU16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// Runs a decoder over bytes in memory.
template <typename Decoder>
DecodeStatus DecodeBytes(Decoder decoder, const Bytes& bytes, DecodedPicture* out) {
  MemorySource source(bytes.data(), bytes.size());
  return decoder(source, out);
}

// Palette indices of a decoded Indexed8 picture, rows top-down, no padding.
inline Bytes IndicesOf(const PixelImage& image) {
  Bytes out;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = image.Row(y);
    out.insert(out.end(), row, row + image.width);
  }
  return out;
}

// Colours of a decoded Indexed8 picture, rows top-down.
inline std::vector<uint32_t> ColoursOf(const PixelImage& image) {
  std::vector<uint32_t> out;
  for (uint8_t index : IndicesOf(image)) out.push_back(image.palette[index]);
  return out;
}

// ---------------------------------------------------------------------------
// GIF

constexpr uint32_t kLzwTableSize = 4096;

// Packs LZW codes least significant bit first, each with the width a decoder
// reads it at: min code size + 1 after a clear code, one bit more each time
// the decoder's next free code reaches a power of two, at most 12 bits.
inline Bytes PackCodes(const std::vector<uint16_t>& codes, int minCodeSize) {
  const uint32_t clear = 1u << minCodeSize;
  uint32_t next = clear + 2;
  int bits = minCodeSize + 1;
  bool afterClear = true;
  Bytes out;
  uint32_t pending = 0;
  int pendingBits = 0;
  for (uint16_t code : codes) {
    pending |= static_cast<uint32_t>(code) << pendingBits;
    pendingBits += bits;
    while (pendingBits >= 8) {
      out.push_back(static_cast<uint8_t>(pending & 0xFF));
      pending >>= 8;
      pendingBits -= 8;
    }
    if (code == clear) {
      next = clear + 2;
      bits = minCodeSize + 1;
      afterClear = true;
      continue;
    }
    if (code == clear + 1) continue;
    // The decoder defines a code for every data code but the first after a clear.
    if (!afterClear && next < kLzwTableSize) {
      ++next;
      if (next == (1u << bits) && bits < 12) ++bits;
    }
    afterClear = false;
  }
  if (pendingBits > 0) out.push_back(static_cast<uint8_t>(pending & 0xFF));
  return out;
}

// Clear, one literal code for each index, and (when `withEnd`) the end code:
// a stream whose progress is easy to predict.
inline std::vector<uint16_t> LiteralCodes(const Bytes& indices, int minCodeSize, bool withEnd = true) {
  const uint16_t clear = static_cast<uint16_t>(1u << minCodeSize);
  std::vector<uint16_t> codes{clear};
  codes.insert(codes.end(), indices.begin(), indices.end());
  if (withEnd) codes.push_back(static_cast<uint16_t>(clear + 1));
  return codes;
}

struct LzwStream {
  std::vector<uint16_t> codes;
  uint32_t highestCode = 0;     // highest code the compressor defined
  size_t codesWhileFull = 0;    // codes sent while all 4096 were defined
};

// A plain greedy LZW compressor. When all 4096 codes are defined it either
// sends a clear code and starts over, or (`clearWhenFull` false) goes on with
// the table as it is, which decoders must accept.
inline LzwStream LzwCompress(const Bytes& indices, int minCodeSize, bool clearWhenFull = true) {
  const uint32_t clear = 1u << minCodeSize;
  LzwStream out;
  out.codes.push_back(static_cast<uint16_t>(clear));
  std::map<std::pair<uint32_t, uint8_t>, uint32_t> table;
  uint32_t next = clear + 2;
  if (!indices.empty()) {
    uint32_t current = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
      const uint8_t c = indices[i];
      const auto found = table.find({current, c});
      if (found != table.end()) {
        current = found->second;
        continue;
      }
      out.codes.push_back(static_cast<uint16_t>(current));
      if (next < kLzwTableSize) {
        out.highestCode = std::max(out.highestCode, next);
        table[{current, c}] = next++;
      } else if (clearWhenFull) {
        out.codes.push_back(static_cast<uint16_t>(clear));
        table.clear();
        next = clear + 2;
      } else {
        ++out.codesWhileFull;
      }
      current = c;
    }
    out.codes.push_back(static_cast<uint16_t>(current));
  }
  out.codes.push_back(static_cast<uint16_t>(clear + 1));
  return out;
}

// Data cut into sub-blocks of up to 255 bytes, with the 0 terminator.
inline Bytes SubBlocks(const Bytes& data) {
  Bytes out;
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
  return out;
}

// Rows in the order an interlaced GIF sends them.
inline std::vector<int> InterlacedRowOrder(int height) {
  std::vector<int> rows;
  const int passes[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
  for (const auto& pass : passes) {
    for (int y = pass[0]; y < height; y += pass[1]) rows.push_back(y);
  }
  return rows;
}

// The table-size bits of a flags byte for a table of `entries` (a power of
// two from 2 to 256).
inline uint8_t TableSizeBits(size_t entries) {
  uint8_t bits = 0;
  while ((size_t{2} << bits) < entries) ++bits;
  return bits;
}

inline void PutTable(Bytes& out, const std::vector<Rgb>& table) {
  for (const Rgb& c : table) {
    out.push_back(c.r);
    out.push_back(c.g);
    out.push_back(c.b);
  }
  // Fill up to the size the flags can announce.
  for (size_t n = table.size(); n < (size_t{2} << TableSizeBits(table.size())); ++n) {
    out.insert(out.end(), {0, 0, 0});
  }
}

struct GifFrame {
  uint16_t width = 0;
  uint16_t height = 0;
  Bytes indices;  // width x height, rows top-down
  bool interlaced = false;
  std::vector<Rgb> localTable;  // none when empty
  int minCodeSize = 8;
  uint16_t left = 0;
  uint16_t top = 0;
};

// Assembles a GIF block by block.
class GifBuilder {
 public:
  GifBuilder(uint16_t width, uint16_t height, const std::vector<Rgb>& globalTable = {},
             const char* signature = "GIF89a") {
    bytes_.assign(signature, signature + 6);
    PutU16(bytes_, width);
    PutU16(bytes_, height);
    const uint8_t flags =
        globalTable.empty() ? 0 : static_cast<uint8_t>(0x80 | 0x70 | TableSizeBits(globalTable.size()));
    bytes_.push_back(flags);
    bytes_.push_back(0);  // background
    bytes_.push_back(0);  // pixel ratio
    if (!globalTable.empty()) PutTable(bytes_, globalTable);
  }

  GifBuilder& Extension(uint8_t label, const Bytes& payload) {
    bytes_.push_back(0x21);
    bytes_.push_back(label);
    const Bytes blocks = SubBlocks(payload);
    bytes_.insert(bytes_.end(), blocks.begin(), blocks.end());
    return *this;
  }

  GifBuilder& GraphicControl(uint8_t transparentIndex) {
    return Extension(0xF9, {0x01, 10, 0, transparentIndex});
  }

  // A frame compressed by the LZW compressor.
  GifBuilder& Frame(const GifFrame& frame) {
    Bytes sent;
    if (frame.interlaced) {
      for (int y : InterlacedRowOrder(frame.height)) {
        const auto row = frame.indices.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
        sent.insert(sent.end(), row, row + frame.width);
      }
    } else {
      sent = frame.indices;
    }
    return FrameWithCodes(frame, LzwCompress(sent, frame.minCodeSize).codes);
  }

  // A frame whose data is exactly these codes.
  GifBuilder& FrameWithCodes(const GifFrame& frame, const std::vector<uint16_t>& codes) {
    return FrameWithData(frame, SubBlocks(PackCodes(codes, frame.minCodeSize)));
  }

  // A frame descriptor followed by the given bytes after the min code size.
  GifBuilder& FrameWithData(const GifFrame& frame, const Bytes& data) {
    bytes_.push_back(0x2C);
    PutU16(bytes_, frame.left);
    PutU16(bytes_, frame.top);
    PutU16(bytes_, frame.width);
    PutU16(bytes_, frame.height);
    uint8_t flags = frame.interlaced ? 0x40 : 0;
    if (!frame.localTable.empty()) flags |= static_cast<uint8_t>(0x80 | TableSizeBits(frame.localTable.size()));
    bytes_.push_back(flags);
    if (!frame.localTable.empty()) PutTable(bytes_, frame.localTable);
    bytes_.push_back(static_cast<uint8_t>(frame.minCodeSize));
    if (firstDataOffset_ == 0) firstDataOffset_ = bytes_.size();
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }

  GifBuilder& Raw(const Bytes& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }

  // Offset of the first image's data, just past its min code size byte.
  size_t firstDataOffset() const { return firstDataOffset_; }

  // The file so far, without a trailer.
  const Bytes& bytes() const { return bytes_; }

  // The file with its trailer.
  Bytes Finish() const {
    Bytes out = bytes_;
    out.push_back(0x3B);
    return out;
  }

 private:
  Bytes bytes_;
  size_t firstDataOffset_ = 0;
};

// ---------------------------------------------------------------------------
// PCX

struct PcxFields {
  uint8_t manufacturer = 10;
  uint8_t version = 5;
  uint8_t encoding = 1;
  uint8_t bitsPerPixel = 8;
  int16_t xMin = 0;
  int16_t yMin = 0;
  int16_t xMax = 0;
  int16_t yMax = 0;
  uint8_t planes = 1;
  uint16_t bytesPerLine = 0;
};

inline Bytes PcxHeader(const PcxFields& f) {
  Bytes out(128, 0);
  out[0] = f.manufacturer;
  out[1] = f.version;
  out[2] = f.encoding;
  out[3] = f.bitsPerPixel;
  const int16_t window[4] = {f.xMin, f.yMin, f.xMax, f.yMax};
  for (int i = 0; i < 4; ++i) {
    out[4 + 2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(window[i]) & 0xFF);
    out[5 + 2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(window[i]) >> 8);
  }
  out[65] = f.planes;
  out[66] = static_cast<uint8_t>(f.bytesPerLine & 0xFF);
  out[67] = static_cast<uint8_t>(f.bytesPerLine >> 8);
  return out;
}

// PCX run-length coding of a decoded stream: runs of up to 63 as a count
// byte (0xC0 + n) and the value; a single byte up to 0xC0 stands for itself.
// Runs go on across whatever line boundaries the stream holds.
inline Bytes RleEncode(const Bytes& decoded) {
  Bytes out;
  for (size_t i = 0; i < decoded.size();) {
    const uint8_t v = decoded[i];
    size_t n = 1;
    while (i + n < decoded.size() && decoded[i + n] == v && n < 63) ++n;
    if (n == 1 && v <= 0xC0) {
      out.push_back(v);
    } else {
      out.push_back(static_cast<uint8_t>(0xC0 + n));
      out.push_back(v);
    }
    i += n;
  }
  return out;
}

// The 256-colour palette block: marker 12 and 768 bytes.
inline Bytes PcxPalette(const std::vector<Rgb>& colours) {
  Bytes out{12};
  for (size_t i = 0; i < 256; ++i) {
    const Rgb c = i < colours.size() ? colours[i] : Rgb{};
    out.insert(out.end(), {c.r, c.g, c.b});
  }
  return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// ---------------------------------------------------------------------------
// Shared sample pictures

inline bool ReadFileBytes(const std::filesystem::path& path, Bytes* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Every file under `dir` (recursively) whose name ends in `extension`
// (".gif"), in any letter case; sorted, so that output is stable.
inline std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& dir,
                                                             const std::string& extension) {
  std::vector<std::filesystem::path> out;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(dir, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    std::string ext = it->path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == extension) out.push_back(it->path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline bool CorpusPresent() {
  std::error_code error;
  return std::filesystem::is_directory(PICJOIN_CORPUS_DIR, error);
}

struct SampleCounts {
  int decoded = 0;
  int refused = 0;
};

// Decodes every sample file whose name ends in `extension` with `decode`,
// hands each outcome to check(path, status, picture) and counts them. A
// file that cannot be read stops the walk with a failure.
template <typename Check>
void DecodeEverySample(const std::string& extension, DecodeStatus (*decode)(const Bytes&, DecodedPicture*),
                       Check check, SampleCounts* counts) {
  for (const auto& path : FilesWithExtension(PICJOIN_CORPUS_DIR, extension)) {
    Bytes bytes;
    ASSERT_TRUE(ReadFileBytes(path, &bytes)) << path;
    DecodedPicture picture;
    const DecodeStatus status = decode(bytes, &picture);
    (status == DecodeStatus::Ok ? counts->decoded : counts->refused)++;
    check(path, status, picture);
  }
}

}  // namespace fixtures
}  // namespace picjoin
