// Loading pictures from files under Wine: the registry of ids, recognition
// by content, icons and cursors made and drawn by the platform, JPEGs through
// libjpeg, files left free after every load, and the shared sample files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "canvas/win/draw_panel.h"
#include "picture/win/picture_registry.h"
#include "tests/win_common/fixtures.h"

namespace picjoin::testing {
namespace {

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host_.ok()); }
  void TearDown() override {
    for (PictureId id : loaded_) UnloadPicture(id);
    EXPECT_EQ(LoadedPictureCount(), 0u) << "a picture was left loaded";
  }

  PictureId Load(const std::string& name, const Bytes& bytes) {
    const PictureId id = LoadFromBytes(folder_, name, bytes);
    if (id != 0) loaded_.push_back(id);
    return id;
  }

  // Draws the picture at (x, y) on a white canvas of w x h and gives the
  // canvas's pixels.
  Rgb DrawnAlone(PictureId id, int32_t w, int32_t h, int32_t x = 0, int32_t y = 0) {
    DrawPanel& canvas = host_.canvas();
    canvas.SetWidth(w);
    canvas.SetHeight(h);
    canvas.Clear();
    canvas.DrawPicture(id, x, y);
    return CanvasPixels(canvas);
  }

  TempFolder folder_;
  CanvasHost host_;
  std::vector<PictureId> loaded_;
};

// ---- The registry -----------------------------------------------------------

TEST_F(PictureTest, EmptyMissingAndShortFilesGiveNoPicture) {
  EXPECT_EQ(LoadPicture(""), 0u);
  EXPECT_EQ(LoadPicture(nullptr), 0u);
  EXPECT_EQ(LoadPicture(folder_.File("missing.bmp").c_str()), 0u);
  EXPECT_EQ(LoadPicture(folder_.path().c_str()), 0u) << "a folder";
  EXPECT_EQ(Load("short.bmp", {'B', 'M', 0, 0, 0}), 0u) << "5 bytes";
  EXPECT_EQ(Load("empty.bmp", {}), 0u);
  EXPECT_EQ(Load("text.bmp", {'h', 'e', 'l', 'l', 'o', '!', '!'}), 0u);
  EXPECT_EQ(LoadedPictureCount(), 0u);
}

TEST_F(PictureTest, TheContentDecidesTheKindNotTheName) {
  const PictureId bmp = Load("photo.JPG", Bmp24File(Pattern(3, 2, 1)));
  ASSERT_NE(bmp, 0u);
  EXPECT_EQ(FindPicture(bmp)->kind, PictureKind::Bmp);
  const PictureId jpeg = Load("picture.bmp", JpegFile(Pattern(8, 8, 2)));
  ASSERT_NE(jpeg, 0u);
  EXPECT_EQ(FindPicture(jpeg)->kind, PictureKind::Jpeg);
  IconPicture icon{Solid(16, 16, 0xFF0000), {}, 4};
  const PictureId ico = Load("icon.jpg", IconFile(1, {IconEntryFor(icon)}));
  ASSERT_NE(ico, 0u);
  EXPECT_EQ(FindPicture(ico)->kind, PictureKind::Icon);
  const PictureId noName = Load("noextension", Bmp24File(Pattern(2, 2, 3)));
  EXPECT_NE(noName, 0u);
}

TEST_F(PictureTest, TheSameFileTwiceGivesTwoPictures) {
  const Bytes file = Bmp24File(Pattern(5, 4, 4));
  ASSERT_TRUE(WriteFileBytes(folder_.File("a.bmp"), file));
  const PictureId a = LoadPicture(folder_.File("a.bmp").c_str());
  const PictureId b = LoadPicture(folder_.File("a.bmp").c_str());
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(LoadedPictureCount(), 2u);

  UnloadPicture(a);
  EXPECT_FALSE(IsPictureLoaded(a));
  EXPECT_TRUE(IsPictureLoaded(b));
  EXPECT_EQ(PictureWidth(host_.canvas(), b), 5);
  EXPECT_EQ(PictureHeight(host_.canvas(), b), 4);

  // Unloading again, or unloading 0, does nothing.
  UnloadPicture(a);
  UnloadPicture(0);
  EXPECT_TRUE(IsPictureLoaded(b));
  EXPECT_EQ(PictureWidth(host_.canvas(), a), 0);
  EXPECT_EQ(PictureHeight(host_.canvas(), a), 0);
  EXPECT_EQ(FindPicture(a), nullptr);
  UnloadPicture(b);
  EXPECT_EQ(LoadedPictureCount(), 0u);
  EXPECT_FALSE(IsPictureLoaded(0));
}

TEST_F(PictureTest, LiveIdsAreNeverHandedOutTwice) {
  const Bytes file = Bmp24File(Pattern(2, 2, 5));
  ASSERT_TRUE(WriteFileBytes(folder_.File("a.bmp"), file));
  std::vector<PictureId> live;
  for (int i = 0; i < 50; ++i) {
    const PictureId id = LoadPicture(folder_.File("a.bmp").c_str());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(std::count(live.begin(), live.end(), id), 0) << "id " << id << " given twice";
    live.push_back(id);
    if (i % 3 == 0) {  // unload some on the way, so that ids may come round again
      UnloadPicture(live.front());
      live.erase(live.begin());
    }
  }
  EXPECT_EQ(LoadedPictureCount(), live.size());
  for (PictureId id : live) UnloadPicture(id);
}

TEST_F(PictureTest, ARelativePathIsTakenFromTheCurrentFolder) {
  ASSERT_TRUE(WriteFileBytes(folder_.File("here.bmp"), Bmp24File(Pattern(6, 1, 6))));
  char before[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.path().c_str()));
  const PictureId id = LoadPicture("here.bmp");
  SetCurrentDirectoryA(before);
  ASSERT_NE(id, 0u);
  loaded_.push_back(id);
  EXPECT_EQ(FindPicture(id)->width, 6);
}

// ---- Files are free again after every load ----------------------------------

struct FileCase {
  const char* what;
  Bytes bytes;
  bool loads;
};

std::vector<FileCase> FilesOfEveryOutcome() {
  Bytes truncatedBmp = Bmp24File(Pattern(10, 10, 7));
  truncatedBmp.resize(truncatedBmp.size() - 20);
  Bytes truncatedIcon = IconFile(1, {IconEntryFor({Pattern(16, 16, 8), {}, 24})});
  truncatedIcon.resize(truncatedIcon.size() / 2);
  Bytes rle = Bmp24File(Pattern(4, 4, 9));
  rle[30] = 1;  // compression
  Bytes badIconImage = IconFile(1, {IconEntryFor({Pattern(16, 16, 10), {}, 4})});
  badIconImage[6 + 16 + 14] = 7;  // bits per pixel of the image: none the platform makes
  return {
      {"BMP", Bmp24File(Pattern(10, 10, 11)), true},
      {"JPEG", JpegFile(Pattern(16, 8, 12)), true},
      {"icon", IconFile(1, {IconEntryFor({Pattern(16, 16, 13), {}, 4})}), true},
      {"cursor", IconFile(2, {IconEntryFor({Pattern(32, 32, 14), {}, 4})}), true},
      {"monochrome PCX", Pcx1File(8, 2, {{0xF0}, {0x0F}}), true},
      {"5 bytes", {'B', 'M', 1, 2, 3}, false},
      {"unknown content", {'n', 'o', 't', ' ', 'a', 'n', 'y'}, false},
      {"BMP cut short", truncatedBmp, false},
      {"run-length BMP", rle, false},
      {"JPEG signature then rubbish", {0xFF, 0xD8, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, false},
      {"icon cut short", truncatedIcon, false},
      {"icon the platform cannot make", badIconImage, false},
      {"icon directory past the end", {0, 0, 1, 0, 9, 0, 16, 16}, false},
  };
}

TEST_F(PictureTest, AFileCanBeDeletedRightAfterItsLoad) {
  for (const auto& c : FilesOfEveryOutcome()) {
    SCOPED_TRACE(c.what);
    const std::string path = folder_.File("f.bin");
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    const PictureId id = LoadPicture(path.c_str());
    EXPECT_EQ(id != 0, c.loads);
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "the file is still held open: " << GetLastError();
    // And it can be written again at once.
    EXPECT_TRUE(WriteFileBytes(path, {1, 2, 3}));
    DeleteFileA(path.c_str());
    UnloadPicture(id);
  }
}

// A large 24-bit file is read in parts through extra readers of the same
// file: the picture must be whole, and no reader may keep the file open.
TEST_F(PictureTest, ALargeBmpLoadsWholeAndLeavesTheFileFree) {
  const Rgb picture = Pattern(2600, 2400, 21);  // 18.7 MB of rows
  Bytes file = Bmp24File(picture);
  for (const bool cutShort : {false, true}) {
    SCOPED_TRACE(cutShort ? "cut short" : "whole");
    if (cutShort) file.resize(file.size() - 5000);
    const std::string path = folder_.File("large.bmp");
    ASSERT_TRUE(WriteFileBytes(path, file));
    const PictureId id = LoadPicture(path.c_str());
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "the file is still held open: " << GetLastError();
    if (cutShort) {
      EXPECT_EQ(id, 0u);
      continue;
    }
    ASSERT_NE(id, 0u);
    loaded_.push_back(id);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, picture.width, picture.height), picture));
  }
}

TEST_F(PictureTest, AFileOpenForWritingElsewhereIsNotRead) {
  const std::string path = folder_.File("busy.bmp");
  ASSERT_TRUE(WriteFileBytes(path, Bmp24File(Pattern(4, 4, 15))));
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(LoadPicture(path.c_str()), 0u);
  CloseHandle(writer);

  // Another reader does not stand in the way.
  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const PictureId id = LoadPicture(path.c_str());
  CloseHandle(reader);
  EXPECT_NE(id, 0u);
  UnloadPicture(id);
}

// The file is opened twice: once for its kind, once to decode. What happens
// to it in between must end in a clean 0 or a picture, never in harm.
std::string gGapPath;
Bytes gGapReplacement;
bool gGapRemove = false;

void ChangeFileInTheGap(const char* path) {
  gGapPath = path;
  if (gGapRemove) {
    DeleteFileA(path);
  } else {
    WriteFileBytes(path, gGapReplacement);
  }
}

TEST_F(PictureTest, AFileChangedBetweenItsTwoOpeningsLoadsOrFailsCleanly) {
  struct GapCase {
    const char* what;
    Bytes first;
    bool remove;
    Bytes then;
    bool loads;
  };
  const Bytes bmp = Bmp24File(Pattern(6, 6, 16));
  const Bytes jpeg = JpegFile(Pattern(8, 8, 17));
  Bytes cut = bmp;
  cut.resize(60);
  const GapCase cases[] = {
      {"removed", bmp, true, {}, false},
      {"emptied", bmp, false, {}, false},
      {"cut short", bmp, false, cut, false},
      {"a BMP becomes a JPEG", bmp, false, jpeg, false},
      {"a JPEG becomes a BMP", jpeg, false, bmp, false},
      {"an icon becomes a BMP", IconFile(1, {IconEntryFor({Solid(16, 16, 1), {}, 4})}), false, bmp,
       false},
      {"replaced by another BMP", bmp, false, Bmp24File(Pattern(3, 9, 18)), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = folder_.File("gap.bin");
    ASSERT_TRUE(WriteFileBytes(path, c.first));
    gGapRemove = c.remove;
    gGapReplacement = c.then;
    gGapPath.clear();
    SetLoadGapHookForTesting(&ChangeFileInTheGap);
    const PictureId id = LoadPicture(path.c_str());
    SetLoadGapHookForTesting(nullptr);
    EXPECT_EQ(gGapPath, path) << "the hook did not run";
    EXPECT_EQ(id != 0, c.loads);
    if (id != 0) {
      EXPECT_EQ(FindPicture(id)->width, 3);
      EXPECT_EQ(FindPicture(id)->height, 9);
    }
    UnloadPicture(id);
    DeleteFileA(path.c_str());
    EXPECT_FALSE(FileExists(path)) << "still held open";
  }
  EXPECT_EQ(LoadedPictureCount(), 0u);
}

// ---- Icons and cursors ------------------------------------------------------

// A 16 x 16 icon: left half transparent, right half a checkerboard of two
// colours (black and white for 1 bit, which has no other colours).
IconPicture HalfTransparentIcon(uint16_t bits) {
  const uint32_t a = bits == 1 ? 0x000000 : 0xE01020;
  const uint32_t b = bits == 1 ? 0xFFFFFF : 0x2040C0;
  IconPicture icon{Rgb(16, 16), std::vector<bool>(256), bits};
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      icon.colors.At(x, y) = ((x + y) & 1) ? a : b;
      icon.transparent[y * 16 + x] = x < 8;
    }
  }
  return icon;
}

// What drawing the icon over `below` at (x, y) shows.
Rgb IconOver(const Rgb& below, const IconPicture& icon, int32_t x, int32_t y) {
  Rgb out = below;
  for (int32_t py = 0; py < icon.colors.height; ++py) {
    for (int32_t px = 0; px < icon.colors.width; ++px) {
      const bool clear = !icon.transparent.empty() && icon.transparent[py * icon.colors.width + px];
      if (!clear) out.At(x + px, y + py) = icon.colors.At(px, py);
    }
  }
  return out;
}

TEST_F(PictureTest, AnIconShowsTheBackgroundWhereItIsTransparent) {
  for (uint16_t bits : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(std::to_string(bits) + " bits per pixel");
    const IconPicture icon = HalfTransparentIcon(bits);
    const PictureId id = Load("i.ico", IconFile(1, {IconEntryFor(icon)}));
    ASSERT_NE(id, 0u);
    EXPECT_EQ(FindPicture(id)->width, 16);
    EXPECT_EQ(FindPicture(id)->height, 16);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, 30, 24, 5, 3), IconOver(Rgb(30, 24), icon, 5, 3)));
  }
}

TEST_F(PictureTest, AnIconDrawnOverAPictureLetsItShowThrough) {
  const Rgb below = Pattern(30, 24, 19);
  const PictureId picture = Load("below.bmp", Bmp24File(below));
  const IconPicture icon = HalfTransparentIcon(4);
  const PictureId id = Load("i.ico", IconFile(1, {IconEntryFor(icon)}));
  ASSERT_NE(picture, 0u);
  ASSERT_NE(id, 0u);
  DrawPanel& canvas = host_.canvas();
  canvas.SetWidth(30);
  canvas.SetHeight(24);
  canvas.Clear();
  canvas.DrawPicture(picture, 0, 0);
  canvas.DrawPicture(id, 7, 4);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas), IconOver(below, icon, 7, 4)));
}

TEST_F(PictureTest, AnIconIsCutAtTheCanvasEdges) {
  const IconPicture icon = HalfTransparentIcon(4);
  const PictureId id = Load("i.ico", IconFile(1, {IconEntryFor(icon)}));
  ASSERT_NE(id, 0u);
  Rgb expected(20, 12);
  Rgb full(36, 28);  // the canvas with room around it, then the visible part
  full = IconOver(full, icon, 8 - 10, 8 - 6);
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 20; ++x) expected.At(x, y) = full.At(x + 8, y + 8);
  EXPECT_TRUE(SamePixels(DrawnAlone(id, 20, 12, -10, -6), expected));
}

struct ChoiceCase {
  const char* what;
  std::vector<IconPicture> images;
  std::vector<uint8_t> colourCounts;  // directory bytes; empty: as the images say
  size_t chosen;
};

IconPicture SolidIcon(int32_t side, uint32_t color, uint16_t bits) {
  return IconPicture{Solid(side, side, color), {}, bits};
}

TEST_F(PictureTest, AnIconFileShowsTheFirst32PixelImageOf16ColoursOrMore) {
  const ChoiceCase cases[] = {
      {"16 then 32, both of 16 colours",
       {SolidIcon(16, 0xFF0000, 4), SolidIcon(32, 0x00FF00, 4)}, {}, 1},
      {"32 then 16, both of 16 colours",
       {SolidIcon(32, 0x0000FF, 4), SolidIcon(16, 0xFFFF00, 4)}, {}, 0},
      {"the first of two that qualify",
       {SolidIcon(32, 0x00FFFF, 4), SolidIcon(32, 0xFF00FF, 4)}, {}, 0},
      {"a 32 of 8 colours does not qualify, the last is used",
       {SolidIcon(32, 0x808000, 4), SolidIcon(16, 0x008080, 4)}, {8, 16}, 1},
      {"a stated count above 16 qualifies",
       {SolidIcon(16, 0x112233, 4), SolidIcon(32, 0x445566, 8), SolidIcon(48, 0x778899, 8)},
       {16, 255, 0}, 1},
      {"all colour counts 0 give the last image",
       {SolidIcon(32, 0xA00000, 8), SolidIcon(16, 0x00A000, 24), SolidIcon(24, 0x0000A0, 32)}, {},
       2},
      {"a 32 with count 0 before a 16 of 16 colours: the last",
       {SolidIcon(32, 0x303030, 8), SolidIcon(16, 0x606060, 4)}, {}, 1},
      {"one image", {SolidIcon(20, 0x123456, 24)}, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<IconDirEntry> entries;
    for (size_t i = 0; i < c.images.size(); ++i) {
      entries.push_back(IconEntryFor(c.images[i]));
      if (!c.colourCounts.empty()) entries.back().colourCount = c.colourCounts[i];
    }
    const PictureId id = Load("choice.ico", IconFile(1, entries));
    ASSERT_NE(id, 0u);
    const Rgb& chosen = c.images[c.chosen].colors;
    EXPECT_EQ(PictureWidth(host_.canvas(), id), chosen.width);
    EXPECT_EQ(PictureHeight(host_.canvas(), id), chosen.height);
    Rgb expected(50, 50);
    expected.Paste(chosen, 0, 0);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, 50, 50), expected));
  }
}

TEST_F(PictureTest, ACursorIsDrawnAtItsTopLeftWhateverItsHotSpot) {
  struct HotSpot {
    uint16_t x, y;
  };
  const IconPicture image = HalfTransparentIcon(4);
  for (const HotSpot hot : {HotSpot{0, 0}, HotSpot{15, 15}, HotSpot{7, 9}, HotSpot{200, 300}}) {
    SCOPED_TRACE("hot spot " + std::to_string(hot.x) + ", " + std::to_string(hot.y));
    IconDirEntry entry = IconEntryFor(image);
    entry.planesOrHotX = hot.x;
    entry.bitCountOrHotY = hot.y;
    const PictureId id = Load("c.cur", IconFile(2, {entry}));
    ASSERT_NE(id, 0u);
    EXPECT_EQ(FindPicture(id)->kind, PictureKind::Cursor);
    EXPECT_EQ(FindPicture(id)->width, 16);
    EXPECT_EQ(FindPicture(id)->height, 16);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, 26, 22, 6, 2), IconOver(Rgb(26, 22), image, 6, 2)));
  }
}

TEST_F(PictureTest, AnIconStoredAsPngTakesItsSizeFromThePng) {
  const Rgb picture = Pattern(20, 12, 20);
  IconDirEntry entry;
  entry.width = 20;
  entry.height = 12;
  entry.image = PngFile(picture);
  const PictureId id = Load("png.ico", IconFile(1, {entry}));
  if (id == 0) GTEST_SKIP() << "this platform makes no icons of PNG images";
  EXPECT_EQ(FindPicture(id)->width, 20);
  EXPECT_EQ(FindPicture(id)->height, 12);
  // Which colours the platform makes of a PNG is its own affair (Wine's
  // icon code swaps red and blue); the drawing stays inside 20 x 12.
  const Rgb drawn = DrawnAlone(id, 24, 16);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 24; ++x) {
      if (x >= 20 || y >= 12) ASSERT_EQ(Hex(drawn.At(x, y)), Hex(kWhite)) << x << ", " << y;
    }
  }
}

// ---- JPEG and BMP pixels ----------------------------------------------------

TEST_F(PictureTest, JpegPicturesShowWhatLibjpegDecodes) {
  struct JpegCase {
    const char* what;
    Rgb picture;
    bool grey, progressive;
  };
  const JpegCase cases[] = {
      {"colour", Pattern(24, 16, 21), false, false},
      {"grey", Pattern(17, 9, 22), true, false},
      {"progressive", Pattern(33, 20, 23), false, true},
      {"odd size", Pattern(7, 3, 24), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes file = JpegFile(c.picture, 85, c.grey, c.progressive);
    const Rgb decoded = DecodeJpegForTest(file);
    const PictureId id = Load("j.jpg", file);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(FindPicture(id)->width, c.picture.width);
    EXPECT_EQ(FindPicture(id)->height, c.picture.height);
    Rgb expected(c.picture.width + 4, c.picture.height + 2);
    expected.Paste(decoded, 3, 1);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, expected.width, expected.height, 3, 1), expected));
    if (c.grey) {
      for (uint32_t p : decoded.pixels) ASSERT_EQ(p, (p & 0xFF) * 0x010101u) << "not grey";
    }
  }
}

TEST_F(PictureTest, AJpegCutInItsDataLoadsAtItsFullSize) {
  Bytes file = JpegFile(Pattern(64, 48, 25), 95);
  file.resize(file.size() * 2 / 3);
  const PictureId id = Load("cut.jpg", file);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(FindPicture(id)->width, 64);
  EXPECT_EQ(FindPicture(id)->height, 48);
  const Rgb drawn = DrawnAlone(id, 64, 48);
  const Rgb decoded = DecodeJpegForTest(JpegFile(Pattern(64, 48, 25), 95));
  EXPECT_EQ(Hex(drawn.At(0, 0)), Hex(decoded.At(0, 0))) << "the first rows are there";
}

// ---- The shared sample files ------------------------------------------------

bool CorpusPresent() {
  return GetFileAttributesA(PICJOIN_CORPUS_DIR) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> CorpusFiles(const std::string& folder) {
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const auto& inner : CorpusFiles(path)) files.push_back(inner);
    } else {
      files.push_back(path);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(files.begin(), files.end());
  return files;
}

uint32_t Le32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

// The size a loaded file must report, read from its own header; false when
// the header is not there to read.
bool StatedSize(const Bytes& file, PictureKind kind, int32_t* w, int32_t* h) {
  if (kind == PictureKind::Bmp && file.size() >= 26) {
    const auto sw = static_cast<int32_t>(Le32(file, 18));
    const auto sh = static_cast<int32_t>(Le32(file, 22));
    *w = sw < 0 ? -sw : sw;
    *h = sh < 0 ? -sh : sh;
    return true;
  }
  if ((kind == PictureKind::Icon || kind == PictureKind::Cursor) && file.size() >= 6) {
    // The first entry 32 wide with 16 colours or more, else the last; its
    // image's own header (or PNG IHDR) holds the size, the height doubled
    // for a bitmap with its mask.
    const size_t count = file[4] | size_t{file[5]} << 8;
    if (file.size() < 6 + 16 * count) return false;
    size_t chosen = count - 1;
    for (size_t i = 0; i < count; ++i) {
      if (file[6 + 16 * i] == 32 && file[6 + 16 * i + 2] >= 16) {
        chosen = i;
        break;
      }
    }
    const size_t offset = Le32(file, 6 + 16 * chosen + 12);
    if (offset > file.size() || file.size() - offset < 24) return false;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::equal(kPng, kPng + 8, file.begin() + offset)) {
      auto be32 = [&](size_t at) {
        return static_cast<int32_t>(uint32_t{file[at]} << 24 | uint32_t{file[at + 1]} << 16 |
                                    uint32_t{file[at + 2]} << 8 | file[at + 3]);
      };
      *w = be32(offset + 16);
      *h = be32(offset + 20);
    } else {
      *w = static_cast<int32_t>(Le32(file, offset + 4));
      *h = static_cast<int32_t>(Le32(file, offset + 8)) / 2;
    }
    return true;
  }
  if (kind == PictureKind::Jpeg) {
    // The first start-of-frame marker.
    for (size_t i = 2; i + 9 < file.size();) {
      if (file[i] != 0xFF) return false;
      const uint8_t marker = file[i + 1];
      const size_t length = size_t{file[i + 2]} << 8 | file[i + 3];
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
        *h = file[i + 5] << 8 | file[i + 6];
        *w = file[i + 7] << 8 | file[i + 8];
        return true;
      }
      i += 2 + length;
    }
  }
  return false;
}

TEST_F(PictureTest, EverySampleFileLoadsOrGivesNoPictureAndDrawsWithoutHarm) {
  if (!CorpusPresent()) GTEST_SKIP() << "no sample files at " << PICJOIN_CORPUS_DIR;
  int loaded = 0, refused = 0;
  for (const std::string& path : CorpusFiles(PICJOIN_CORPUS_DIR)) {
    SCOPED_TRACE(path);
    Bytes file;
    ASSERT_TRUE(ReadFileBytes(path, &file));
    const PictureKind kind = file.size() >= 6 ? DetectPictureKind(file.data(), 6) : PictureKind::Unknown;
    const PictureId id = LoadPicture(path.c_str());
    if (id == 0) {
      ++refused;
      continue;
    }
    ++loaded;
    const Picture* picture = FindPicture(id);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->kind, kind);
    EXPECT_GT(picture->width, 0);
    EXPECT_GT(picture->height, 0);
    int32_t w = 0, h = 0;
    if (StatedSize(file, kind, &w, &h)) {
      EXPECT_EQ(picture->width, w);
      EXPECT_EQ(picture->height, h);
    }
    // Drawn on a canvas smaller than most of them: clipping on the way.
    DrawnAlone(id, 300, 200, -7, -5);
    UnloadPicture(id);
  }
  EXPECT_GT(loaded, 100);
  EXPECT_GT(refused, 10);
}

// A small independent reader for the plain BMP forms: 8 and 24 bits, no
// compression, an info header of 40 bytes or more (V4, V5) with the colour
// table right after it.
bool ReadPlainBmp(const Bytes& file, Rgb* out) {
  if (file.size() < 54 || Le32(file, 14) < 40 || Le32(file, 30) != 0) return false;
  const size_t table = 14 + Le32(file, 14);
  const auto w = static_cast<int32_t>(Le32(file, 18));
  const auto sh = static_cast<int32_t>(Le32(file, 22));
  const int bits = file[28];
  const int32_t h = sh < 0 ? -sh : sh;
  const uint32_t offset = Le32(file, 10);
  const size_t stride = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
  if (bits != 8 && bits != 24) return false;
  if (offset + stride * h > file.size()) return false;
  const uint32_t used = Le32(file, 46);
  const size_t entries = bits == 8 ? (used ? used : 256) : 0;
  *out = Rgb(w, h);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = file.data() + offset + stride * (sh < 0 ? y : h - 1 - y);
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* p = row + 3 * x;
      if (bits == 8) {
        const size_t i = row[x];
        p = i < entries && table + 4 * i + 3 < file.size() ? file.data() + table + 4 * i : nullptr;
      }
      out->At(x, y) = p ? uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0] : 0;
    }
  }
  return true;
}

TEST_F(PictureTest, SomeSampleFilesMatchAnIndependentDecoding) {
  if (!CorpusPresent()) GTEST_SKIP() << "no sample files at " << PICJOIN_CORPUS_DIR;
  const std::string root = PICJOIN_CORPUS_DIR;
  const char* bmps[] = {"\\pillow\\bmp\\g\\rgb24.bmp", "\\pillow\\bmp\\g\\pal8.bmp",
                        "\\pillow\\bmp\\g\\pal8topdown.bmp", "\\pillow\\bmp\\g\\pal8-0.bmp",
                        "\\pillow\\bmp\\g\\pal8v4.bmp", "\\pillow\\bmp\\g\\pal8v5.bmp",
                        "\\pillow\\hopper.bmp"};
  for (const char* name : bmps) {
    SCOPED_TRACE(name);
    Bytes file;
    ASSERT_TRUE(ReadFileBytes(root + name, &file));
    Rgb expected;
    ASSERT_TRUE(ReadPlainBmp(file, &expected));
    const PictureId id = LoadPicture((root + name).c_str());
    ASSERT_NE(id, 0u);
    loaded_.push_back(id);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, expected.width, expected.height), expected));
  }
  const char* jpegs[] = {"\\pillow\\hopper.jpg", "\\pillow\\hopper_gray.jpg"};
  for (const char* name : jpegs) {
    SCOPED_TRACE(name);
    Bytes file;
    ASSERT_TRUE(ReadFileBytes(root + name, &file));
    const Rgb expected = DecodeJpegForTest(file);
    const PictureId id = LoadPicture((root + name).c_str());
    ASSERT_NE(id, 0u);
    loaded_.push_back(id);
    EXPECT_TRUE(SamePixels(DrawnAlone(id, expected.width, expected.height), expected));
  }
}

}  // namespace
}  // namespace picjoin::testing
