#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "picture/decoded_picture.h"

namespace picjoin {
namespace {

using Bytes = std::vector<uint8_t>;

// Two flat halves, each 16 pixels wide (a whole 4:2:0 block column), so the
// centre of each half keeps its colour through compression.
constexpr int kWidth = 32;
constexpr int kHeight = 16;
constexpr int kTolerance = 6;  // JPEG is lossy

struct Rgb {
  int r, g, b;
};

struct EncodeOptions {
  J_COLOR_SPACE inColour = JCS_RGB;
  int components = 3;
  J_COLOR_SPACE fileColour = JCS_UNKNOWN;  // JCS_UNKNOWN: the library's default for inColour
  bool progressive = false;
  bool adobeMarker = true;  // only changes anything for CMYK
  bool fullChroma = false;  // 4:4:4 instead of the default 4:2:0
  int quality = 95;
};

// Compresses width x height interleaved samples with libjpeg, in memory.
Bytes Encode(const EncodeOptions& o, int width, int height, const Bytes& samples) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = o.components;
  cinfo.in_color_space = o.inColour;
  jpeg_set_defaults(&cinfo);
  if (o.fileColour != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, o.fileColour);
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  if (o.progressive) jpeg_simple_progression(&cinfo);
  if (o.fullChroma) cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
  cinfo.write_Adobe_marker = o.adobeMarker ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * o.components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes file(buffer, buffer + size);
  std::free(buffer);
  return file;
}

// Left half `left`, right half `right`, each given as `components` samples.
Bytes TwoHalves(const Bytes& left, const Bytes& right, int width = kWidth, int height = kHeight) {
  Bytes samples;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Bytes& s = x < width / 2 ? left : right;
      samples.insert(samples.end(), s.begin(), s.end());
    }
  return samples;
}

DecodeStatus Decode(const Bytes& file, DecodedPicture* out) {
  MemorySource source(file.data(), file.size());
  return DecodeJpeg(source, out);
}

Rgb PixelAt(const PixelImage& image, int x, int y) {
  const uint8_t* p = image.Row(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

void ExpectNear(const PixelImage& image, int x, int y, Rgb want, const std::string& what) {
  const Rgb got = PixelAt(image, x, y);
  EXPECT_NEAR(got.r, want.r, kTolerance) << what << " red at " << x << "," << y;
  EXPECT_NEAR(got.g, want.g, kTolerance) << what << " green at " << x << "," << y;
  EXPECT_NEAR(got.b, want.b, kTolerance) << what << " blue at " << x << "," << y;
}

struct ColourCase {
  const char* name;
  EncodeOptions options;
  Bytes left, right;  // samples as the encoder takes them
  Rgb wantLeft, wantRight;
};

TEST(DecodeJpeg, DecodesEachColourFormToBgr) {
  EncodeOptions grey;
  grey.inColour = JCS_GRAYSCALE;
  grey.components = 1;
  EncodeOptions colour;
  EncodeOptions rgbFile;
  rgbFile.fileColour = JCS_RGB;
  EncodeOptions progressive;
  progressive.progressive = true;
  EncodeOptions progressiveGrey = grey;
  progressiveGrey.progressive = true;
  // Adobe files store CMYK inverted (255 = no ink); plain files store ink.
  EncodeOptions adobeCmyk;
  adobeCmyk.inColour = JCS_CMYK;
  adobeCmyk.components = 4;
  EncodeOptions plainCmyk = adobeCmyk;
  plainCmyk.adobeMarker = false;
  EncodeOptions ycck = adobeCmyk;
  ycck.fileColour = JCS_YCCK;

  const ColourCase cases[] = {
      {"grey", grey, {40}, {200}, {40, 40, 40}, {200, 200, 200}},
      {"colour", colour, {255, 0, 0}, {20, 60, 230}, {255, 0, 0}, {20, 60, 230}},
      {"rgb stored as rgb", rgbFile, {0, 255, 0}, {250, 200, 10}, {0, 255, 0}, {250, 200, 10}},
      {"progressive", progressive, {0, 0, 255}, {128, 128, 128}, {0, 0, 255}, {128, 128, 128}},
      {"progressive grey", progressiveGrey, {0}, {255}, {0, 0, 0}, {255, 255, 255}},
      // Red (no cyan, full magenta and yellow) and a 50 % grey (half black ink).
      {"adobe cmyk", adobeCmyk, {255, 0, 0, 255}, {255, 255, 255, 127}, {255, 0, 0}, {127, 127, 127}},
      {"plain cmyk", plainCmyk, {0, 255, 255, 0}, {0, 0, 0, 128}, {255, 0, 0}, {127, 127, 127}},
      {"adobe ycck", ycck, {255, 0, 0, 255}, {255, 255, 255, 127}, {255, 0, 0}, {127, 127, 127}},
      // Ink amounts multiply: half cyan and half black leave a quarter of the red.
      {"plain cmyk mix", plainCmyk, {128, 0, 0, 128}, {0, 0, 255, 0}, {64, 127, 127}, {255, 255, 0}},
  };
  for (const ColourCase& c : cases) {
    const Bytes file = Encode(c.options, kWidth, kHeight, TwoHalves(c.left, c.right));
    DecodedPicture picture;
    ASSERT_EQ(Decode(file, &picture), DecodeStatus::Ok) << c.name;
    EXPECT_EQ(picture.kind, PictureKind::Jpeg) << c.name;
    EXPECT_EQ(picture.width, kWidth) << c.name;
    EXPECT_EQ(picture.height, kHeight) << c.name;
    EXPECT_EQ(picture.image.format, PixelFormat::Bgr24) << c.name;
    ExpectNear(picture.image, 4, 8, c.wantLeft, c.name);
    ExpectNear(picture.image, 27, 3, c.wantRight, c.name);
  }
}

TEST(DecodeJpeg, OddWidthRowsArePaddedWithZeros) {
  const Bytes file = Encode(EncodeOptions{}, 5, 3, TwoHalves({9, 9, 9}, {9, 9, 9}, 5, 3));
  DecodedPicture picture;
  ASSERT_EQ(Decode(file, &picture), DecodeStatus::Ok);
  ASSERT_EQ(picture.image.stride, 16u);
  for (int y = 0; y < 3; ++y) {
    const uint8_t* row = picture.image.Row(y);
    EXPECT_EQ(row[15], 0) << y;
  }
}

Bytes BigPhoto() {
  Bytes samples;
  const int side = 64;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      samples.push_back(static_cast<uint8_t>(x * 4));
      samples.push_back(static_cast<uint8_t>(y * 4));
      samples.push_back(static_cast<uint8_t>((x ^ y) * 4));
    }
  return Encode(EncodeOptions{}, side, side, samples);
}

TEST(DecodeJpeg, FileCutInItsDataLoadsAtFullSize) {
  const Bytes whole = BigPhoto();
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 6 / 10));
  DecodedPicture picture;
  ASSERT_EQ(Decode(cut, &picture), DecodeStatus::Ok);
  EXPECT_EQ(picture.width, 64);
  EXPECT_EQ(picture.height, 64);
}

TEST(DecodeJpeg, RefusesWhatIsNoJpeg) {
  const Bytes whole = BigPhoto();
  const Bytes headerOnly(whole.begin(), whole.begin() + 100);
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"text", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}},
      {"start marker only", {0xFF, 0xD8}},
      {"start then garbage", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0x11, 0x22, 0x33, 0x44}},
      {"header without data", headerOnly},
  };
  for (const auto& c : cases) {
    DecodedPicture picture;
    picture.width = 7;
    EXPECT_NE(Decode(c.file, &picture), DecodeStatus::Ok) << c.name;
    EXPECT_TRUE(picture.image.empty()) << c.name;
    EXPECT_EQ(picture.width, 0) << c.name;
  }
}

// Rewrites the size in the file's frame header.
void SetFrameSize(Bytes& file, uint16_t width, uint16_t height) {
  for (size_t i = 2; i + 9 < file.size(); ++i) {
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
      file[i + 5] = static_cast<uint8_t>(height >> 8);
      file[i + 6] = static_cast<uint8_t>(height);
      file[i + 7] = static_cast<uint8_t>(width >> 8);
      file[i + 8] = static_cast<uint8_t>(width);
      return;
    }
  }
  FAIL() << "no frame header";
}

TEST(DecodeJpeg, HugeFrameIsRefusedBeforeDecoding) {
  for (bool progressive : {false, true}) {
    EncodeOptions o;
    o.progressive = progressive;
    Bytes file = Encode(o, kWidth, kHeight, TwoHalves({1, 2, 3}, {4, 5, 6}));
    SetFrameSize(file, 60000, 60000);  // 10 GB of pixels
    DecodedPicture picture;
    EXPECT_EQ(Decode(file, &picture), DecodeStatus::TooLarge) << progressive;
    EXPECT_TRUE(picture.image.empty());
  }
}

TEST(DecodeJpeg, ProgressiveFileNeedingTooMuchWorkingMemoryIsRefused) {
  // 12000 x 8000 is within the picture cap (288 MB), but a progressive 4:4:4
  // file needs 6 bytes a pixel of coefficients held at once: 576 MB.
  EncodeOptions o;
  o.progressive = true;
  o.fullChroma = true;
  Bytes file = Encode(o, kWidth, kHeight, TwoHalves({1, 2, 3}, {4, 5, 6}));
  SetFrameSize(file, 12000, 8000);
  DecodedPicture picture;
  EXPECT_EQ(Decode(file, &picture), DecodeStatus::TooLarge);
  EXPECT_TRUE(picture.image.empty());
}

// Repeats the last scan of a progressive file `extra` more times. The
// repeats are pointless refinements the library only warns about.
Bytes WithRepeatedLastScan(const Bytes& file, int extra) {
  size_t lastScan = 0;
  for (size_t i = 2; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xDA) lastScan = i;
  }
  const Bytes scan(file.begin() + static_cast<long>(lastScan), file.end() - 2);  // up to EOI
  Bytes out(file.begin(), file.end() - 2);
  for (int i = 0; i < extra; ++i) out.insert(out.end(), scan.begin(), scan.end());
  out.push_back(0xFF);
  out.push_back(0xD9);
  return out;
}

TEST(DecodeJpeg, FileOfEndlessScansIsRefused) {
  EncodeOptions o;
  o.progressive = true;
  const Bytes file = Encode(o, kWidth, kHeight, TwoHalves({1, 2, 3}, {4, 5, 6}));
  DecodedPicture picture;
  EXPECT_EQ(Decode(WithRepeatedLastScan(file, 50), &picture), DecodeStatus::Ok);
  EXPECT_EQ(Decode(WithRepeatedLastScan(file, 2000), &picture), DecodeStatus::Corrupt);
  EXPECT_TRUE(picture.image.empty());
}

TEST(DecodeJpeg, EveryPrefixFailsCleanlyOrLoadsAtFullSize) {
  EncodeOptions progressive;
  progressive.progressive = true;
  const Bytes samples = TwoHalves({10, 200, 30}, {90, 90, 250});
  for (const Bytes& whole : {BigPhoto(), Encode(progressive, kWidth, kHeight, samples)}) {
    for (size_t length = 0; length <= whole.size(); ++length) {
      const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(length));
      DecodedPicture picture;
      const DecodeStatus status = Decode(prefix, &picture);
      if (status == DecodeStatus::Ok) {
        EXPECT_GT(picture.width, 0);
        EXPECT_EQ(picture.image.width, picture.width);
      } else {
        EXPECT_TRUE(picture.image.empty()) << length;
      }
    }
  }
}

TEST(DecodeJpeg, SourceAtAnyPositionIsReadFromTheStart) {
  const Bytes file = BigPhoto();
  MemorySource source(file.data(), file.size());
  ASSERT_TRUE(source.Seek(file.size() / 2));
  DecodedPicture picture;
  EXPECT_EQ(DecodeJpeg(source, &picture), DecodeStatus::Ok);
}

}  // namespace
}  // namespace picjoin
