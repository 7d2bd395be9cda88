#include "picture/picture_kind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace picjoin {
namespace {

struct KindCase {
  const char* name;
  std::vector<uint8_t> bytes;
  PictureKind kind;
};

TEST(DetectPictureKind, RecognisesEachSignatureByContent) {
  const KindCase cases[] = {
      {"jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}, PictureKind::Jpeg},
      {"bmp", {'B', 'M', 1, 2, 3, 4}, PictureKind::Bmp},
      {"icon", {0, 0, 1, 0, 2, 0}, PictureKind::Icon},
      {"cursor", {0, 0, 2, 0, 1, 0}, PictureKind::Cursor},
      {"icon with no images", {0, 0, 1, 0, 0, 0}, PictureKind::Unknown},
      {"gif87a", {'G', 'I', 'F', '8', '7', 'a'}, PictureKind::Gif},
      {"gif89a", {'G', 'I', 'F', '8', '9', 'a'}, PictureKind::Gif},
      {"gif88a", {'G', 'I', 'F', '8', '8', 'a'}, PictureKind::Unknown},
      {"pcx8 v0", {10, 0, 1, 8, 0, 0}, PictureKind::Pcx8},
      {"pcx8 v5", {10, 5, 1, 8, 0, 0}, PictureKind::Pcx8},
      {"pcx8 v6", {10, 6, 1, 8, 0, 0}, PictureKind::Unknown},
      {"pcx1 v3", {10, 3, 1, 1, 0, 0}, PictureKind::Pcx1},
      {"pcx1 v5", {10, 5, 1, 1, 0, 0}, PictureKind::Unknown},
      {"pcx uncompressed", {10, 5, 0, 8, 0, 0}, PictureKind::Unknown},
      {"pcx 4 bits", {10, 5, 1, 4, 0, 0}, PictureKind::Unknown},
      {"text", {'h', 'e', 'l', 'l', 'o', '!'}, PictureKind::Unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectPictureKind(c.bytes.data(), c.bytes.size()), c.kind) << c.name;
  }
}

TEST(DetectPictureKind, FewerThanSixBytesAreUnknown) {
  const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0};
  EXPECT_EQ(DetectPictureKind(jpeg, 5), PictureKind::Unknown);
  EXPECT_EQ(DetectPictureKind(jpeg, 0), PictureKind::Unknown);
  EXPECT_EQ(DetectPictureKind(nullptr, 6), PictureKind::Unknown);
}

}  // namespace
}  // namespace picjoin
