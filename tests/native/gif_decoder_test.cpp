#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "tests/native/gif_pcx_fixtures.h"

namespace picjoin {
namespace {

using fixtures::Bytes;
using fixtures::GifBuilder;
using fixtures::GifFrame;
using fixtures::Rgb;

constexpr uint32_t kWhite = 0x00FFFFFF;

const std::vector<Rgb> kFourColours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};

DecodeStatus Decode(const Bytes& bytes, DecodedPicture* out) {
  return fixtures::DecodeBytes(DecodeGif, bytes, out);
}

// A width x height picture of indices below `colours`, different in every
// row and column so misplaced rows show.
Bytes Pattern(int width, int height, int colours) {
  Bytes out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back(static_cast<uint8_t>((x * 3 + y * 7 + x * y) % colours));
  }
  return out;
}

GifFrame MakeFrame(uint16_t width, uint16_t height, int colours, int minCodeSize = 2) {
  GifFrame frame;
  frame.width = width;
  frame.height = height;
  frame.indices = Pattern(width, height, colours);
  frame.minCodeSize = minCodeSize;
  return frame;
}

void ExpectEmpty(const DecodedPicture& picture) {
  EXPECT_EQ(picture.kind, PictureKind::Unknown);
  EXPECT_EQ(picture.width, 0);
  EXPECT_EQ(picture.height, 0);
  EXPECT_TRUE(picture.image.empty());
}

TEST(GifDecoder, DecodesPixelsAndPalette) {
  const GifFrame frame = MakeFrame(5, 3, 4);
  const Bytes gif = GifBuilder(5, 3, kFourColours).Frame(frame).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.kind, PictureKind::Gif);
  EXPECT_EQ(picture.width, 5);
  EXPECT_EQ(picture.height, 3);
  ASSERT_EQ(picture.image.format, PixelFormat::Indexed8);
  ASSERT_EQ(picture.image.width, 5);
  ASSERT_EQ(picture.image.height, 3);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), frame.indices);

  EXPECT_EQ(picture.image.palette[0], 0x00FF0000u);
  EXPECT_EQ(picture.image.palette[1], 0x0000FF00u);
  EXPECT_EQ(picture.image.palette[2], 0x000000FFu);
  EXPECT_EQ(picture.image.palette[3], 0x000A141Eu);
  for (size_t i = 4; i < 256; ++i) EXPECT_EQ(picture.image.palette[i], 0u) << "entry " << i;
}

TEST(GifDecoder, RowsAreStoredBottomUpInMemory) {
  GifFrame frame;
  frame.width = 2;
  frame.height = 2;
  frame.indices = {0, 1, 2, 3};
  const Bytes gif = GifBuilder(2, 2, kFourColours).Frame(frame).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  ASSERT_EQ(picture.image.stride, 4u);
  const uint8_t* memory = picture.image.pixels.data();
  EXPECT_EQ(memory[0], 2);  // bottom row first
  EXPECT_EQ(memory[4], 0);
}

TEST(GifDecoder, InterlacedAndProgressiveGiveTheSamePixels) {
  // Heights around the pass steps, so that empty and partial passes occur.
  for (uint16_t height : {1, 2, 3, 4, 5, 7, 8, 9, 12, 13, 17, 33}) {
    GifFrame frame = MakeFrame(6, height, 4);
    const Bytes progressive = GifBuilder(6, height, kFourColours).Frame(frame).Finish();
    frame.interlaced = true;
    const Bytes interlaced = GifBuilder(6, height, kFourColours).Frame(frame).Finish();

    DecodedPicture a;
    DecodedPicture b;
    ASSERT_EQ(Decode(progressive, &a), DecodeStatus::Ok) << "height " << height;
    ASSERT_EQ(Decode(interlaced, &b), DecodeStatus::Ok) << "height " << height;
    EXPECT_EQ(fixtures::IndicesOf(a.image), frame.indices) << "height " << height;
    EXPECT_EQ(fixtures::IndicesOf(b.image), frame.indices) << "height " << height;
  }
}

TEST(GifDecoder, AnimatedGifGivesItsFirstFrame) {
  const GifFrame first = MakeFrame(4, 4, 4);
  GifFrame second = first;
  for (uint8_t& index : second.indices) index = 3;
  const Bytes gif = GifBuilder(4, 4, kFourColours)
                        .Extension(0xFF, {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'})
                        .GraphicControl(0)
                        .Frame(first)
                        .GraphicControl(0)
                        .Frame(second)
                        .Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), first.indices);
}

TEST(GifDecoder, LocalTableWinsOverGlobal) {
  GifFrame frame = MakeFrame(3, 2, 2);
  frame.localTable = {{1, 2, 3}, {4, 5, 6}};
  const Bytes gif = GifBuilder(3, 2, kFourColours).Frame(frame).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.image.palette[0], 0x00010203u);
  EXPECT_EQ(picture.image.palette[1], 0x00040506u);
  // The global table's other entries do not leak through.
  EXPECT_EQ(picture.image.palette[2], 0u);
  EXPECT_EQ(picture.image.palette[3], 0u);
}

TEST(GifDecoder, NoColourTableGivesBlack) {
  const GifFrame frame = MakeFrame(3, 3, 4);
  const Bytes gif = GifBuilder(3, 3).Frame(frame).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), frame.indices);
  for (uint32_t colour : fixtures::ColoursOf(picture.image)) EXPECT_EQ(colour, 0u);
}

TEST(GifDecoder, SizeComesFromTheScreenAndImageFromTheFirstImage) {
  struct SizeCase {
    uint16_t screenWidth, screenHeight, imageWidth, imageHeight, left, top;
  };
  const SizeCase cases[] = {
      {100, 100, 40, 30, 0, 0},
      {100, 100, 40, 30, 50, 60},  // the position is not applied
      {10, 8, 25, 20, 0, 0},       // an image larger than its screen is kept whole
  };
  for (const SizeCase& c : cases) {
    GifFrame frame = MakeFrame(c.imageWidth, c.imageHeight, 4);
    frame.left = c.left;
    frame.top = c.top;
    const Bytes gif = GifBuilder(c.screenWidth, c.screenHeight, kFourColours).Frame(frame).Finish();

    DecodedPicture picture;
    ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
    EXPECT_EQ(picture.width, c.screenWidth);
    EXPECT_EQ(picture.height, c.screenHeight);
    EXPECT_EQ(picture.image.width, c.imageWidth);
    EXPECT_EQ(picture.image.height, c.imageHeight);
    EXPECT_EQ(fixtures::IndicesOf(picture.image), frame.indices);
  }
}

TEST(GifDecoder, TransparentIndexShowsItsPaletteColour) {
  const GifFrame frame = MakeFrame(4, 4, 4);
  const Bytes gif = GifBuilder(4, 4, kFourColours).GraphicControl(1).Frame(frame).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), frame.indices);
  // Opaque: the entry keeps its colour and no alpha appears in the high byte.
  EXPECT_EQ(picture.image.palette[1], 0x0000FF00u);
}

TEST(GifDecoder, SkipsEveryKnownExtension) {
  const GifFrame frame = MakeFrame(3, 3, 4);
  const Bytes gif = GifBuilder(3, 3, kFourColours, "GIF87a")
                        .Extension(0x01, Bytes(300, 'x'))  // plain text, two sub-blocks
                        .Extension(0xF9, {0, 0, 0, 0})
                        .Extension(0xFE, {})  // comment with no sub-blocks at all
                        .Extension(0xFF, {'A', 'P', 'P'})
                        .Frame(frame)
                        .Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), frame.indices);
}

TEST(GifDecoder, RefusesBrokenFiles) {
  const GifFrame good = MakeFrame(3, 3, 4);
  auto withCodes = [&](int minCodeSize, const std::vector<uint16_t>& codes) {
    GifFrame frame = good;
    frame.minCodeSize = minCodeSize;
    return GifBuilder(3, 3, kFourColours).FrameWithCodes(frame, codes).Finish();
  };
  auto withBlock = [&](const Bytes& block) {
    return GifBuilder(3, 3, kFourColours).Raw(block).Frame(good).Finish();
  };
  Bytes badSignature = GifBuilder(3, 3, kFourColours).Frame(good).Finish();
  badSignature[4] = '8';  // GIF88a
  Bytes zeroImageWidth = GifBuilder(3, 3, kFourColours).Frame(good).Finish();
  zeroImageWidth[13 + 12 + 5] = 0;  // low byte of the descriptor's width
  // A 20000 x 10000 image (200 MB, within the cap) from a few bytes of codes.
  Bytes bomb = GifBuilder(3, 3, kFourColours).Frame(good).Finish();
  bomb[13 + 12 + 5] = 0x20;
  bomb[13 + 12 + 6] = 0x4E;
  bomb[13 + 12 + 7] = 0x10;
  bomb[13 + 12 + 8] = 0x27;
  GifFrame badLocal = good;
  badLocal.localTable.assign(256, Rgb{});
  Bytes localPastEnd = GifBuilder(3, 3).Frame(badLocal).bytes();
  localPastEnd.resize(13 + 10 + 700);
  GifFrame twelve = good;
  twelve.minCodeSize = 12;

  struct RefusalCase {
    const char* name;
    Bytes bytes;
    DecodeStatus status;
  };
  const RefusalCase cases[] = {
      {"empty file", {}, DecodeStatus::BadHeader},
      {"header only", Bytes(GifBuilder(3, 3).bytes()), DecodeStatus::BadHeader},
      {"bad signature", badSignature, DecodeStatus::BadHeader},
      {"zero screen width", GifBuilder(0, 3, kFourColours).Frame(good).Finish(), DecodeStatus::BadHeader},
      {"zero screen height", GifBuilder(3, 0, kFourColours).Frame(good).Finish(), DecodeStatus::BadHeader},
      {"screen beyond the picture cap", GifBuilder(65535, 65535, kFourColours).Frame(good).Finish(),
       DecodeStatus::TooLarge},
      {"global table reaching the end", GifBuilder(3, 3, kFourColours).bytes(), DecodeStatus::Truncated},
      {"extension label 0x02", withBlock({0x21, 0x02, 0}), DecodeStatus::Corrupt},
      {"unknown block byte", withBlock({0x55}), DecodeStatus::Corrupt},
      {"zero byte before the image", withBlock({0x00}), DecodeStatus::Corrupt},
      {"trailer before the image", withBlock({0x3B}), DecodeStatus::Corrupt},
      {"extension running past the end", GifBuilder(3, 3, kFourColours).Raw({0x21, 0xFE, 9, 1}).bytes(),
       DecodeStatus::Truncated},
      {"zero image width", zeroImageWidth, DecodeStatus::BadHeader},
      {"an image its codes cannot fill", bomb, DecodeStatus::TooLarge},
      {"local table past the end", localPastEnd, DecodeStatus::Truncated},
      {"min code size 0", withCodes(0, {}), DecodeStatus::Corrupt},
      {"min code size 12", GifBuilder(3, 3, kFourColours).FrameWithData(twelve, {2, 0xFF, 0xFF, 0}).Finish(),
       DecodeStatus::Corrupt},
      {"code beyond the next free one", withCodes(2, {4, 1, 7}), DecodeStatus::Corrupt},
      {"next free code with nothing before it", withCodes(2, {4, 6}), DecodeStatus::Corrupt},
      {"literal above 255", withCodes(9, {512, 300, 513}), DecodeStatus::Corrupt},
  };
  for (const RefusalCase& c : cases) {
    DecodedPicture picture;
    picture.kind = PictureKind::Bmp;  // must be cleared on failure
    EXPECT_EQ(Decode(c.bytes, &picture), c.status) << c.name;
    ExpectEmpty(picture);
  }
}

TEST(GifDecoder, CodeOfTheEntryBeingDefinedRepeatsThePreviousString) {
  // After a literal 1, code 6 is the one about to be defined: "1" + "1".
  GifFrame frame;
  frame.width = 3;
  frame.height = 1;
  frame.minCodeSize = 2;
  const Bytes gif = GifBuilder(3, 1, kFourColours).FrameWithCodes(frame, {4, 1, 6, 5}).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), (Bytes{1, 1, 1}));
}

TEST(GifDecoder, FullCodeTableKeepsDecoding) {
  // Noise compresses badly, so all 4096 codes get defined long before the end.
  struct TableCase {
    int minCodeSize;
    bool clearWhenFull;
  };
  const TableCase cases[] = {{2, false}, {4, false}, {8, false}, {4, true}, {11, false}};
  for (const TableCase& c : cases) {
    const int colours = c.minCodeSize >= 8 ? 256 : 1 << c.minCodeSize;
    Bytes noise(160 * 160);
    uint32_t seed = 12345;
    for (uint8_t& v : noise) {
      seed = seed * 1103515245u + 12345u;
      v = static_cast<uint8_t>((seed >> 16) % static_cast<uint32_t>(colours));
    }
    const fixtures::LzwStream stream = fixtures::LzwCompress(noise, c.minCodeSize, c.clearWhenFull);
    ASSERT_EQ(stream.highestCode, 4095u) << "min code size " << c.minCodeSize;
    if (!c.clearWhenFull) {
      ASSERT_GT(stream.codesWhileFull, 1000u) << "min code size " << c.minCodeSize;
    }

    GifFrame frame;
    frame.width = 160;
    frame.height = 160;
    frame.minCodeSize = c.minCodeSize;
    const Bytes gif = GifBuilder(160, 160, kFourColours).FrameWithCodes(frame, stream.codes).Finish();
    DecodedPicture picture;
    ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok) << "min code size " << c.minCodeSize;
    EXPECT_EQ(fixtures::IndicesOf(picture.image), noise) << "min code size " << c.minCodeSize;
  }
}

TEST(GifDecoder, PixelsBeyondTheLastRowAreDropped) {
  GifFrame frame;
  frame.width = 2;
  frame.height = 2;
  frame.minCodeSize = 2;
  const Bytes gif =
      GifBuilder(2, 2, kFourColours).FrameWithCodes(frame, fixtures::LiteralCodes({0, 1, 2, 3, 3, 2, 1, 0}, 2)).Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  EXPECT_EQ(fixtures::IndicesOf(picture.image), (Bytes{0, 1, 2, 3}));
}

// Rows the code stream never reaches must show white, whatever the table.
TEST(GifDecoder, DataEndingEarlyLeavesWhiteRows) {
  std::vector<Rgb> fullWithWhite(256, Rgb{0, 0, 0});
  fullWithWhite[200] = {255, 255, 255};
  std::vector<Rgb> fullWithoutWhite(256, Rgb{0, 0, 0});
  fullWithoutWhite[77] = {250, 251, 252};
  fullWithoutWhite[78] = {240, 255, 255};

  struct EarlyEndCase {
    const char* name;
    std::vector<Rgb> table;
    bool interlaced;
    uint32_t expectedFill;  // colour of the unreached pixels
  };
  const EarlyEndCase cases[] = {
      {"small table", kFourColours, false, kWhite},
      {"small table, interlaced", kFourColours, true, kWhite},
      {"full table holding white", fullWithWhite, false, kWhite},
      {"full table without white", fullWithoutWhite, false, 0x00FAFBFCu},
  };
  const int width = 5;
  const int height = 16;
  const int sentRows = 3;
  for (const EarlyEndCase& c : cases) {
    GifFrame frame;
    frame.width = width;
    frame.height = height;
    frame.interlaced = c.interlaced;
    frame.minCodeSize = 8;
    const Bytes sent = Pattern(width, sentRows, 4);
    const Bytes gif = GifBuilder(width, height, c.table).FrameWithCodes(frame, fixtures::LiteralCodes(sent, 8)).Finish();

    DecodedPicture picture;
    ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok) << c.name;
    // The rows the data did reach, in the order the file sends rows.
    std::vector<int> order;
    for (int y = 0; y < height; ++y) order.push_back(y);
    if (c.interlaced) order = fixtures::InterlacedRowOrder(height);
    const std::vector<uint32_t> colours = fixtures::ColoursOf(picture.image);
    for (int i = 0; i < height; ++i) {
      const int y = order[static_cast<size_t>(i)];
      for (int x = 0; x < width; ++x) {
        const uint32_t expected = i < sentRows ? picture.image.palette[sent[static_cast<size_t>(i * width + x)]]
                                               : c.expectedFill;
        ASSERT_EQ(colours[static_cast<size_t>(y * width + x)], expected) << c.name << " at " << x << "," << y;
      }
    }
    // The colours the file gives are unchanged.
    for (size_t i = 0; i < c.table.size(); ++i) {
      EXPECT_EQ(picture.image.palette[i], fixtures::PaletteValue(c.table[i])) << c.name << " entry " << i;
    }
  }
}

TEST(GifDecoder, WhiteFillAvoidsIndicesThePixelsUse) {
  // Index 2 lies outside a two-colour table (so shows black); white must go
  // to a slot no pixel uses, not to 2.
  GifFrame frame;
  frame.width = 3;
  frame.height = 2;
  frame.minCodeSize = 8;
  const Bytes gif = GifBuilder(3, 2, {{9, 9, 9}, {8, 8, 8}})
                        .FrameWithCodes(frame, fixtures::LiteralCodes({0, 1, 2}, 8))
                        .Finish();

  DecodedPicture picture;
  ASSERT_EQ(Decode(gif, &picture), DecodeStatus::Ok);
  const std::vector<uint32_t> colours = fixtures::ColoursOf(picture.image);
  EXPECT_EQ(colours, (std::vector<uint32_t>{0x00090909, 0x00080808, 0, kWhite, kWhite, kWhite}));
}

TEST(GifDecoder, FileCutInsideTheDataKeepsWhatArrived) {
  const GifFrame frame = MakeFrame(20, 20, 4, 2);
  GifBuilder builder(20, 20, kFourColours);
  builder.Frame(frame);
  Bytes cut = builder.bytes();
  cut.resize(builder.firstDataOffset() + 8);

  DecodedPicture picture;
  ASSERT_EQ(Decode(cut, &picture), DecodeStatus::Ok);
  const Bytes indices = fixtures::IndicesOf(picture.image);
  EXPECT_TRUE(std::equal(frame.indices.begin(), frame.indices.begin() + 4, indices.begin()));
  const std::vector<uint32_t> colours = fixtures::ColoursOf(picture.image);
  for (size_t i = colours.size() - 20; i < colours.size(); ++i) EXPECT_EQ(colours[i], kWhite);
}

// A GIF with something of everything: extensions, both tables, interlace,
// several sub-blocks and a second frame.
Bytes RichGif() {
  GifFrame first = MakeFrame(30, 19, 16, 4);
  first.interlaced = true;
  first.localTable.assign(16, Rgb{7, 7, 7});
  const GifFrame second = MakeFrame(5, 5, 4);
  return GifBuilder(32, 20, kFourColours)
      .Extension(0xFE, Bytes(40, 'c'))
      .GraphicControl(3)
      .Frame(first)
      .Frame(second)
      .Finish();
}

void ExpectConsistent(DecodeStatus status, const DecodedPicture& picture) {
  if (status == DecodeStatus::Ok) {
    EXPECT_EQ(picture.kind, PictureKind::Gif);
    EXPECT_FALSE(picture.image.empty());
    EXPECT_GT(picture.width, 0);
  } else {
    ExpectEmpty(picture);
  }
}

TEST(GifDecoder, EveryPrefixDecodesOrFailsCleanly) {
  const Bytes gif = RichGif();
  size_t decoded = 0;
  for (size_t n = 0; n <= gif.size(); ++n) {
    const Bytes prefix(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(n));
    DecodedPicture picture;
    const DecodeStatus status = Decode(prefix, &picture);
    ExpectConsistent(status, picture);
    if (status == DecodeStatus::Ok) ++decoded;
  }
  // Once the image data has begun, every cut still gives a picture.
  EXPECT_GT(decoded, gif.size() / 2);
}

TEST(GifDecoder, DamagedBytesDecodeOrFailCleanly) {
  const Bytes gif = RichGif();
  for (size_t at = 0; at < gif.size(); ++at) {
    for (uint8_t value : {0x00, 0x01, 0x7F, 0xFF}) {
      Bytes damaged = gif;
      damaged[at] = value;
      DecodedPicture picture;
      ExpectConsistent(Decode(damaged, &picture), picture);
    }
  }
}

TEST(GifDecoder, SharedSamplePictures) {
  if (!fixtures::CorpusPresent()) GTEST_SKIP() << "no sample pictures at " << PICJOIN_CORPUS_DIR;

  struct KnownFile {
    const char* name;
    DecodeStatus status;
    int32_t width, height, imageWidth, imageHeight;
  };
  // Sizes as ImageMagick's identify reports them (page size and first frame).
  const KnownFile known[] = {
      {"hopper.gif", DecodeStatus::Ok, 128, 128, 128, 128},
      {"chi.gif", DecodeStatus::Ok, 320, 240, 320, 240},
      {"test.colors.gif", DecodeStatus::Ok, 807, 606, 807, 606},
      {"first_frame_transparency.gif", DecodeStatus::Ok, 75, 50, 50, 50},
      {"dispose_bgnd_transparency.gif", DecodeStatus::Ok, 38, 32, 27, 32},
      {"no_palette.gif", DecodeStatus::Ok, 1, 1, 1, 1},
      // 65535 x 1321 at 0,65280 with a min code size of 143.
      {"decompression_bomb.gif", DecodeStatus::Corrupt, 0, 0, 0, 0},
      {"zero_width.gif", DecodeStatus::BadHeader, 0, 0, 0, 0},
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
      EXPECT_EQ(picture.width, k.width) << k.name;
      EXPECT_EQ(picture.height, k.height) << k.name;
      EXPECT_EQ(picture.image.width, k.imageWidth) << k.name;
      EXPECT_EQ(picture.image.height, k.imageHeight) << k.name;
    }
  };
  fixtures::DecodeEverySample(".gif", Decode, check, &counts);
  std::printf("GIF samples: %d decoded, %d refused, %d checked against known sizes\n", counts.decoded,
              counts.refused, checked);
  EXPECT_GT(counts.decoded, 0);
}

}  // namespace
}  // namespace picjoin
