#include <gtest/gtest.h>

#include <vector>

#include "fixture_builders.h"
#include "picture/decoded_picture.h"

namespace picjoin {
namespace {

using fixtures::BitmapIconImage;
using fixtures::BuildIcon;
using fixtures::Bytes;
using fixtures::IconEntry;
using fixtures::PngIconImage;

constexpr uint16_t kIcon = 1;
constexpr uint16_t kCursor = 2;

DecodeStatus Read(const Bytes& file, IconImage* out) {
  MemorySource source(file.data(), file.size());
  return ReadIconImage(source, out);
}

IconEntry BitmapEntry(int32_t side, uint8_t colourCount, uint16_t bitsPerPixel) {
  return {static_cast<uint8_t>(side), static_cast<uint8_t>(side), colourCount,
          BitmapIconImage(side, side, bitsPerPixel)};
}

struct ChoiceCase {
  const char* name;
  std::vector<IconEntry> entries;
  int32_t width;
  uint16_t bitsPerPixel;
};

TEST(ReadIconImage, ChoosesTheImageToShow) {
  const ChoiceCase cases[] = {
      {"32x32 16 colours after 16x16", {BitmapEntry(16, 16, 4), BitmapEntry(32, 16, 4)}, 32, 4},
      {"first qualifying one wins",
       {BitmapEntry(32, 16, 4), BitmapEntry(32, 255, 8), BitmapEntry(48, 16, 4)}, 32, 4},
      {"32x32 with 2 colours does not qualify", {BitmapEntry(32, 2, 1), BitmapEntry(16, 16, 4)}, 16, 4},
      {"all colour counts 0: the last", {BitmapEntry(32, 0, 32), BitmapEntry(48, 0, 32), BitmapEntry(16, 0, 32)},
       16, 32},
      {"one entry", {BitmapEntry(48, 0, 8)}, 48, 8},
  };
  for (const ChoiceCase& c : cases) {
    const Bytes file = BuildIcon(kIcon, c.entries);
    IconImage icon;
    ASSERT_EQ(Read(file, &icon), DecodeStatus::Ok) << c.name;
    EXPECT_EQ(icon.kind, PictureKind::Icon) << c.name;
    EXPECT_EQ(icon.width, c.width) << c.name;
    EXPECT_EQ(icon.height, c.width) << c.name;  // the info header's height halved
    EXPECT_EQ(icon.bitsPerPixel, c.bitsPerPixel) << c.name;
  }
}

TEST(ReadIconImage, KeepsTheChosenImageBytes) {
  const IconEntry chosen = BitmapEntry(32, 16, 4);
  const Bytes file = BuildIcon(kIcon, {BitmapEntry(16, 16, 4), chosen});
  IconImage icon;
  ASSERT_EQ(Read(file, &icon), DecodeStatus::Ok);
  ASSERT_EQ(icon.bytes.size(), chosen.image.size());
  EXPECT_EQ(Bytes(icon.bytes.data(), icon.bytes.data() + icon.bytes.size()), chosen.image);
}

TEST(ReadIconImage, CursorTypeGivesACursor) {
  IconImage cursor;
  ASSERT_EQ(Read(BuildIcon(kCursor, {BitmapEntry(32, 0, 1)}), &cursor), DecodeStatus::Ok);
  EXPECT_EQ(cursor.kind, PictureKind::Cursor);
  EXPECT_EQ(cursor.width, 32);
}

TEST(ReadIconImage, PngImageTakesItsSizeFromIhdr) {
  // The directory says 0 x 0 (256); the PNG knows better.
  const Bytes file = BuildIcon(kIcon, {{0, 0, 0, PngIconImage(300, 200)}});
  IconImage icon;
  ASSERT_EQ(Read(file, &icon), DecodeStatus::Ok);
  EXPECT_EQ(icon.width, 300);
  EXPECT_EQ(icon.height, 200);
  EXPECT_EQ(icon.bitsPerPixel, 0);
}

TEST(ReadIconImage, OddBitmapHeightRoundsTowardZero) {
  Bytes image = BitmapIconImage(8, 8, 8);
  fixtures::PutU32(image, 8, 17);
  IconImage icon;
  ASSERT_EQ(Read(BuildIcon(kIcon, {{8, 8, 0, image}}), &icon), DecodeStatus::Ok);
  EXPECT_EQ(icon.height, 8);
}

Bytes Cut(const Bytes& file, size_t length) { return Bytes(file.begin(), file.begin() + length); }

Bytes WithU32(Bytes file, size_t offset, uint32_t value) {
  fixtures::PutU32(file, offset, value);
  return file;
}

Bytes WithU16(Bytes file, size_t offset, uint16_t value) {
  fixtures::PutU16(file, offset, value);
  return file;
}

TEST(ReadIconImage, RefusesBrokenFiles) {
  const Bytes good = BuildIcon(kIcon, {BitmapEntry(16, 16, 4), BitmapEntry(32, 16, 4)});
  const Bytes png = BuildIcon(kIcon, {{0, 0, 0, PngIconImage(64, 64)}});
  Bytes zeroWidth = BitmapIconImage(8, 8, 8);
  fixtures::PutU32(zeroWidth, 4, 0);
  Bytes oneRowHigh = BitmapIconImage(8, 8, 8);
  fixtures::PutU32(oneRowHigh, 8, 1);  // halved: 0
  Bytes negativeWidth = BitmapIconImage(8, 8, 8);
  fixtures::PutU32(negativeWidth, 4, 0xFFFFFFF8u);
  const struct {
    const char* name;
    Bytes file;
    DecodeStatus status;
  } cases[] = {
      {"empty", {}, DecodeStatus::Truncated},
      {"header cut short", Cut(good, 5), DecodeStatus::Truncated},
      {"reserved not 0", WithU16(good, 0, 1), DecodeStatus::BadHeader},
      {"type 3", WithU16(good, 2, 3), DecodeStatus::BadHeader},
      {"no images", WithU16(good, 4, 0), DecodeStatus::BadHeader},
      {"directory cut short", Cut(good, 6 + 16 + 10), DecodeStatus::Truncated},
      {"count beyond the directory", WithU16(good, 4, 60000), DecodeStatus::Truncated},
      {"image cut short", Cut(good, good.size() - 1), DecodeStatus::Truncated},
      {"image offset past the end", WithU32(good, 6 + 16 + 12, 0xFFFFFFF0u), DecodeStatus::Truncated},
      {"image size past the end", WithU32(good, 6 + 16 + 8, 0xFFFFFFFFu), DecodeStatus::Truncated},
      {"image size 0", WithU32(good, 6 + 16 + 8, 0), DecodeStatus::BadHeader},
      {"bitmap header cut short", WithU32(good, 6 + 16 + 8, 15), DecodeStatus::BadHeader},
      {"png header cut short", WithU32(png, 6 + 8, 23), DecodeStatus::BadHeader},
      {"png of width 0", BuildIcon(kIcon, {{0, 0, 0, PngIconImage(0, 16)}}), DecodeStatus::BadHeader},
      {"png of width 2^31", BuildIcon(kIcon, {{0, 0, 0, PngIconImage(0x80000000u, 16)}}),
       DecodeStatus::BadHeader},
      {"bitmap of width 0", BuildIcon(kIcon, {{8, 8, 0, zeroWidth}}), DecodeStatus::BadHeader},
      {"bitmap one row high", BuildIcon(kIcon, {{8, 8, 0, oneRowHigh}}), DecodeStatus::BadHeader},
      {"bitmap of negative width", BuildIcon(kIcon, {{8, 8, 0, negativeWidth}}), DecodeStatus::BadHeader},
  };
  for (const auto& c : cases) {
    IconImage icon;
    icon.width = 5;
    EXPECT_EQ(Read(c.file, &icon), c.status) << c.name;
    EXPECT_TRUE(icon.bytes.empty()) << c.name;
    EXPECT_EQ(icon.width, 0) << c.name;
    EXPECT_EQ(icon.kind, PictureKind::Unknown) << c.name;
  }
}

TEST(ReadIconImage, EveryPrefixFailsCleanly) {
  const Bytes file = BuildIcon(kCursor, {BitmapEntry(16, 0, 1), {0, 0, 0, PngIconImage(40, 30)}});
  for (size_t length = 0; length < file.size(); ++length) {
    IconImage icon;
    EXPECT_NE(Read(Cut(file, length), &icon), DecodeStatus::Ok) << length;
    EXPECT_TRUE(icon.bytes.empty()) << length;
  }
  IconImage icon;
  ASSERT_EQ(Read(file, &icon), DecodeStatus::Ok);
  EXPECT_EQ(icon.width, 40);
}

}  // namespace
}  // namespace picjoin
