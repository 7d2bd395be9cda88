// Real files from the shared sample folder: every BMP, JPEG, icon and cursor
// must load or be refused without harm; the BMP suite's files must give what
// the loading rules say; some pictures must match an independent decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "file_source.h"
#include "picture/decoded_picture.h"

namespace picjoin {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = PICJOIN_CORPUS_DIR;

#define SKIP_WITHOUT_CORPUS()                                                        \
  if (!fs::is_directory(kCorpus)) {                                                  \
    GTEST_SKIP() << "sample pictures not found at " << kCorpus.string()              \
                 << " (a fresh clone has no ../shared/corpus)";                      \
  }

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool IsOurExtension(const fs::path& p) {
  const std::string ext = Lower(p.extension().string());
  return ext == ".bmp" || ext == ".jpg" || ext == ".jpeg" || ext == ".ico" || ext == ".cur";
}

PictureKind KindOf(PosixFileSource& source) {
  uint8_t head[kKindSignatureBytes] = {};
  const bool got = source.Seek(0) && ReadExactly(source, head, sizeof head);
  return got ? DetectPictureKind(head, sizeof head) : PictureKind::Unknown;
}

// Decodes with the decoder the content calls for. Returns false when the
// kind is none of ours.
bool DecodeByKind(PictureKind kind, PosixFileSource& source, DecodeStatus* status,
                  DecodedPicture* picture, IconImage* icon) {
  switch (kind) {
    case PictureKind::Bmp: *status = DecodeBmp(source, picture); return true;
    case PictureKind::Jpeg: *status = DecodeJpeg(source, picture); return true;
    case PictureKind::Icon:
    case PictureKind::Cursor: *status = ReadIconImage(source, icon); return true;
    default: return false;
  }
}

TEST(Corpus, EveryFileLoadsOrIsRefusedCleanly) {
  SKIP_WITHOUT_CORPUS();
  std::map<std::string, int> counts;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus)) {
    if (!entry.is_regular_file() || !IsOurExtension(entry.path())) continue;
    ++files;
    PosixFileSource source(entry.path().string());
    ASSERT_TRUE(source.ok()) << entry.path();
    const PictureKind kind = KindOf(source);
    DecodeStatus status = DecodeStatus::Ok;
    DecodedPicture picture;
    IconImage icon;
    if (!DecodeByKind(kind, source, &status, &picture, &icon)) {
      ++counts["not a bmp/jpeg/icon by content"];
      continue;
    }
    const std::string name = entry.path().lexically_relative(kCorpus).string();
    if (status == DecodeStatus::Ok) {
      if (kind == PictureKind::Icon || kind == PictureKind::Cursor) {
        EXPECT_GT(icon.width, 0) << name;
        EXPECT_FALSE(icon.bytes.empty()) << name;
      } else {
        EXPECT_EQ(picture.image.width, picture.width) << name;
        EXPECT_EQ(picture.image.height, picture.height) << name;
        EXPECT_FALSE(picture.image.empty()) << name;
      }
    } else {
      EXPECT_TRUE(picture.image.empty()) << name;
      EXPECT_TRUE(icon.bytes.empty()) << name;
    }
    ++counts[std::string(kind == PictureKind::Jpeg  ? "jpeg "
                         : kind == PictureKind::Bmp ? "bmp "
                                                    : "icon/cursor ") +
             DecodeStatusName(status)];
  }
  std::cout << files << " sample files:\n";
  for (const auto& [what, n] : counts) std::cout << "  " << what << ": " << n << "\n";
  EXPECT_GT(files, 0);
}

struct BmpOutcome {
  const char* file;  // under pillow/
  DecodeStatus status;
  int32_t width = 0, height = 0;  // when it loads
};

// What each file must give by the loading rules (headers read with xxd).
const BmpOutcome kBmpOutcomes[] = {
    {"bmp/g/pal1.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal1bg.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal1wb.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal4.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal4rle.bmp", DecodeStatus::Unsupported},
    {"bmp/g/pal8-0.bmp", DecodeStatus::Ok, 127, 64},  // colours used 0: a full table
    {"bmp/g/pal8.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal8nonsquare.bmp", DecodeStatus::Ok, 127, 32},
    {"bmp/g/pal8os2.bmp", DecodeStatus::BadHeader},  // 12-byte header
    {"bmp/g/pal8rle.bmp", DecodeStatus::Unsupported},
    {"bmp/g/pal8topdown.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal8v4.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal8v5.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/pal8w124.bmp", DecodeStatus::Ok, 124, 61},
    {"bmp/g/pal8w125.bmp", DecodeStatus::Ok, 125, 62},
    {"bmp/g/pal8w126.bmp", DecodeStatus::Ok, 126, 63},
    {"bmp/g/rgb16-565.bmp", DecodeStatus::Unsupported},
    {"bmp/g/rgb16-565pal.bmp", DecodeStatus::Unsupported},
    {"bmp/g/rgb16.bmp", DecodeStatus::Unsupported},
    {"bmp/g/rgb24.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/rgb24pal.bmp", DecodeStatus::Ok, 127, 64},  // a table a 24-bit file does not use
    {"bmp/g/rgb32.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/g/rgb32bf.bmp", DecodeStatus::Unsupported},  // bit fields
    {"bmp/q/pal1p1.bmp", DecodeStatus::Ok, 127, 64},   // index 1 of a 1-entry table: black
    {"bmp/q/pal2.bmp", DecodeStatus::Unsupported},
    {"bmp/q/pal4rletrns.bmp", DecodeStatus::Unsupported},
    {"bmp/q/pal8offs.bmp", DecodeStatus::Ok, 127, 64},  // gap before the pixels
    {"bmp/q/pal8os2sp.bmp", DecodeStatus::BadHeader},
    {"bmp/q/pal8os2v2-16.bmp", DecodeStatus::BadHeader},
    {"bmp/q/pal8os2v2.bmp", DecodeStatus::Ok, 127, 64},  // 64-byte header, uncompressed
    {"bmp/q/pal8oversizepal.bmp", DecodeStatus::Ok, 127, 64},  // 300 entries
    {"bmp/q/pal8rletrns.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgb16-231.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgb24jpeg.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgb24largepal.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/q/rgb24lprof.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/q/rgb24png.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgb24prof.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/q/rgb32-111110.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgb32bf-xbgr.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgb32fakealpha.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/q/rgb32h52.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgba16-4444.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgba32.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgba32abf.bmp", DecodeStatus::Unsupported},
    {"bmp/q/rgba32h56.bmp", DecodeStatus::Unsupported},
    {"bmp/b/badbitcount.bmp", DecodeStatus::Unsupported},
    {"bmp/b/badbitssize.bmp", DecodeStatus::Ok, 127, 64},  // image size field not used
    {"bmp/b/baddens1.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/b/baddens2.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/b/badfilesize.bmp", DecodeStatus::Ok, 127, 64},  // file size field not used
    {"bmp/b/badheadersize.bmp", DecodeStatus::Ok, 127, 64},  // 66 bytes: table follows it
    {"bmp/b/badpalettesize.bmp", DecodeStatus::Truncated},  // 305 million colours
    {"bmp/b/badplanes.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/b/badrle.bmp", DecodeStatus::Unsupported},
    {"bmp/b/badwidth.bmp", DecodeStatus::Ok, 127, 64},  // width -127
    {"bmp/b/pal8badindex.bmp", DecodeStatus::Ok, 127, 64},
    {"bmp/b/reallybig.bmp", DecodeStatus::TooLarge},
    {"bmp/b/rletopdown.bmp", DecodeStatus::Unsupported},
    {"bmp/b/shortfile.bmp", DecodeStatus::Truncated},
    {"hopper.bmp", DecodeStatus::Ok, 128, 128},
    // 57 bytes claiming 3158064 x 48: the size cap is tested before the file length.
    {"l2rgb_read.bmp", DecodeStatus::TooLarge},
    {"mmap_error.bmp", DecodeStatus::BadHeader},    // pixels said to start inside the table
};

TEST(Corpus, BmpSuiteGivesWhatTheRulesSay) {
  SKIP_WITHOUT_CORPUS();
  for (const BmpOutcome& o : kBmpOutcomes) {
    PosixFileSource source((kCorpus / "pillow" / o.file).string());
    ASSERT_TRUE(source.ok()) << o.file;
    DecodedPicture picture;
    const DecodeStatus status = DecodeBmp(source, &picture);
    EXPECT_EQ(status, o.status) << o.file << ": " << DecodeStatusName(status);
    if (o.status == DecodeStatus::Ok && status == DecodeStatus::Ok) {
      EXPECT_EQ(picture.width, o.width) << o.file;
      EXPECT_EQ(picture.height, o.height) << o.file;
    }
  }
}

struct IconOutcome {
  const char* file;
  DecodeStatus status;
  PictureKind kind = PictureKind::Unknown;
  int32_t width = 0, height = 0;
  uint16_t bitsPerPixel = 0;
};

TEST(Corpus, IconsAndCursorsGiveTheirChosenImage) {
  SKIP_WITHOUT_CORPUS();
  const IconOutcome outcomes[] = {
      {"hopper.ico", DecodeStatus::Ok, PictureKind::Icon, 16, 16, 8},
      {"hopper_256x256.ico", DecodeStatus::Ok, PictureKind::Icon, 256, 256, 24},
      {"hopper_draw.ico", DecodeStatus::Ok, PictureKind::Icon, 16, 16, 0},  // PNG inside
      // Five images, all with colour count 0: the last (16 x 16) one.
      {"pillow.ico", DecodeStatus::Ok, PictureKind::Icon, 16, 16, 32},
      {"python.ico", DecodeStatus::Ok, PictureKind::Icon, 48, 48, 32},
      // The header claims 65535 x 65535: an 8 GiB icon, refused before anything is made.
      {"decompression_bomb.ico", DecodeStatus::TooLarge},
      {"deerstalker.cur", DecodeStatus::Ok, PictureKind::Cursor, 32, 32, 32},
      {"mask_1.cur", DecodeStatus::BadHeader},  // an 8-byte image
      {"no_cursors.cur", DecodeStatus::BadHeader},
  };
  for (const IconOutcome& o : outcomes) {
    PosixFileSource source((kCorpus / "pillow" / o.file).string());
    ASSERT_TRUE(source.ok()) << o.file;
    IconImage icon;
    const DecodeStatus status = ReadIconImage(source, &icon);
    EXPECT_EQ(status, o.status) << o.file << ": " << DecodeStatusName(status);
    if (status != DecodeStatus::Ok) continue;
    EXPECT_EQ(icon.kind, o.kind) << o.file;
    EXPECT_EQ(icon.width, o.width) << o.file;
    EXPECT_EQ(icon.height, o.height) << o.file;
    EXPECT_EQ(icon.bitsPerPixel, o.bitsPerPixel) << o.file;
  }
}

// ---- Comparison with ImageMagick's decoding --------------------------------

const char kConvert[] = "convert-im6.q16";

bool HaveConvert() {
  return std::system("command -v convert-im6.q16 >/dev/null 2>&1") == 0;
}

struct Rgb8Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first
};

// Next number of a PPM header, past white space and # comments.
int PpmNumber(FILE* in) {
  int c = std::fgetc(in);
  while (c == '#' || std::isspace(c)) {
    if (c == '#') {
      while (c != '\n' && c != EOF) c = std::fgetc(in);
    }
    c = std::fgetc(in);
  }
  int value = 0;
  if (!std::isdigit(c)) return -1;
  while (std::isdigit(c)) {
    value = value * 10 + (c - '0');
    c = std::fgetc(in);
  }
  return value;  // the one white-space byte after the number is consumed
}

// Runs the converter to a binary PPM and reads it back.
bool ReferenceDecode(const fs::path& file, Rgb8Picture* out) {
  const std::string command =
      std::string(kConvert) + " '" + file.string() + "' -strip -depth 8 ppm:- 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  const bool magic = std::fgetc(pipe) == 'P' && std::fgetc(pipe) == '6';
  out->width = magic ? PpmNumber(pipe) : -1;
  out->height = magic ? PpmNumber(pipe) : -1;
  const bool header = magic && PpmNumber(pipe) == 255;
  bool ok = false;
  if (header && out->width > 0 && out->height > 0) {
    out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
    ok = std::fread(out->rgb.data(), 1, out->rgb.size(), pipe) == out->rgb.size();
  }
  pclose(pipe);
  return ok;
}

// Largest difference of any channel of any pixel.
int LargestDifference(const PixelImage& ours, const Rgb8Picture& theirs) {
  int largest = 0;
  for (int y = 0; y < theirs.height; ++y) {
    const uint8_t* row = ours.Row(y);
    const uint8_t* ref = theirs.rgb.data() + static_cast<size_t>(y) * theirs.width * 3;
    for (int x = 0; x < theirs.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(row[3 * x + (2 - c)] - ref[3 * x + c]);
        largest = std::max(largest, d);
      }
    }
  }
  return largest;
}

struct ReferenceCase {
  const char* file;
  bool jpeg;
  int tolerance;
};

TEST(Corpus, PicturesMatchAnIndependentDecoding) {
  SKIP_WITHOUT_CORPUS();
  if (!HaveConvert()) GTEST_SKIP() << kConvert << " not installed: nothing to compare with";
  const ReferenceCase cases[] = {
      {"bmp/g/pal1.bmp", false, 0},       {"bmp/g/pal1wb.bmp", false, 0},
      {"bmp/g/pal4.bmp", false, 0},       {"bmp/g/pal8.bmp", false, 0},
      {"bmp/g/pal8-0.bmp", false, 0},     {"bmp/g/pal8topdown.bmp", false, 0},
      {"bmp/g/pal8v5.bmp", false, 0},     {"bmp/g/pal8w125.bmp", false, 0},
      {"bmp/g/rgb24.bmp", false, 0},      {"bmp/g/rgb32.bmp", false, 0},
      {"bmp/q/pal8offs.bmp", false, 0},   {"hopper.bmp", false, 0},
      {"hopper.jpg", true, 2},            {"hopper_gray.jpg", true, 2},
      {"flower.jpg", true, 2},            {"pil_sample_rgb.jpg", true, 2},
      {"pil_sample_cmyk.jpg", true, 3},
  };
  for (const ReferenceCase& c : cases) {
    const fs::path path = kCorpus / "pillow" / c.file;
    Rgb8Picture reference;
    ASSERT_TRUE(ReferenceDecode(path, &reference)) << c.file;
    PosixFileSource source(path.string());
    DecodedPicture picture;
    const DecodeStatus status = c.jpeg ? DecodeJpeg(source, &picture) : DecodeBmp(source, &picture);
    ASSERT_EQ(status, DecodeStatus::Ok) << c.file;
    ASSERT_EQ(picture.width, reference.width) << c.file;
    ASSERT_EQ(picture.height, reference.height) << c.file;
    const int difference = LargestDifference(picture.image, reference);
    std::cout << "  " << c.file << ": largest channel difference " << difference << "\n";
    EXPECT_LE(difference, c.tolerance) << c.file;
  }
}

}  // namespace
}  // namespace picjoin
