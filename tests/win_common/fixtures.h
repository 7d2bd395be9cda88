// Small picture files made in code for the Windows tests, the BMP file
// image a canvas is expected to export, temporary folders, and a hidden
// window to put a canvas on.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "canvas/win/draw_panel.h"

namespace picjoin::testing {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kWhite = 0xFFFFFFu;

// An upright picture: colours 0x00RRGGBB, top row first.
struct Rgb {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  Rgb() = default;
  Rgb(int32_t w, int32_t h, uint32_t fill = kWhite);
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  // Copies `picture` with its top-left corner at (x, y), cut at the edges.
  void Paste(const Rgb& picture, int32_t x, int32_t y);
};

// A picture whose every pixel has its own colour (for small sizes), so a
// shifted, mirrored or clipped drawing shows.
Rgb Pattern(int32_t width, int32_t height, uint32_t seed);
// One colour all over.
Rgb Solid(int32_t width, int32_t height, uint32_t color);

// A 24-bit BMP file; rows bottom-up, or top-down (negative height).
Bytes Bmp24File(const Rgb& picture, bool topDown = false);

// The 24-bit BMP file image a canvas holding `picture` exports (filler
// bytes 0).
Bytes ExpectedBmpImage(const Rgb& picture);

// Reads a 24-bit bottom-up BMP file image as the canvas exports it. Fails
// (adds a test failure) when the header is not of that form.
::testing::AssertionResult ReadBmpImage(const Bytes& image, Rgb* picture);

// The same file image up to the filler bytes at the end of each row (their
// values are the canvas's own business). Names the first differing pixel.
::testing::AssertionResult SameBmpImage(const Bytes& actual, const Bytes& expected);

// One image of an icon or cursor file: a bitmap with its AND mask.
struct IconPicture {
  Rgb colors;
  std::vector<bool> transparent;  // per pixel, top row first; empty: all opaque
  uint16_t bitsPerPixel = 4;      // 1, 4, 8 (with a colour table), 24 or 32
};

// The image bytes as an icon file stores them: BITMAPINFOHEADER with the
// doubled height, colour table, colour rows, mask rows, all bottom-up.
Bytes IconImageBytes(const IconPicture& picture);

struct IconDirEntry {
  uint8_t width = 0;
  uint8_t height = 0;
  uint8_t colourCount = 0;
  uint16_t planesOrHotX = 1;
  uint16_t bitCountOrHotY = 0;
  Bytes image;
};

// An icon (type 1) or cursor (type 2) file with the entries in order.
Bytes IconFile(uint16_t type, const std::vector<IconDirEntry>& entries);

// A directory entry describing `picture` as an icon file would (colour count
// 2^bits for up to 8 bits, else 0).
IconDirEntry IconEntryFor(const IconPicture& picture);

// A baseline JPEG of `picture` made with libjpeg; `grey` stores one
// component.
Bytes JpegFile(const Rgb& picture, int quality = 90, bool grey = false, bool progressive = false);

// A PNG of `picture` (8-bit RGB, stored without compression).
Bytes PngFile(const Rgb& picture);

// Decodes a JPEG with libjpeg's defaults: what the program must show of it.
Rgb DecodeJpegForTest(const Bytes& file);

// A GIF89a of `picture` as its first image (at most 256 colours), placed at
// (left, top) on a logical screen of screenWidth x screenHeight.
Bytes GifFile(const Rgb& picture, int32_t screenWidth, int32_t screenHeight, int32_t left = 0,
              int32_t top = 0);

// A 256-colour PCX (version 5) of `picture` with its palette after marker 12.
Bytes Pcx8File(const Rgb& picture);

// A monochrome PCX (version 3); bits top row first, most significant first.
Bytes Pcx1File(int32_t width, int32_t height, const std::vector<Bytes>& rows);

// A folder of its own under the temporary folder, removed with everything in
// it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);

bool WriteFileBytes(const std::string& path, const Bytes& bytes);
bool ReadFileBytes(const std::string& path, Bytes* bytes);
bool FileExists(const std::string& path);

// The settings of the program's canvas 画板1.
DrawPanelSettings Canvas1Settings();

// A hidden top-level window holding one canvas at 画板1's place and size.
class CanvasHost {
 public:
  explicit CanvasHost(const DrawPanelSettings& settings = Canvas1Settings(), bool visible = false);
  ~CanvasHost();
  CanvasHost(const CanvasHost&) = delete;
  CanvasHost& operator=(const CanvasHost&) = delete;
  bool ok() const { return ok_; }
  DrawPanel& canvas() { return canvas_; }
  HWND parent() const { return parent_; }

 private:
  HWND parent_ = nullptr;
  DrawPanel canvas_;
  bool ok_ = false;
};

// The canvas's exported pixels (a test failure when the export is not a
// well-formed image).
Rgb CanvasPixels(DrawPanel& canvas);

// Loads a picture from bytes written to a file in `folder`.
PictureId LoadFromBytes(const TempFolder& folder, const std::string& name, const Bytes& bytes);

// Describes a pixel for failure messages.
std::string Hex(uint32_t color);

// Compares two pictures; names the first pixel that differs.
::testing::AssertionResult SamePixels(const Rgb& actual, const Rgb& expected);

}  // namespace picjoin::testing
