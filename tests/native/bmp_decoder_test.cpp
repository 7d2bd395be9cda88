#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "fixture_builders.h"
#include "picture/decoded_picture.h"

namespace picjoin {
namespace {

using fixtures::BmpFields;
using fixtures::BuildBmp;
using fixtures::Bytes;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                   kBlack = 0x000000;

// Counts what the decoder asks of the file, to show a refusal came early.
class CountingSource : public MemorySource {
 public:
  using MemorySource::MemorySource;
  size_t Read(void* dst, size_t count) override {
    bytesRead += count;
    return MemorySource::Read(dst, count);
  }
  size_t bytesRead = 0;
};

DecodeStatus Decode(const Bytes& file, DecodedPicture* out) {
  MemorySource source(file.data(), file.size());
  return DecodeBmp(source, out);
}

// 0xRRGGBB of the pixel at x, y (y from the top).
uint32_t PixelAt(const PixelImage& image, int32_t x, int32_t y) {
  const uint8_t* p = image.Row(y) + 3 * x;
  return (static_cast<uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
}

// All pixels, top row first.
std::vector<uint32_t> AllPixels(const PixelImage& image) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) pixels.push_back(PixelAt(image, x, y));
  return pixels;
}

Bytes Bgr(uint32_t rgb) {
  return {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb >> 16)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// 2 x 2, 24 bits: top row red, green; bottom row blue, white. Rows of 6
// bytes plus 2 of padding, stored bottom-up.
BmpFields TwoByTwo24() {
  BmpFields f;
  f.width = 2;
  f.height = 2;
  f.rows = {Concat({Bgr(kBlue), Bgr(kWhite)}), Concat({Bgr(kRed), Bgr(kGreen)})};
  return f;
}

TEST(DecodeBmp, TwoByTwo24BitHasExactColours) {
  const Bytes file = BuildBmp(TwoByTwo24());
  ASSERT_EQ(file.size(), 54u + 2 * 8);
  DecodedPicture picture;
  ASSERT_EQ(Decode(file, &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.kind, PictureKind::Bmp);
  EXPECT_EQ(picture.width, 2);
  EXPECT_EQ(picture.height, 2);
  EXPECT_EQ(picture.image.format, PixelFormat::Bgr24);
  EXPECT_EQ(picture.image.stride, 8u);
  EXPECT_EQ(AllPixels(picture.image), (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
}

TEST(DecodeBmp, NegativeHeightGivesTheSamePictureTopDown) {
  BmpFields topDown = TwoByTwo24();
  topDown.height = -2;
  std::swap(topDown.rows[0], topDown.rows[1]);
  DecodedPicture up, down;
  ASSERT_EQ(Decode(BuildBmp(TwoByTwo24()), &up), DecodeStatus::Ok);
  ASSERT_EQ(Decode(BuildBmp(topDown), &down), DecodeStatus::Ok);
  EXPECT_EQ(down.height, 2);
  EXPECT_EQ(AllPixels(down.image), AllPixels(up.image));
}

TEST(DecodeBmp, NegativeWidthIsTakenAsItsSize) {
  BmpFields f = TwoByTwo24();
  f.width = -2;
  DecodedPicture picture;
  ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.width, 2);
  EXPECT_EQ(PixelAt(picture.image, 1, 0), kGreen);
}

TEST(DecodeBmp, ReadsFromTheStartWhereverTheSourceIs) {
  const Bytes file = BuildBmp(TwoByTwo24());
  MemorySource source(file.data(), file.size());
  ASSERT_TRUE(source.Seek(30));
  DecodedPicture picture;
  EXPECT_EQ(DecodeBmp(source, &picture), DecodeStatus::Ok);
}

struct IndexedCase {
  const char* name;
  uint16_t bitsPerPixel;
  int32_t width;
  std::vector<uint32_t> palette;
  Bytes storedRow;  // one row: the picture is one pixel high
  std::vector<uint32_t> expected;
};

TEST(DecodeBmp, IndexedPicturesLookUpTheirTable) {
  const IndexedCase cases[] = {
      {"1 bit, red and blue", 1, 10, {kRed, kBlue}, {0b10110000, 0b01000000},
       {kBlue, kRed, kBlue, kBlue, kRed, kRed, kRed, kRed, kRed, kBlue}},
      {"4 bits", 4, 3, {kBlack, kRed, kGreen, kBlue}, {0x12, 0x30}, {kRed, kGreen, kBlue}},
      {"8 bits", 8, 3, {kWhite, kRed, kGreen}, {2, 0, 1}, {kGreen, kWhite, kRed}},
      {"index beyond the table is black", 8, 3, {kWhite, kRed}, {1, 2, 255}, {kRed, kBlack, kBlack}},
      {"4 bits beyond a short table", 4, 2, {kWhite}, {0x0F}, {kWhite, kBlack}},
  };
  for (const IndexedCase& c : cases) {
    BmpFields f;
    f.bitsPerPixel = c.bitsPerPixel;
    f.width = c.width;
    f.height = 1;
    f.palette = c.palette;
    f.rows = {c.storedRow};
    DecodedPicture picture;
    ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok) << c.name;
    EXPECT_EQ(AllPixels(picture.image), c.expected) << c.name;
  }
}

TEST(DecodeBmp, ColoursUsedZeroMeansAFullTable) {
  BmpFields f;
  f.bitsPerPixel = 1;
  f.palette = {kBlack, kGreen};
  f.coloursUsed = 0;
  f.rows = {{0x80}};
  DecodedPicture picture;
  ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok);
  EXPECT_EQ(PixelAt(picture.image, 0, 0), kGreen);
}

TEST(DecodeBmp, TableLongerThanTheDepthNeedsIsAccepted) {
  BmpFields f;
  f.bitsPerPixel = 1;
  f.width = 2;
  f.palette = {kRed, kBlue, kGreen, kWhite};  // only the first two are reachable
  f.rows = {{0x40}};
  DecodedPicture picture;
  ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok);
  EXPECT_EQ(AllPixels(picture.image), (std::vector<uint32_t>{kRed, kBlue}));
}

TEST(DecodeBmp, ThirtyTwoBitsIgnoreTheFourthByte) {
  BmpFields f;
  f.bitsPerPixel = 32;
  f.width = 2;
  f.rows = {{0x11, 0x22, 0x33, 0x00, 0x44, 0x55, 0x66, 0xFF}};
  DecodedPicture picture;
  ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok);
  EXPECT_EQ(AllPixels(picture.image), (std::vector<uint32_t>{0x332211, 0x665544}));
}

TEST(DecodeBmp, V5HeaderWithPaletteUsesItsOwnColours) {
  BmpFields f;
  f.infoSize = 124;
  f.bitsPerPixel = 8;
  f.width = 2;
  f.palette = {kGreen, kBlue};
  f.rows = {{1, 0}};
  const Bytes file = BuildBmp(f);
  ASSERT_EQ(file.size(), 14u + 124 + 8 + 4);
  DecodedPicture picture;
  ASSERT_EQ(Decode(file, &picture), DecodeStatus::Ok);
  EXPECT_EQ(AllPixels(picture.image), (std::vector<uint32_t>{kBlue, kGreen}));
}

TEST(DecodeBmp, GapBeforeThePixelsIsSkipped) {
  BmpFields f = TwoByTwo24();
  f.gap = 37;
  DecodedPicture picture;
  ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok);
  EXPECT_EQ(AllPixels(picture.image), (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
}

struct RefusalCase {
  const char* name;
  BmpFields fields;
  DecodeStatus status;
};

BmpFields With(BmpFields f, void (*change)(BmpFields&)) {
  change(f);
  return f;
}

TEST(DecodeBmp, RefusesFormsItDoesNotRead) {
  const RefusalCase cases[] = {
      {"16 bits", With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 16; }),
       DecodeStatus::Unsupported},
      {"2 bits", With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 2; }),
       DecodeStatus::Unsupported},
      {"0 bits", With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 0; }),
       DecodeStatus::Unsupported},
      {"RLE8", With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 8, f.compression = 1; }),
       DecodeStatus::Unsupported},
      {"RLE4", With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 4, f.compression = 2; }),
       DecodeStatus::Unsupported},
      {"bit fields", With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 32, f.compression = 3; }),
       DecodeStatus::Unsupported},
      {"OS/2 header", With(TwoByTwo24(), [](BmpFields& f) { f.infoSize = 12; }), DecodeStatus::BadHeader},
      {"header of 39", With(TwoByTwo24(), [](BmpFields& f) { f.infoSize = 39; }), DecodeStatus::BadHeader},
      {"zero width", With(TwoByTwo24(), [](BmpFields& f) { f.width = 0; }), DecodeStatus::BadHeader},
      {"zero height", With(TwoByTwo24(), [](BmpFields& f) { f.height = 0; }), DecodeStatus::BadHeader},
      {"INT32_MIN height", With(TwoByTwo24(), [](BmpFields& f) { f.height = INT32_MIN; }),
       DecodeStatus::BadHeader},
      {"INT32_MIN width", With(TwoByTwo24(), [](BmpFields& f) { f.width = INT32_MIN; }),
       DecodeStatus::BadHeader},
      {"pixel offset inside the table",
       With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 8, f.palette = {kRed, kBlue}, f.pixelOffset = 58; }),
       DecodeStatus::BadHeader},
      {"pixel offset before the headers end",
       With(TwoByTwo24(), [](BmpFields& f) { f.pixelOffset = 40; }), DecodeStatus::BadHeader},
      {"rows missing", With(TwoByTwo24(), [](BmpFields& f) { f.rows.pop_back(); }),
       DecodeStatus::Truncated},
      {"table past the end",
       With(TwoByTwo24(), [](BmpFields& f) { f.bitsPerPixel = 8, f.coloursUsed = 100, f.rows = {}; }),
       DecodeStatus::Truncated},
      {"wider than any picture", With(TwoByTwo24(), [](BmpFields& f) { f.width = 65536; }),
       DecodeStatus::TooLarge},
      {"over the byte cap", With(TwoByTwo24(), [](BmpFields& f) { f.width = 30000, f.height = -30000; }),
       DecodeStatus::TooLarge},
      {"huge sides", With(TwoByTwo24(), [](BmpFields& f) { f.width = INT32_MAX, f.height = INT32_MAX; }),
       DecodeStatus::TooLarge},
  };
  for (const RefusalCase& c : cases) {
    DecodedPicture picture;
    picture.width = 99;  // must be cleared by the failure
    EXPECT_EQ(Decode(BuildBmp(c.fields), &picture), c.status) << c.name;
    EXPECT_TRUE(picture.image.empty()) << c.name;
    EXPECT_EQ(picture.width, 0) << c.name;
    EXPECT_EQ(picture.kind, PictureKind::Unknown) << c.name;
  }
}

TEST(DecodeBmp, PixelOffsetPastTheEndIsTruncated) {
  for (uint32_t offset : {70u, 71u, 1000u, 0xFFFFFFFFu}) {
    Bytes file = BuildBmp(TwoByTwo24());
    fixtures::PutU32(file, 10, offset);
    DecodedPicture picture;
    EXPECT_EQ(Decode(file, &picture), DecodeStatus::Truncated) << offset;
  }
}

TEST(DecodeBmp, FewerBytesThanTheHeadersAreTruncated) {
  const Bytes file = BuildBmp(TwoByTwo24());
  DecodedPicture picture;
  EXPECT_EQ(Decode(Bytes(file.begin(), file.begin() + 53), &picture), DecodeStatus::Truncated);
  EXPECT_EQ(Decode(Bytes(), &picture), DecodeStatus::Truncated);
}

TEST(DecodeBmp, HugeColoursUsedInATinyFileFailsWithoutReadingOn) {
  BmpFields f;
  f.bitsPerPixel = 8;
  f.coloursUsed = 0x7FFFFFFF;
  f.rows = {{0}};
  const Bytes file = BuildBmp(f);
  CountingSource source(file.data(), file.size());
  DecodedPicture picture;
  EXPECT_EQ(DecodeBmp(source, &picture), DecodeStatus::Truncated);
  EXPECT_EQ(source.bytesRead, 54u);
}

TEST(DecodeBmp, PictureLargerThanTheFileFailsBeforeAllocating) {
  // 10000 x 10000 fits the cap (300 MB) but the file holds one row.
  BmpFields f = TwoByTwo24();
  f.width = 10000;
  f.height = 10000;
  const Bytes file = BuildBmp(f);
  CountingSource source(file.data(), file.size());
  DecodedPicture picture;
  EXPECT_EQ(DecodeBmp(source, &picture), DecodeStatus::Truncated);
  EXPECT_EQ(source.bytesRead, 54u);
}

// Pictures big enough to need several read chunks, each row a different
// colour, so a misplaced row shows.
BmpFields StripedPicture(uint16_t bitsPerPixel, int32_t width, int32_t storedHeight) {
  BmpFields f;
  f.bitsPerPixel = bitsPerPixel;
  f.width = width;
  f.height = storedHeight;
  const int32_t height = storedHeight < 0 ? -storedHeight : storedHeight;
  const size_t bytesPerPixel = bitsPerPixel / 8;
  for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
    const uint32_t v = static_cast<uint32_t>(fileRow);
    Bytes row(static_cast<size_t>(width) * bytesPerPixel);
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = row.data() + x * bytesPerPixel;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(x);
    }
    f.rows.push_back(std::move(row));
  }
  return f;
}

TEST(DecodeBmp, LargePicturesLandRowsInPlace) {
  struct Case {
    uint16_t bitsPerPixel;
    int32_t storedHeight;
  };
  // 1001 pixels wide: 3 MB at 1500 rows of 24 bits, 6 MB at 32: more than
  // one chunk; 18 MB at 6000 rows of 24 bits: read in parts on several
  // threads.
  const int32_t width = 1001;
  for (const Case c : {Case{24, 1500}, Case{24, -1500}, Case{32, 1500}, Case{32, -1500}, Case{24, 6000}}) {
    const Bytes file = BuildBmp(StripedPicture(c.bitsPerPixel, width, c.storedHeight));
    DecodedPicture picture;
    ASSERT_EQ(Decode(file, &picture), DecodeStatus::Ok) << c.bitsPerPixel << " " << c.storedHeight;
    const int32_t height = picture.height;
    ASSERT_EQ(height, c.storedHeight < 0 ? -c.storedHeight : c.storedHeight);
    for (int32_t y : {0, 1, height / 3, height / 2, height / 2 + 1, 2 * height / 3, height - 2, height - 1}) {
      const int32_t fileRow = c.storedHeight < 0 ? y : height - 1 - y;
      for (int32_t x : {0, 500, width - 1}) {
        const uint32_t expected = (static_cast<uint32_t>(x & 0xFF) << 16) | (fileRow & 0xFFFF);
        ASSERT_EQ(PixelAt(picture.image, x, y), expected) << c.bitsPerPixel << " y=" << y << " x=" << x;
      }
    }
  }
}

TEST(DecodeBmp, ConvertedRowsHaveZeroPadding) {
  BmpFields f;
  f.bitsPerPixel = 8;
  f.width = 3;  // 9 bytes of pixels in a 12-byte row
  f.palette = {kWhite};
  f.rows = {{0, 0, 0}};
  DecodedPicture picture;
  ASSERT_EQ(Decode(BuildBmp(f), &picture), DecodeStatus::Ok);
  const uint8_t* row = picture.image.Row(0);
  EXPECT_EQ(row[9] | row[10] | row[11], 0);
}

TEST(DecodeBmp, EveryPrefixOfAGoodFileFailsCleanly) {
  BmpFields indexed;
  indexed.bitsPerPixel = 4;
  indexed.width = 5;
  indexed.height = -3;
  indexed.palette = {kRed, kGreen, kBlue};
  indexed.rows = {{0x01, 0x20, 0x10}, {0x22, 0x11, 0x00}, {0x00, 0x00, 0x20}};
  for (const Bytes& file : {BuildBmp(indexed), BuildBmp(TwoByTwo24()),
                            BuildBmp(StripedPicture(32, 3, 4))}) {
    for (size_t length = 0; length < file.size(); ++length) {
      const Bytes prefix(file.begin(), file.begin() + length);
      DecodedPicture picture;
      EXPECT_NE(Decode(prefix, &picture), DecodeStatus::Ok) << length;
      EXPECT_TRUE(picture.image.empty()) << length;
    }
    DecodedPicture whole;
    EXPECT_EQ(Decode(file, &whole), DecodeStatus::Ok);
  }
}

}  // namespace
}  // namespace picjoin
