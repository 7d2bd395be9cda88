// The join's arithmetic: the offset text, the joined size and the second
// picture's place, and the header of the exported file image.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "canvas/bmp_file_image.h"
#include "join/join_geometry.h"
#include "join/parse_offset.h"

namespace picjoin {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// GBK double-byte characters used below, spelled as bytes (this file is
// UTF-8; the program sees GBK).
#define FW_0 "\xA3\xB0"      // full-width digit zero
#define FW_1 "\xA3\xB1"
#define FW_2 "\xA3\xB2"
#define FW_3 "\xA3\xB3"
#define FW_5 "\xA3\xB5"
#define FW_9 "\xA3\xB9"
#define FW_PLUS "\xA3\xAB"
#define FW_MINUS "\xA3\xAD"
#define FW_POINT "\xA3\xAE"
#define FW_E "\xA3\xE5"      // full-width small e
#define IDEO_SPACE "\xA1\xA1"
#define HANZI_A "\xB0\xA1"   // an ordinary Chinese character

struct OffsetCase {
  const char* what;
  std::string text;
  int32_t offset;
};

TEST(ParseOffset, ReadsTheTextAsARealTruncatedTowardZero) {
  const OffsetCase cases[] = {
      {"fraction", "12.9", 12},
      {"negative fraction", "-3.7", -3},
      {"empty", "", 0},
      {"letters", "abc", 0},
      {"number then letters", "5abc", 5},
      {"leading blank", " 7", 7},
      {"leading tab, line feed, vertical tab, form feed, return", "\t\n\v\f\r8", 8},
      {"exponent e", "1e2", 100},
      {"exponent d", "1d2", 100},
      {"exponent E", "1E2", 100},
      {"exponent D", "1D2", 100},
      {"signed exponent", "1e+2", 100},
      {"negative exponent", "125e-1", 12},
      {"exponent without digits", "7e", 7},
      {"exponent sign without digits", "7e-", 7},
      {"plus sign", "+9", 9},
      {"small negative", "-0.9", 0},
      {"point first", ".5e1", 5},
      {"negative point first", "-.5e1", -5},
      {"trailing point", "5.", 5},
      {"second point stops", "1.2.3", 1},
      {"sign alone", "-", 0},
      {"sign then blank", "- 3", 0},
      {"point alone", ".", 0},
      {"hexadecimal is not read", "0x10", 0},
      {"infinity is not a number here", "inf", 0},
      {"nan is not a number here", "nan", 0},
      {"many leading zeros", "000000000000000000000000000012", 12},
      {"blank inside stops", "1 2", 1},
      {"full-width digits", FW_1 FW_2, 12},
      {"full-width sign", FW_MINUS FW_5, -5},
      {"full-width plus", FW_PLUS FW_3, 3},
      {"full-width point", FW_3 FW_POINT FW_9, 3},
      {"full-width exponent", FW_1 FW_E FW_2, 100},
      {"full-width zero", FW_0, 0},
      {"ideographic space before the number", IDEO_SPACE "7", 7},
      {"ideographic space before full-width digits", IDEO_SPACE IDEO_SPACE FW_1 FW_2, 12},
      {"mixed widths", "1" FW_2 "3", 123},
      {"a Chinese character first", HANZI_A "5", 0},
      {"a Chinese character after the number", "5" HANZI_A, 5},
      {"a lead byte at the end", "42\xA3", 42},
      {"only a lead byte", "\xA3", 0},
      {"int32 largest", "2147483647", kMax},
      {"int32 smallest", "-2147483648", kMin},
      {"just below the largest", "2147483646.99", 2147483646},
      {"just above the smallest", "-2147483647.99", -2147483647},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseOffset(c.text), c.offset) << c.what << ": \"" << c.text << "\"";
  }
}

TEST(ParseOffset, ValuesBeyondTheInt32RangeSaturate) {
  const OffsetCase cases[] = {
      {"real overflow", "1e400", kMax},
      {"negative real overflow", "-1e400", kMin},
      {"eleven nines", "99999999999", kMax},
      {"minus eleven nines", "-99999999999", kMin},
      {"one above the largest", "2147483648", kMax},
      {"one below the smallest", "-2147483649", kMin},
      {"2^32 does not wrap to 0", "4294967296", kMax},
      {"2^32 + 5 does not wrap to 5", "4294967301", kMax},
      {"a long run of digits", std::string(400, '9'), kMax},
      {"tiny exponent", "1e-400", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseOffset(c.text), c.offset) << c.what << ": \"" << c.text << "\"";
  }
}

struct NormaliseCase {
  const char* what;
  std::string text;
  std::string normalised;
};

TEST(NormaliseFullWidth, MapsFullWidthFormsAndKeepsEverythingElse) {
  const NormaliseCase cases[] = {
      {"ASCII unchanged", "a1-. ", "a1-. "},
      {"full-width digits", FW_1 FW_2, "12"},
      {"full-width sign and point", FW_MINUS FW_3 FW_POINT FW_5, "-3.5"},
      {"first full-width form (!)", "\xA3\xA1", "!"},
      {"last full-width form (overline, A3FE)", "\xA3\xFE", "~"},
      {"A3 with a trail byte below A1 is copied", "\xA3\xA0", "\xA3\xA0"},
      {"ideographic space", IDEO_SPACE, " "},
      {"A1AB is a tilde", "\xA1\xAB", "~"},
      {"A1EE is an asterisk", "\xA1\xEE", "*"},
      {"A1EF is an asterisk", "\xA1\xEF", "*"},
      {"other A1 characters are copied", "\xA1\xA2", "\xA1\xA2"},
      {"Chinese character copied", HANZI_A, HANZI_A},
      {"a lead byte at the end is dropped", "7\xA3", "7"},
      {"a lone lead byte is dropped", "\xB0", ""},
      // The pairing runs from the start: A3 B1 is one character, and the B2
      // after it starts the next one (here cut off).
      {"pairs are taken from the start", FW_1 "\xB2", "1"},
      {"trail byte in ASCII range stays paired", "\xB0" "5", "\xB0" "5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormaliseFullWidth(c.text), c.normalised) << c.what;
  }
}

struct GeometryCase {
  const char* what;
  Arrangement arrangement;
  int32_t w1, h1, w2, h2, offset;
  JoinLayout expected;
};

std::string Describe(const JoinLayout& l) {
  return std::to_string(l.width) + "x" + std::to_string(l.height) + " at (" +
         std::to_string(l.x2) + ", " + std::to_string(l.y2) + ")";
}

TEST(JoinGeometry, SizesTheCanvasAndPlacesTheSecondPicture) {
  constexpr auto H = Arrangement::Horizontal;
  constexpr auto V = Arrangement::Vertical;
  const GeometryCase cases[] = {
      {"side by side", H, 100, 50, 80, 30, 0, {180, 50, 100, 0}},
      {"side by side, moved down past the first", H, 100, 50, 80, 30, 40, {180, 70, 100, 40}},
      {"side by side, bottoms level", H, 100, 50, 80, 30, 20, {180, 50, 100, 20}},
      {"side by side, moved up", H, 100, 50, 80, 30, -10, {180, 50, 100, -10}},
      {"side by side, moved up out of sight", H, 100, 50, 80, 30, -30, {180, 50, 100, -30}},
      {"side by side, far up", H, 100, 50, 80, 30, -1000, {180, 50, 100, -1000}},
      {"side by side, second taller", H, 100, 50, 80, 90, 0, {180, 90, 100, 0}},
      {"side by side, equal heights", H, 100, 50, 80, 50, 0, {180, 50, 100, 0}},
      {"stacked", V, 100, 50, 80, 30, 0, {100, 80, 0, 50}},
      {"stacked, moved right past the first", V, 100, 50, 80, 30, 30, {110, 80, 30, 50}},
      {"stacked, right edges level", V, 100, 50, 80, 30, 20, {100, 80, 20, 50}},
      {"stacked, moved left", V, 100, 50, 80, 30, -10, {100, 80, -10, 50}},
      {"stacked, second wider", V, 100, 50, 120, 30, 0, {120, 80, 0, 50}},
      {"stacked, equal widths", V, 100, 50, 100, 30, 0, {100, 80, 0, 50}},
      {"stacked, same picture twice", V, 7, 5, 7, 5, 0, {7, 10, 0, 5}},
      {"empty pictures", H, 0, 0, 0, 0, 0, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    const JoinLayout got = JoinGeometry(c.arrangement, c.w1, c.h1, c.w2, c.h2, c.offset);
    EXPECT_EQ(Describe(got), Describe(c.expected)) << c.what;
  }
}

TEST(JoinGeometry, SumsBeyondTheInt32RangeSaturate) {
  constexpr auto H = Arrangement::Horizontal;
  constexpr auto V = Arrangement::Vertical;
  const GeometryCase cases[] = {
      {"largest offset down", H, 100, 50, 80, 30, kMax, {180, kMax, 100, kMax}},
      {"smallest offset up", H, 100, 50, 80, 30, kMin, {180, 50, 100, kMin}},
      {"largest offset right", V, 100, 50, 80, 30, kMax, {kMax, 80, kMax, 50}},
      {"smallest offset left", V, 100, 50, 80, 30, kMin, {100, 80, kMin, 50}},
      {"widths that overflow", H, kMax, 1, kMax, 1, 0, {kMax, 1, kMax, 0}},
      {"heights that overflow", V, 1, kMax, 1, kMax, 0, {1, kMax, 0, kMax}},
  };
  for (const auto& c : cases) {
    const JoinLayout got = JoinGeometry(c.arrangement, c.w1, c.h1, c.w2, c.h2, c.offset);
    EXPECT_EQ(Describe(got), Describe(c.expected)) << c.what;
  }
}

struct FileSizeCase {
  uint32_t width, height;
  uint64_t stride;
  size_t fileBytes;
};

TEST(BmpFileImage, RowsArePaddedToFourBytes) {
  const FileSizeCase cases[] = {
      {1, 1, 4, 58},       {2, 1, 8, 62},         {3, 1, 12, 66},    {4, 1, 12, 66},
      {5, 2, 16, 86},      {180, 50, 540, 27054}, {110, 80, 332, 26614},
      {32627, 1, 97884, 97938},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Bmp24Stride(c.width), c.stride) << c.width;
    EXPECT_EQ(Bmp24FileBytes(c.width, c.height), c.fileBytes) << c.width << "x" << c.height;
  }
}

TEST(BmpFileImage, AFileImageBeyond32BitsHasNoSize) {
  // 65536 x 65536 needs 12 GiB: more than the file header's size field holds.
  EXPECT_EQ(Bmp24FileBytes(65536, 65536), 0u);
  EXPECT_EQ(Bmp24FileBytes(0xFFFFFFFFu, 0xFFFFFFFFu), 0u);
  // The largest canvas (about 3 GB) still has a size that the header can
  // state, and that a 32-bit size_t holds.
  EXPECT_EQ(Bmp24FileBytes(32627, 32627), static_cast<size_t>(54 + uint64_t{97884} * 32627));
}

TEST(BmpFileImage, HeaderBytesOfA3x2Image) {
  std::vector<uint8_t> header(54, 0xEE);
  WriteBmp24Header(header.data(), 3, 2);
  // Rows of 3 pixels take 9 bytes plus 3 filler bytes: 24 bytes of pixels.
  const std::vector<uint8_t> expected = {
      'B', 'M', 78, 0, 0, 0,  // file size 54 + 24
      0, 0, 0, 0,             // reserved
      54, 0, 0, 0,            // offset of the rows
      40, 0, 0, 0,            // info header size
      3, 0, 0, 0,             // width
      2, 0, 0, 0,             // height: positive, bottom-up
      1, 0,                   // planes
      24, 0,                  // bits per pixel
      0, 0, 0, 0,             // no compression
      24, 0, 0, 0,            // image size
      0, 0, 0, 0, 0, 0, 0, 0,  // resolutions
      0, 0, 0, 0, 0, 0, 0, 0,  // colours used, important colours
  };
  EXPECT_EQ(header, expected);
}

TEST(BmpFileImage, HeaderOfTheLargestCanvasStatesItsSizeLittleEndian) {
  std::vector<uint8_t> header(54);
  WriteBmp24Header(header.data(), 32627, 32627);
  auto u32 = [&](size_t at) {
    return uint32_t{header[at]} | uint32_t{header[at + 1]} << 8 | uint32_t{header[at + 2]} << 16 |
           uint32_t{header[at + 3]} << 24;
  };
  EXPECT_EQ(u32(2), 54u + 97884u * 32627u);
  EXPECT_EQ(u32(18), 32627u);
  EXPECT_EQ(u32(22), 32627u);
  EXPECT_EQ(u32(34), 97884u * 32627u);
}

}  // namespace
}  // namespace picjoin
