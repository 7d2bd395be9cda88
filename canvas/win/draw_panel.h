// A canvas control: a child window that, with autoRedraw on, keeps a backing
// image of its client area into which every drawing command paints.
//
// The backing image is a 24-bit bottom-up DIB section: drawing reaches its
// pixels directly, and its rows are already in the order and format of a
// 24-bit BMP file. Its memory keeps room for the file's 54 header bytes just
// before the rows, so the export is the backing memory itself, not a copy.
// An exported block shares that memory; the canvas copies its image before
// it next changes it while such a block is alive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "base/win/scoped_win.h"
#include "canvas/byte_block.h"
#include "canvas/colors.h"
#include "picture/win/picture_registry.h"

namespace picjoin {

struct DrawPanelSettings {
  int32_t border = 0;                   // 0: no frame
  uint32_t backColor = kColorDefault;   // background
  int32_t autoRedraw = 0;               // 1: keep a backing image
  int32_t drawUnit = 0;                 // 0: pixels (the only unit used)
  uint32_t brushColor = kColorWhite;    // foreground of drawing commands
  uint32_t textBackColor = kColorDefault;  // kColorDefault: transparent
};

// Widths and heights are clamped to this (not 32767).
constexpr int32_t kMaxControlSide = 32627;

int32_t ClampControlSide(int32_t value);

class DrawPanel {
 public:
  DrawPanel() = default;
  ~DrawPanel();
  DrawPanel(const DrawPanel&) = delete;
  DrawPanel& operator=(const DrawPanel&) = delete;

  // Creates the child window at its layout place, hidden unless `visible`.
  bool Create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
              const DrawPanelSettings& settings, bool visible);
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  const DrawPanelSettings& settings() const { return settings_; }

  // Outer sizes, clamped to 0...kMaxControlSide; only that dimension changes.
  void SetWidth(int32_t width);
  void SetHeight(int32_t height);
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  void Clear();
  void DrawPicture(PictureId picture, int32_t x, int32_t y);

  // The canvas as a 24-bit BMP file image; empty when it cannot be made.
  ByteBlock ExportBitmap();

  bool HasBackingImage() const { return backing_ != nullptr; }
  // The backing image's pixels: bottom-up 24-bit rows of Bmp24Stride bytes.
  const uint8_t* BackingPixels() const;
  int32_t BackingWidth() const;
  int32_t BackingHeight() const;
  POINT drawPosition() const { return drawPosition_; }

  struct BackingImage;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void ClientSizeChanged();
  void ResizeBackingImage();
  void ReleaseBackingImage();
  void PrepareToChangeBacking();
  void MarkDrawn(int32_t x, int32_t y, int32_t w, int32_t h);
  void PrepareDrawingState(HDC dc) const;
  COLORREF ResolvedBackColor() const;
  template <typename Command>
  void OnEachTarget(Command command);
  ByteBlock SnapshotBitmap();

  HWND hwnd_ = nullptr;
  DrawPanelSettings settings_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  POINT drawPosition_{0, 0};

  // Shared with exported blocks while they live.
  std::shared_ptr<BackingImage> backing_;
  // Rows of the backing image that may hold something other than the
  // background (top inclusive, bottom exclusive, counted from the top): a
  // clear only needs to fill these.
  int32_t dirtyTop_ = 0;
  int32_t dirtyBottom_ = 0;
  // The colour of the rows outside that range. The default background is
  // looked up at each use and may have changed since they were filled.
  COLORREF cleanColor_ = 0;
};

// Writes the blocks, in order, to `path`. The bytes go to a new file in the
// same folder, which replaces the target only once every byte is written;
// on any failure the new file is removed and an existing target stays as it
// was. False for an empty path, an unwritable place, or a target that
// another program holds open.
bool WriteBytesToFile(const char* path, const ByteBlock* const* blocks, size_t count);
bool WriteBytesToFile(const char* path, const ByteBlock& block);

}  // namespace picjoin
