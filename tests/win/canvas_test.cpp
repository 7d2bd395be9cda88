// The canvas under Wine: its size rules, its backing image, drawing pictures
// into it, and the 24-bit BMP file image it exports.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "canvas/win/draw_panel.h"
#include "picture/win/picture_registry.h"
#include "picture/win/render_picture.h"
#include "tests/win_common/fixtures.h"

namespace picjoin::testing {
namespace {

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host_.ok()); }
  void TearDown() override {
    for (PictureId id : loaded_) UnloadPicture(id);
    EXPECT_EQ(LoadedPictureCount(), 0u);
  }

  DrawPanel& canvas() { return host_.canvas(); }

  void Resize(int32_t w, int32_t h) {
    canvas().SetWidth(w);
    canvas().SetHeight(h);
  }

  // Writes `picture` as a BMP file and loads it.
  PictureId LoadBmp(const Rgb& picture, bool topDown = false) {
    const PictureId id = LoadFromBytes(folder_, "p" + std::to_string(loaded_.size()) + ".bmp",
                                       Bmp24File(picture, topDown));
    EXPECT_NE(id, 0u);
    loaded_.push_back(id);
    return id;
  }

  TempFolder folder_;
  CanvasHost host_;
  std::vector<PictureId> loaded_;
};

struct ExportSize {
  int32_t width, height;
  size_t bytes;
};

TEST_F(CanvasTest, ExportedFileImageHasTheStrideOfItsWidth) {
  const ExportSize cases[] = {
      {1, 1, 58},  {2, 1, 62},  {3, 1, 66},  {4, 1, 66}, {5, 3, 102},
      {180, 50, 27054},  // 540 bytes a row: no filler
      {110, 80, 26614},  // 330 colour bytes and 2 filler bytes a row
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    Resize(c.width, c.height);
    canvas().Clear();
    const ByteBlock block = canvas().ExportBitmap();
    const Bytes image(block.data(), block.data() + block.size());
    EXPECT_EQ(image.size(), c.bytes);
    // Header as the file format has it, and every colour byte white.
    EXPECT_TRUE(SameBmpImage(image, ExpectedBmpImage(Solid(c.width, c.height, kWhite))));
    // The export is the backing memory itself, header in front, at any width.
    EXPECT_EQ(block.data() + 54, canvas().BackingPixels());
  }
}

TEST_F(CanvasTest, OneByOneWhiteIsHeaderThenOnePixelAndOneFiller) {
  Resize(1, 1);
  canvas().Clear();
  const ByteBlock block = canvas().ExportBitmap();
  ASSERT_EQ(block.size(), 58u);
  EXPECT_EQ(block.data()[54], 0xFF);
  EXPECT_EQ(block.data()[55], 0xFF);
  EXPECT_EQ(block.data()[56], 0xFF);
}

TEST_F(CanvasTest, StartsWithAWhiteImageOfItsLayoutSize) {
  EXPECT_EQ(canvas().width(), 56);
  EXPECT_EQ(canvas().height(), 32);
  ASSERT_TRUE(canvas().HasBackingImage());
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), Solid(56, 32, kWhite)));
}

TEST_F(CanvasTest, ClearMakesEveryPixelWhiteAgain) {
  Resize(30, 20);
  canvas().DrawPicture(LoadBmp(Pattern(30, 20, 1)), 0, 0);
  canvas().Clear();
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), Solid(30, 20, kWhite)));
  EXPECT_EQ(canvas().drawPosition().x, 0);
  EXPECT_EQ(canvas().drawPosition().y, 0);
}

TEST_F(CanvasTest, ClearUsesTheButtonFaceColourForTheDefaultBackground) {
  DrawPanelSettings settings = Canvas1Settings();
  settings.backColor = kColorDefault;
  CanvasHost host(settings);
  ASSERT_TRUE(host.ok());
  host.canvas().Clear();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const uint32_t rgb = uint32_t{GetRValue(face)} << 16 | uint32_t{GetGValue(face)} << 8 | GetBValue(face);
  EXPECT_TRUE(SamePixels(CanvasPixels(host.canvas()), Solid(56, 32, rgb)));
}

// The default background is the button-face colour at the moment of the
// clear, also for rows that were never drawn on.
TEST_F(CanvasTest, ClearTakesTheButtonFaceColourOfTheMoment) {
  DrawPanelSettings settings = Canvas1Settings();
  settings.backColor = kColorDefault;
  CanvasHost host(settings);
  ASSERT_TRUE(host.ok());
  const int element = COLOR_BTNFACE;
  const COLORREF before = GetSysColor(COLOR_BTNFACE);
  const COLORREF changed = before == RGB(10, 200, 30) ? RGB(200, 10, 30) : RGB(10, 200, 30);
  ASSERT_TRUE(SetSysColors(1, &element, &changed));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), changed);
  host.canvas().Clear();
  const Rgb cleared = CanvasPixels(host.canvas());
  // The old content (the first colour) survives a resize; the new part is
  // the colour of the moment.
  const COLORREF third = RGB(90, 60, 220);
  SetSysColors(1, &element, &third);
  host.canvas().SetWidth(60);
  const Rgb resized = CanvasPixels(host.canvas());
  SetSysColors(1, &element, &before);

  auto rgb = [](COLORREF c) {
    return uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c);
  };
  EXPECT_TRUE(SamePixels(cleared, Solid(56, 32, rgb(changed))));
  Rgb expected(60, 32, rgb(third));
  expected.Paste(Solid(56, 32, rgb(changed)), 0, 0);
  EXPECT_TRUE(SamePixels(resized, expected));
}

// An exported block is a value: what the canvas does afterwards, up to its
// destruction, does not reach the bytes already handed out.
TEST(CanvasExportBlock, KeepsItsBytesWhateverTheCanvasDoesNext) {
  TempFolder folder;
  const Rgb picture = Pattern(10, 6, 13);
  const PictureId id = LoadFromBytes(folder, "p.bmp", Bmp24File(picture));
  ASSERT_NE(id, 0u);
  ByteBlock first, second, third;
  Bytes firstBytes, secondBytes;
  {
    CanvasHost host;
    ASSERT_TRUE(host.ok());
    DrawPanel& canvas = host.canvas();
    canvas.SetWidth(20);
    canvas.SetHeight(8);
    canvas.Clear();
    first = canvas.ExportBitmap();
    firstBytes.assign(first.data(), first.data() + first.size());
    canvas.DrawPicture(id, 2, 1);
    second = canvas.ExportBitmap();
    secondBytes.assign(second.data(), second.data() + second.size());
    EXPECT_EQ(Bytes(first.data(), first.data() + first.size()), firstBytes) << "after drawing";
    canvas.Clear();
    EXPECT_EQ(Bytes(second.data(), second.data() + second.size()), secondBytes) << "after clear";
    canvas.DrawPicture(id, 0, 0);
    third = canvas.ExportBitmap();
    canvas.SetWidth(30);
    canvas.SetHeight(3);
    EXPECT_EQ(Bytes(second.data(), second.data() + second.size()), secondBytes) << "after resize";
  }
  UnloadPicture(id);
  // The canvas and its window are gone; the blocks still hold their images.
  Rgb expected(20, 8);
  EXPECT_TRUE(SameBmpImage(firstBytes, ExpectedBmpImage(expected)));
  expected.Paste(picture, 2, 1);
  EXPECT_TRUE(SameBmpImage(secondBytes, ExpectedBmpImage(expected)));
  EXPECT_EQ(Bytes(second.data(), second.data() + second.size()), secondBytes);
  Rgb third20x8(20, 8);
  third20x8.Paste(picture, 0, 0);
  EXPECT_TRUE(SameBmpImage(Bytes(third.data(), third.data() + third.size()),
                           ExpectedBmpImage(third20x8)));
}

TEST_F(CanvasTest, ExportingTwiceGivesTheSameImage) {
  Resize(13, 7);
  canvas().DrawPicture(LoadBmp(Pattern(5, 5, 14)), 4, 1);
  const ByteBlock a = canvas().ExportBitmap();
  const ByteBlock b = canvas().ExportBitmap();
  EXPECT_EQ(Bytes(a.data(), a.data() + a.size()), Bytes(b.data(), b.data() + b.size()));
}

TEST_F(CanvasTest, DrawsAPictureWithEachPixelInPlace) {
  Resize(20, 10);
  canvas().Clear();
  const Rgb picture = Pattern(7, 5, 2);
  canvas().DrawPicture(LoadBmp(picture), 3, 2);
  Rgb expected(20, 10);
  expected.Paste(picture, 3, 2);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
}

TEST_F(CanvasTest, TopDownAndBottomUpFilesDrawTheSameWayUp) {
  Resize(9, 7);
  const Rgb picture = Pattern(9, 7, 3);
  canvas().DrawPicture(LoadBmp(picture, true), 0, 0);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), picture));
}

struct Place {
  const char* what;
  int32_t x, y;
};

TEST_F(CanvasTest, WhatFallsOutsideTheCanvasIsCutOff) {
  constexpr int32_t W = 40, H = 30;
  const Rgb picture = Pattern(16, 12, 4);
  const PictureId id = LoadBmp(picture);
  const Place places[] = {
      {"left 10 columns outside", -10, 5},
      {"only the top 5 rows inside", 0, H - 5},
      {"bottom-right corner outside", W - 3, H - 2},
      {"top-left corner outside", -3, -4},
      {"right edge cut", W - 10, 0},
      {"just left of the canvas", -16, 0},
      {"just above the canvas", 0, -12},
      {"just right of the canvas", W, 0},
      {"just below the canvas", 0, H},
      {"far beyond", W + 1000, H + 1000},
      {"far before", -5000, -5000},
  };
  Resize(W, H);
  for (const auto& p : places) {
    SCOPED_TRACE(p.what);
    canvas().Clear();
    canvas().DrawPicture(id, p.x, p.y);
    Rgb expected(W, H);
    expected.Paste(picture, p.x, p.y);
    EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
  }
}

// Offsets the join can produce from texts such as "1e400": drawing there
// must leave the canvas as it was, not wrap round onto it.
TEST_F(CanvasTest, PlacesAtTheEndsOfTheInt32RangeDrawNothing) {
  constexpr int32_t W = 40, H = 30;
  const PictureId id = LoadBmp(Pattern(16, 12, 5));
  const Place places[] = {
      {"largest x", INT_MAX, 0},
      {"largest y", 0, INT_MAX},
      {"smallest x", INT_MIN, 0},
      {"smallest y", 0, INT_MIN},
      {"largest both", INT_MAX, INT_MAX},
      {"smallest both", INT_MIN, INT_MIN},
      {"largest x minus the width", INT_MAX - 16, 0},
      {"beyond GDI's 27-bit coordinates", 1 << 27, 1 << 27},
  };
  Resize(W, H);
  for (const auto& p : places) {
    SCOPED_TRACE(p.what);
    canvas().Clear();
    canvas().DrawPicture(id, p.x, p.y);
    EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), Solid(W, H, kWhite)));
  }
}

TEST_F(CanvasTest, ALaterPictureCoversAnEarlierOne) {
  Resize(30, 20);
  canvas().Clear();
  const Rgb first = Pattern(20, 15, 6);
  const Rgb second = Pattern(12, 10, 7);
  canvas().DrawPicture(LoadBmp(first), 0, 0);
  canvas().DrawPicture(LoadBmp(second), 14, 8);
  Rgb expected(30, 20);
  expected.Paste(first, 0, 0);
  expected.Paste(second, 14, 8);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
}

TEST_F(CanvasTest, AnUnloadedPictureDrawsNothing) {
  Resize(20, 20);
  canvas().Clear();
  const PictureId id = LoadBmp(Pattern(10, 10, 8));
  UnloadPicture(id);
  canvas().DrawPicture(id, 0, 0);
  canvas().DrawPicture(0, 0, 0);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), Solid(20, 20, kWhite)));
}

TEST_F(CanvasTest, ResizingKeepsTheTopLeftOfTheContent) {
  Resize(100, 50);
  const Rgb content = Pattern(100, 50, 9);
  canvas().DrawPicture(LoadBmp(content), 0, 0);
  canvas().SetWidth(150);
  canvas().SetHeight(40);
  Rgb expected(150, 40);
  expected.Paste(content, 0, 0);  // top-left 100 x 40 kept, new columns white
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
}

TEST_F(CanvasTest, PixelsCutOffByAShrinkDoNotComeBack) {
  Resize(60, 40);
  const Rgb content = Pattern(60, 40, 10);
  canvas().DrawPicture(LoadBmp(content), 0, 0);
  Resize(25, 15);
  Resize(60, 40);
  Rgb expected(60, 40);
  Rgb kept(25, 15);
  kept.Paste(content, 0, 0);
  expected.Paste(kept, 0, 0);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
  EXPECT_EQ(canvas().drawPosition().x, 0);
  EXPECT_EQ(canvas().drawPosition().y, 0);
}

struct SideCase {
  int32_t set;
  int32_t side;   // what the canvas reports
  int32_t image;  // backing image width
};

TEST_F(CanvasTest, WidthIsClampedToZeroThrough32627) {
  const SideCase cases[] = {
      {40000, 32627, 32627}, {32627, 32627, 32627}, {32628, 32627, 32627},
      {INT_MAX, 32627, 32627}, {-5, 0, 1}, {INT_MIN, 0, 1}, {0, 0, 1}, {1, 1, 1}, {57, 57, 57},
  };
  canvas().SetHeight(2);
  for (const auto& c : cases) {
    SCOPED_TRACE("width " + std::to_string(c.set));
    canvas().SetWidth(c.set);
    EXPECT_EQ(canvas().width(), c.side);
    RECT client{};
    GetClientRect(canvas().hwnd(), &client);
    EXPECT_EQ(client.right, c.side);
    EXPECT_EQ(client.bottom, 2);
    ASSERT_TRUE(canvas().HasBackingImage());
    EXPECT_EQ(canvas().BackingWidth(), c.image);
    EXPECT_EQ(canvas().BackingHeight(), 2);
  }
}

TEST_F(CanvasTest, HeightIsClampedToZeroThrough32627) {
  const SideCase cases[] = {{40000, 32627, 32627}, {-5, 0, 1}, {33, 33, 33}};
  canvas().SetWidth(2);
  for (const auto& c : cases) {
    SCOPED_TRACE("height " + std::to_string(c.set));
    canvas().SetHeight(c.set);
    EXPECT_EQ(canvas().height(), c.side);
    RECT client{};
    GetClientRect(canvas().hwnd(), &client);
    EXPECT_EQ(client.bottom, c.side);
    ASSERT_TRUE(canvas().HasBackingImage());
    EXPECT_EQ(canvas().BackingHeight(), c.image);
  }
}

// Width and height are outer sizes; the backing image has the client size,
// which a frame makes smaller.
TEST(CanvasWithAFrame, HasABackingImageOfItsClientSize) {
  DrawPanelSettings settings = Canvas1Settings();
  settings.border = 1;
  CanvasHost host(settings);
  ASSERT_TRUE(host.ok());
  DrawPanel& canvas = host.canvas();
  canvas.SetWidth(40);
  canvas.SetHeight(20);
  RECT client{};
  GetClientRect(canvas.hwnd(), &client);
  ASSERT_LT(client.right, 40) << "no frame";
  EXPECT_EQ(canvas.width(), 40);
  EXPECT_EQ(canvas.BackingWidth(), client.right);
  EXPECT_EQ(canvas.BackingHeight(), client.bottom);
  canvas.Clear();
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas), Solid(client.right, client.bottom, kWhite)));
  // Narrower than its frame: the client area is empty, the image 1 wide.
  canvas.SetWidth(1);
  EXPECT_EQ(canvas.BackingWidth(), 1);
}

TEST_F(CanvasTest, AWidthOfZeroStillHasAOnePixelWideImage) {
  Resize(-5, 3);
  ASSERT_TRUE(canvas().HasBackingImage());
  canvas().Clear();
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), Solid(1, 3, kWhite)));
  EXPECT_EQ(canvas().ExportBitmap().size(), 54u + 4 * 3);
}

TEST_F(CanvasTest, SettingTheSameSizeAgainKeepsTheContent) {
  Resize(20, 10);
  const Rgb content = Pattern(20, 10, 11);
  canvas().DrawPicture(LoadBmp(content), 0, 0);
  Resize(20, 10);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), content));
}

// 32627 x 32627 at 3 bytes a pixel is about 3 GB: no backing image of that
// size is made, and a hidden canvas has nothing else to export.
TEST_F(CanvasTest, ACanvasTooLargeForItsImageExportsNothingWhileHidden) {
  Resize(32627, 32627);
  EXPECT_EQ(canvas().width(), 32627);
  EXPECT_EQ(canvas().height(), 32627);
  EXPECT_FALSE(canvas().HasBackingImage());
  canvas().Clear();
  canvas().DrawPicture(LoadBmp(Pattern(4, 4, 12)), 0, 0);  // must not crash
  EXPECT_TRUE(canvas().ExportBitmap().empty());

  // A later size that fits gets a backing image again, all background.
  canvas().SetHeight(10);
  ASSERT_TRUE(canvas().HasBackingImage());
  EXPECT_EQ(canvas().BackingWidth(), 32627);
  EXPECT_EQ(canvas().BackingHeight(), 10);
  canvas().SetWidth(64);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), Solid(64, 10, kWhite)));
}

TEST(CanvasWithoutBackingImage, HiddenExportsAnEmptyBlock) {
  DrawPanelSettings settings = Canvas1Settings();
  settings.autoRedraw = 0;
  CanvasHost host(settings);
  ASSERT_TRUE(host.ok());
  EXPECT_FALSE(host.canvas().HasBackingImage());
  host.canvas().SetWidth(30);
  host.canvas().SetHeight(20);
  host.canvas().Clear();
  EXPECT_FALSE(host.canvas().HasBackingImage());
  EXPECT_TRUE(host.canvas().ExportBitmap().empty());
}

TEST(CanvasWithoutBackingImage, ShownExportsASnapshotOfItsClientSize) {
  DrawPanelSettings settings = Canvas1Settings();
  settings.autoRedraw = 0;
  CanvasHost host(settings, true);
  ASSERT_TRUE(host.ok());
  ASSERT_TRUE(IsWindowVisible(host.canvas().hwnd()));
  UpdateWindow(host.canvas().hwnd());
  const ByteBlock block = host.canvas().ExportBitmap();
  const Bytes image(block.data(), block.data() + block.size());
  Rgb snapshot;
  ASSERT_TRUE(ReadBmpImage(image, &snapshot));
  EXPECT_EQ(snapshot.width, 56);
  EXPECT_EQ(snapshot.height, 32);
}

// A one-bit picture takes the drawing context's text colour for 0 bits and
// its background colour for 1 bits; on 画板1 both are white.
Picture MonoPicture(int32_t width, int32_t height, const std::vector<Bytes>& rows) {
  Picture p;
  p.kind = PictureKind::Pcx1;
  p.width = width;
  p.height = height;
  EXPECT_TRUE(p.pixels.Allocate(PixelFormat::Mono1, width, height));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = p.pixels.Row(y);
    for (size_t i = 0; i < p.pixels.stride; ++i) row[i] = i < rows[y].size() ? rows[y][i] : 0;
  }
  return p;
}

// A 24-bit DIB section selected into a memory DC, filled with one colour.
class DibTarget {
 public:
  DibTarget(int32_t w, int32_t h, uint32_t fill) : w_(w), h_(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                               nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) Set(x, y, fill);
  }
  ~DibTarget() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  HDC dc() const { return dc_; }
  Rgb Pixels() const {
    GdiFlush();
    Rgb p(w_, h_);
    for (int32_t y = 0; y < h_; ++y) {
      for (int32_t x = 0; x < w_; ++x) {
        const uint8_t* q = bits_ + Stride() * y + 3 * x;
        p.At(x, y) = uint32_t{q[2]} << 16 | uint32_t{q[1]} << 8 | q[0];
      }
    }
    return p;
  }

 private:
  size_t Stride() const { return (static_cast<size_t>(w_) * 3 + 3) / 4 * 4; }
  void Set(int32_t x, int32_t y, uint32_t c) {
    uint8_t* q = bits_ + Stride() * y + 3 * x;
    q[0] = static_cast<uint8_t>(c);
    q[1] = static_cast<uint8_t>(c >> 8);
    q[2] = static_cast<uint8_t>(c >> 16);
  }
  int32_t w_, h_;
  HBITMAP bitmap_ = nullptr;
  uint8_t* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

COLORREF Ref(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

TEST(RenderMonochrome, ZeroBitsTakeTheTextColourAndOneBitsTheBackground) {
  // 10 x 3: row 0 alternating, row 1 all ones, row 2 all zeros (2 bytes a row).
  const std::vector<Bytes> rows = {{0xAA, 0x80}, {0xFF, 0xC0}, {0x00, 0x00}};
  const Picture picture = MonoPicture(10, 3, rows);
  constexpr uint32_t text = 0xC02010, back = 0x1030E0, around = 0x00FF00;
  DibTarget target(14, 5, around);
  SetTextColor(target.dc(), Ref(text));
  SetBkColor(target.dc(), Ref(back));
  SetBkMode(target.dc(), TRANSPARENT);  // as the canvas sets it: no effect on a copy
  RenderPicture(&picture, target.dc(), 2, 1, -1, -1, SRCCOPY);
  Rgb expected(14, 5, around);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 10; ++x) {
      const bool one = (rows[y][x / 8] >> (7 - x % 8)) & 1;
      expected.At(2 + x, 1 + y) = one ? back : text;
    }
  }
  EXPECT_TRUE(SamePixels(target.Pixels(), expected));
}

TEST(RenderMonochrome, ARowOfAnOddNumberOfBytesStaysAligned) {
  // 20 pixels need 3 bytes; rows in memory are padded to 4.
  const std::vector<Bytes> rows = {{0xF0, 0x0F, 0xA0}, {0x0F, 0xF0, 0x50}};
  const Picture picture = MonoPicture(20, 2, rows);
  DibTarget target(20, 2, 0x808080);
  SetTextColor(target.dc(), RGB(0, 0, 0));
  SetBkColor(target.dc(), RGB(255, 255, 255));
  RenderPicture(&picture, target.dc(), 0, 0, -1, -1, SRCCOPY);
  Rgb expected(20, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 20; ++x)
      expected.At(x, y) = (rows[y][x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0x000000;
  EXPECT_TRUE(SamePixels(target.Pixels(), expected));
}

TEST(RenderPicture, NothingIsDrawnWithoutAPictureOrAKind) {
  DibTarget target(4, 4, 0x123456);
  RenderPicture(nullptr, target.dc(), 0, 0, -1, -1, SRCCOPY);
  Picture unknown;
  RenderPicture(&unknown, target.dc(), 0, 0, -1, -1, SRCCOPY);
  Picture mono = MonoPicture(4, 4, {{0}, {0}, {0}, {0}});
  RenderPicture(&mono, nullptr, 0, 0, -1, -1, SRCCOPY);
  EXPECT_TRUE(SamePixels(target.Pixels(), Solid(4, 4, 0x123456)));
}

TEST(RenderPicture, AnExplicitSizeStretches) {
  Picture p;
  p.kind = PictureKind::Bmp;
  p.width = 2;
  p.height = 2;
  ASSERT_TRUE(p.pixels.Allocate(PixelFormat::Bgr24, 2, 2));
  const uint32_t colors[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFF00}};
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 2; ++x) {
      uint8_t* q = p.pixels.Row(y) + 3 * x;
      q[0] = static_cast<uint8_t>(colors[y][x]);
      q[1] = static_cast<uint8_t>(colors[y][x] >> 8);
      q[2] = static_cast<uint8_t>(colors[y][x] >> 16);
    }
  }
  DibTarget target(4, 4, 0);
  RenderPicture(&p, target.dc(), 0, 0, 4, 4, SRCCOPY);
  const Rgb got = target.Pixels();
  // Whatever the smoothing, each quarter's centre-most pixel is its colour.
  EXPECT_EQ(Hex(got.At(0, 0)), Hex(colors[0][0]));
  EXPECT_EQ(Hex(got.At(3, 0)), Hex(colors[0][1]));
  EXPECT_EQ(Hex(got.At(0, 3)), Hex(colors[1][0]));
  EXPECT_EQ(Hex(got.At(3, 3)), Hex(colors[1][1]));
}

// A GIF's first image is drawn at the picture's top-left corner whatever
// place the file gives it; nothing is drawn beyond the logical screen.
TEST_F(CanvasTest, AGifShowsItsFirstImageAtItsTopLeftCorner) {
  Resize(20, 14);
  const Rgb image = Pattern(4, 3, 15);
  const PictureId id = LoadFromBytes(folder_, "g.gif", GifFile(image, 10, 8, 3, 2));
  ASSERT_NE(id, 0u);
  loaded_.push_back(id);
  EXPECT_EQ(FindPicture(id)->width, 10);
  EXPECT_EQ(FindPicture(id)->height, 8);
  canvas().DrawPicture(id, 2, 1);
  const Rgb got = CanvasPixels(canvas());
  for (int32_t y = 0; y < 14; ++y) {
    for (int32_t x = 0; x < 20; ++x) {
      const bool inImage = x >= 2 && x < 6 && y >= 1 && y < 4;
      const bool inScreen = x >= 2 && x < 12 && y >= 1 && y < 9;
      if (inImage) {
        EXPECT_EQ(Hex(got.At(x, y)), Hex(image.At(x - 2, y - 1))) << x << ", " << y;
      } else if (!inScreen) {
        EXPECT_EQ(Hex(got.At(x, y)), Hex(kWhite)) << x << ", " << y;
      }
    }
  }
}

TEST_F(CanvasTest, A256ColourPictureShowsItsPaletteColours) {
  Resize(12, 6);
  Rgb picture(7, 3);  // odd width: the file's lines have one byte more
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 7; ++x) picture.At(x, y) = 0x102030u * (x + 1) + 0x050000u * y;
  const PictureId id = LoadFromBytes(folder_, "p.pcx", Pcx8File(picture));
  ASSERT_NE(id, 0u);
  loaded_.push_back(id);
  ASSERT_EQ(FindPicture(id)->kind, PictureKind::Pcx8);
  canvas().DrawPicture(id, 3, 2);
  Rgb expected(12, 6);
  expected.Paste(picture, 3, 2);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
}

// The canvas of a large join: 20000 x 10000 at 3 bytes a pixel, 600 MB.
TEST_F(CanvasTest, ALargeCanvasHoldsItsWholePicture) {
  Resize(20000, 10000);
  ASSERT_TRUE(canvas().HasBackingImage());
  const Rgb picture = Pattern(30, 20, 16);
  const PictureId id = LoadBmp(picture);
  canvas().DrawPicture(id, 19990, 9990);  // cut at both far edges
  canvas().DrawPicture(id, 0, 0);
  const ByteBlock block = canvas().ExportBitmap();
  ASSERT_EQ(block.size(), 54u + 60000u * 10000u);
  // Bottom-up rows: the canvas's top row is the file's last.
  auto pixel = [&](int32_t x, int32_t y) {
    const uint8_t* p = block.data() + 54 + size_t{60000} * (9999 - y) + 3 * size_t(x);
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  };
  EXPECT_EQ(Hex(pixel(0, 0)), Hex(picture.At(0, 0)));
  EXPECT_EQ(Hex(pixel(29, 19)), Hex(picture.At(29, 19)));
  EXPECT_EQ(Hex(pixel(30, 0)), Hex(kWhite));
  EXPECT_EQ(Hex(pixel(19990, 9990)), Hex(picture.At(0, 0)));
  EXPECT_EQ(Hex(pixel(19999, 9999)), Hex(picture.At(9, 9)));
  EXPECT_EQ(Hex(pixel(19989, 9999)), Hex(kWhite));
  EXPECT_EQ(Hex(pixel(10000, 5000)), Hex(kWhite));
}

// 画板1 draws in white on white: a monochrome PCX leaves a white rectangle.
TEST_F(CanvasTest, AMonochromePictureOnTheJoinCanvasComesOutWhite) {
  Resize(24, 8);
  // Something dark underneath, so "white" cannot come from the clear alone.
  canvas().DrawPicture(LoadBmp(Solid(24, 8, 0x000080)), 0, 0);
  const std::vector<Bytes> rows(6, Bytes{0xA5, 0x5A});
  const PictureId id = LoadFromBytes(folder_, "mono.pcx", Pcx1File(16, 6, rows));
  ASSERT_NE(id, 0u);
  loaded_.push_back(id);
  ASSERT_EQ(FindPicture(id)->kind, PictureKind::Pcx1);
  canvas().DrawPicture(id, 4, 1);
  Rgb expected(24, 8, 0x000080);
  expected.Paste(Solid(16, 6, kWhite), 4, 1);
  EXPECT_TRUE(SamePixels(CanvasPixels(canvas()), expected));
}

}  // namespace
}  // namespace picjoin::testing
