#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "tests/native/gif_pcx_fixtures.h"

namespace picjoin {
namespace {

using fixtures::Bytes;
using fixtures::Concat;
using fixtures::PcxFields;
using fixtures::Rgb;
using fixtures::RleEncode;

DecodeStatus Decode(const Bytes& bytes, DecodedPicture* out) {
  return fixtures::DecodeBytes(DecodePcx, bytes, out);
}

PcxFields Fields8(int16_t width, int16_t height, uint16_t bytesPerLine, uint8_t version = 5) {
  PcxFields f;
  f.version = version;
  f.xMax = static_cast<int16_t>(width - 1);
  f.yMax = static_cast<int16_t>(height - 1);
  f.bytesPerLine = bytesPerLine;
  return f;
}

PcxFields FieldsMono(int16_t width, int16_t height, uint16_t bytesPerLine) {
  PcxFields f = Fields8(width, height, bytesPerLine, 3);
  f.bitsPerPixel = 1;
  return f;
}

// A palette whose every entry is different.
std::vector<Rgb> Rainbow() {
  std::vector<Rgb> colours;
  for (int i = 0; i < 256; ++i) {
    colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
  }
  return colours;
}

// Scan lines of `bytesPerLine` for a width x height 8-bit picture: the
// indices, then filler that must never show.
Bytes Lines8(const Bytes& indices, int width, int height, int bytesPerLine) {
  Bytes lines;
  for (int y = 0; y < height; ++y) {
    const auto row = indices.begin() + y * width;
    lines.insert(lines.end(), row, row + width);
    lines.insert(lines.end(), static_cast<size_t>(bytesPerLine - width), 0xEE);
  }
  return lines;
}

Bytes Indices(int width, int height) {
  Bytes out;
  for (int i = 0; i < width * height; ++i) out.push_back(static_cast<uint8_t>((i * 37 + i / 3) % 256));
  return out;
}

void ExpectEmpty(const DecodedPicture& picture) {
  EXPECT_EQ(picture.kind, PictureKind::Unknown);
  EXPECT_EQ(picture.width, 0);
  EXPECT_EQ(picture.height, 0);
  EXPECT_TRUE(picture.image.empty());
}

TEST(PcxDecoder, EightBitOddWidthWithPalette) {
  const int width = 7;
  const int height = 4;
  const Bytes indices = Indices(width, height);
  for (uint8_t version : {0, 5}) {
    const Bytes pcx = Concat({fixtures::PcxHeader(Fields8(width, height, width + 1, version)),
                              RleEncode(Lines8(indices, width, height, width + 1)),
                              fixtures::PcxPalette(Rainbow())});
    DecodedPicture picture;
    ASSERT_EQ(Decode(pcx, &picture), DecodeStatus::Ok) << "version " << int{version};
    EXPECT_EQ(picture.kind, PictureKind::Pcx8);
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    ASSERT_EQ(picture.image.format, PixelFormat::Indexed8);
    EXPECT_EQ(fixtures::IndicesOf(picture.image), indices) << "version " << int{version};
    for (size_t i = 0; i < 256; ++i) {
      ASSERT_EQ(picture.image.palette[i], fixtures::PaletteValue(Rainbow()[i])) << "entry " << i;
    }
  }
}

TEST(PcxDecoder, PaletteNeedsItsMarkerAndAllItsBytes) {
  const Bytes indices = Indices(4, 2);
  const Bytes header = fixtures::PcxHeader(Fields8(4, 2, 4));
  const Bytes data = RleEncode(indices);
  Bytes shortPalette = fixtures::PcxPalette(Rainbow());
  shortPalette.pop_back();
  Bytes wrongMarker = fixtures::PcxPalette(Rainbow());
  wrongMarker[0] = 10;

  struct PaletteCase {
    const char* name;
    Bytes tail;
  };
  const PaletteCase cases[] = {
      {"nothing after the data", {}},
      {"one byte short", shortPalette},
      {"another marker", wrongMarker},
  };
  for (const PaletteCase& c : cases) {
    DecodedPicture picture;
    ASSERT_EQ(Decode(Concat({header, data, c.tail}), &picture), DecodeStatus::Ok) << c.name;
    EXPECT_EQ(fixtures::IndicesOf(picture.image), indices) << c.name;
    for (uint32_t entry : picture.image.palette) ASSERT_EQ(entry, 0u) << c.name;
  }
}

TEST(PcxDecoder, MonochromeRowsStayAlignedWithSpareLineBytes) {
  // Width 20 needs 3 bytes a line; the file has 4, the last one filler.
  const int height = 3;
  const Bytes rows[height] = {{0xF0, 0x0F, 0xA5}, {0x12, 0x34, 0x5F}, {0xFF, 0x00, 0xC3}};
  Bytes lines;
  for (const Bytes& row : rows) lines.insert(lines.end(), {row[0], row[1], row[2], 0x99});
  const Bytes pcx = Concat({fixtures::PcxHeader(FieldsMono(20, height, 4)), RleEncode(lines)});

  DecodedPicture picture;
  ASSERT_EQ(Decode(pcx, &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.kind, PictureKind::Pcx1);
  EXPECT_EQ(picture.width, 20);
  EXPECT_EQ(picture.height, height);
  ASSERT_EQ(picture.image.format, PixelFormat::Mono1);
  ASSERT_EQ(picture.image.stride, 4u);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = picture.image.Row(y);
    EXPECT_EQ(row[0], rows[y][0]) << "row " << y;
    EXPECT_EQ(row[1], rows[y][1]) << "row " << y;
    // The four bits past the last pixel are cleared, as is the padding.
    EXPECT_EQ(row[2], rows[y][2] & 0xF0) << "row " << y;
    EXPECT_EQ(row[3], 0) << "row " << y;
  }
  // Monochrome rows are top-down in memory.
  EXPECT_EQ(picture.image.pixels.data()[0], 0xF0);
}

TEST(PcxDecoder, RunsCarryOnAcrossScanLines) {
  // One run covers the end of line 0 and the start of line 1; the last run
  // goes on past the last line, and the palette follows it.
  const Bytes runs = {0xC6, 1, 0xC4, 2, 0xC4, 3};
  const Bytes pcx = Concat({fixtures::PcxHeader(Fields8(3, 4, 3)), runs, fixtures::PcxPalette(Rainbow())});

  DecodedPicture picture;
  ASSERT_EQ(Decode(pcx, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), (Bytes{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3}));
  EXPECT_EQ(picture.image.palette[5], fixtures::PaletteValue(Rainbow()[5]));
}

TEST(PcxDecoder, ByteC0StandsForItself) {
  // 0xC0 is a plain byte; 0xC1 repeats once; 0xFF repeats 63 times.
  const Bytes data = {0xC0, 0xC1, 0xC0, 0x05, 0xFF, 0x07};
  const Bytes pcx = Concat({fixtures::PcxHeader(Fields8(66, 1, 66)), data});

  DecodedPicture picture;
  ASSERT_EQ(Decode(pcx, &picture), DecodeStatus::Ok);
  Bytes expected = {0xC0, 0xC0, 0x05};
  expected.insert(expected.end(), 63, 0x07);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), expected);
}

TEST(PcxDecoder, DataEndingEarlyLeavesZeros) {
  struct EarlyCase {
    const char* name;
    PcxFields fields;
    Bytes data;
    Bytes expectedFirstRow;
    Bytes expectedLastRow;
  };
  const EarlyCase cases[] = {
      {"8-bit", Fields8(3, 3, 3), {9, 8, 7, 6}, {9, 8, 7}, {0, 0, 0}},
      {"8-bit, count without its byte", Fields8(3, 3, 3), {9, 0xC5}, {9, 0, 0}, {0, 0, 0}},
      {"mono", FieldsMono(16, 3, 2), {0xAA}, {0xAA, 0}, {0, 0}},
  };
  for (const EarlyCase& c : cases) {
    DecodedPicture picture;
    ASSERT_EQ(Decode(Concat({fixtures::PcxHeader(c.fields), c.data}), &picture), DecodeStatus::Ok) << c.name;
    const PixelImage& image = picture.image;
    const size_t n = c.expectedFirstRow.size();
    EXPECT_EQ(Bytes(image.Row(0), image.Row(0) + n), c.expectedFirstRow) << c.name;
    EXPECT_EQ(Bytes(image.Row(image.height - 1), image.Row(image.height - 1) + n), c.expectedLastRow) << c.name;
  }
}

TEST(PcxDecoder, EightBitWithSeveralPlanesShowsTheFirstPlane) {
  // Three planes of 2 bytes each; only the first plane of each line shows.
  PcxFields fields = Fields8(2, 2, 2);
  fields.planes = 3;
  const Bytes lines = {1, 2, 50, 51, 60, 61, 3, 4, 70, 71, 80, 81};
  const Bytes pcx = Concat({fixtures::PcxHeader(fields), RleEncode(lines), fixtures::PcxPalette(Rainbow())});

  DecodedPicture picture;
  ASSERT_EQ(Decode(pcx, &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.kind, PictureKind::Pcx8);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(picture.image.palette[255], fixtures::PaletteValue(Rainbow()[255]));
}

TEST(PcxDecoder, WindowMayStartAnywhere) {
  PcxFields fields = Fields8(1, 1, 5);
  fields.xMin = -3;
  fields.xMax = 1;
  fields.yMin = 100;
  fields.yMax = 101;
  const Bytes indices = Indices(5, 2);
  DecodedPicture picture;
  ASSERT_EQ(Decode(Concat({fixtures::PcxHeader(fields), RleEncode(indices)}), &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.width, 5);
  EXPECT_EQ(picture.height, 2);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), indices);
}

TEST(PcxDecoder, RefusesHeadersItCannotShow) {
  auto with = [](PcxFields f) { return Concat({fixtures::PcxHeader(f), Bytes{0}}); };
  PcxFields manufacturer = Fields8(4, 4, 4);
  manufacturer.manufacturer = 11;
  PcxFields encoding = Fields8(4, 4, 4);
  encoding.encoding = 0;
  PcxFields emptyWidth = Fields8(4, 4, 4);
  emptyWidth.xMin = 5;
  emptyWidth.xMax = 4;
  PcxFields emptyHeight = Fields8(4, 4, 4);
  emptyHeight.yMin = 1;
  emptyHeight.yMax = -1;
  PcxFields fourBits = Fields8(4, 4, 4);
  fourBits.bitsPerPixel = 4;
  PcxFields monoPlanes = FieldsMono(8, 4, 1);
  monoPlanes.planes = 4;
  PcxFields noPlanes = Fields8(4, 4, 4);
  noPlanes.planes = 0;
  PcxFields tall = Fields8(4, 4, 4);
  tall.yMin = -32768;
  tall.yMax = 32767;
  PcxFields huge = Fields8(4, 4, 40000);  // 40000 x 30000 bytes: over the 1 GiB cap
  huge.xMin = -20000;
  huge.xMax = 19999;
  huge.yMax = 29999;

  // 4000 x 4000 (16 MB) is within the cap, but 40 bytes of data can stand
  // for at most 2520 decoded bytes.
  PcxFields bomb = Fields8(4000, 4000, 4000);
  const Bytes bombFile = Concat({fixtures::PcxHeader(bomb), Bytes(40, 0xFF)});

  struct HeaderCase {
    const char* name;
    Bytes bytes;
    DecodeStatus status;
  };
  const HeaderCase cases[] = {
      {"empty file", {}, DecodeStatus::Truncated},
      {"header alone", fixtures::PcxHeader(Fields8(4, 4, 4)), DecodeStatus::Truncated},
      {"manufacturer 11", with(manufacturer), DecodeStatus::BadHeader},
      {"encoding 0", with(encoding), DecodeStatus::Unsupported},
      {"version 6", with(Fields8(4, 4, 4, 6)), DecodeStatus::Unsupported},
      {"empty window across", with(emptyWidth), DecodeStatus::BadHeader},
      {"empty window down", with(emptyHeight), DecodeStatus::BadHeader},
      {"4 bits per pixel", with(fourBits), DecodeStatus::Unsupported},
      {"1 bit in 4 planes", with(monoPlanes), DecodeStatus::Unsupported},
      {"no planes", with(noPlanes), DecodeStatus::BadHeader},
      {"8-bit line too short", with(Fields8(5, 4, 4)), DecodeStatus::BadHeader},
      {"mono line too short", with(FieldsMono(20, 4, 2)), DecodeStatus::BadHeader},
      {"65536 rows", with(tall), DecodeStatus::TooLarge},
      {"over the pixel cap", with(huge), DecodeStatus::TooLarge},
      {"far more pixels than its data can hold", bombFile, DecodeStatus::TooLarge},
  };
  for (const HeaderCase& c : cases) {
    DecodedPicture picture;
    picture.kind = PictureKind::Bmp;  // must be cleared on failure
    EXPECT_EQ(Decode(c.bytes, &picture), c.status) << c.name;
    ExpectEmpty(picture);
  }
}

void ExpectConsistent(DecodeStatus status, const DecodedPicture& picture) {
  if (status == DecodeStatus::Ok) {
    EXPECT_TRUE(picture.kind == PictureKind::Pcx8 || picture.kind == PictureKind::Pcx1);
    EXPECT_FALSE(picture.image.empty());
  } else {
    ExpectEmpty(picture);
  }
}

TEST(PcxDecoder, EveryPrefixDecodesOrFailsCleanly) {
  const Bytes eightBit = Concat({fixtures::PcxHeader(Fields8(9, 6, 10)), RleEncode(Lines8(Indices(9, 6), 9, 6, 10)),
                                 fixtures::PcxPalette(Rainbow())});
  const Bytes mono = Concat({fixtures::PcxHeader(FieldsMono(20, 5, 4)), RleEncode(Indices(4, 5))});
  for (const Bytes* pcx : {&eightBit, &mono}) {
    for (size_t n = 0; n <= pcx->size(); ++n) {
      const Bytes prefix(pcx->begin(), pcx->begin() + static_cast<std::ptrdiff_t>(n));
      DecodedPicture picture;
      const DecodeStatus status = Decode(prefix, &picture);
      ExpectConsistent(status, picture);
      // Past the header every cut still gives a picture.
      EXPECT_EQ(status == DecodeStatus::Ok, n > 128) << "prefix " << n;
    }
  }
}

TEST(PcxDecoder, SharedSamplePictures) {
  if (!fixtures::CorpusPresent()) GTEST_SKIP() << "no sample pictures at " << PICJOIN_CORPUS_DIR;

  struct KnownFile {
    const char* name;
    DecodeStatus status;
    PictureKind kind;
    int32_t width, height;
  };
  // Sizes as ImageMagick's identify reports them.
  const KnownFile known[] = {
      // 88 pixels of 8 bits, yet only 12 bytes a line.
      {"01r_00.pcx", DecodeStatus::BadHeader, PictureKind::Unknown, 0, 0},
      {"odd_stride.pcx", DecodeStatus::Ok, PictureKind::Pcx8, 371, 150},
      {"pil184.pcx", DecodeStatus::Ok, PictureKind::Pcx1, 447, 144},
      {"p_4_planes.pcx", DecodeStatus::Unsupported, PictureKind::Unknown, 0, 0},
  };

  int checked = 0;
  fixtures::SampleCounts counts;
  const auto check = [&](const std::filesystem::path& path, DecodeStatus status,
                         const DecodedPicture& picture) {
    ExpectConsistent(status, picture);
    for (const KnownFile& k : known) {
      if (path.filename() != k.name) continue;
      ++checked;
      EXPECT_EQ(status, k.status) << k.name;
      EXPECT_EQ(picture.kind, k.kind) << k.name;
      EXPECT_EQ(picture.width, k.width) << k.name;
      EXPECT_EQ(picture.height, k.height) << k.name;
    }
  };
  fixtures::DecodeEverySample(".pcx", Decode, check, &counts);
  std::printf("PCX samples: %d decoded, %d refused, %d checked against known sizes\n", counts.decoded,
              counts.refused, checked);
  EXPECT_GT(counts.decoded, 0);
}

}  // namespace
}  // namespace picjoin
