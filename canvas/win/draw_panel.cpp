#include "canvas/win/draw_panel.h"

#include <algorithm>
#include <cstring>

#include "canvas/bmp_file_image.h"
#include "picture/win/render_picture.h"

namespace picjoin {

namespace {

constexpr char kClassName[] = "PicjoinDrawPanel";

bool RegisterPanelClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc;
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  std::memset(&wc, 0, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // the panel paints its own background
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

// Fills `rows` bottom-up 24-bit rows of `width` pixels with one colour.
void FillRows(uint8_t* bits, size_t stride, int32_t width, int32_t rows, COLORREF color) {
  const uint8_t b = GetBValue(color), g = GetGValue(color), r = GetRValue(color);
  if (b == g && g == r) {
    std::memset(bits, b, stride * static_cast<size_t>(rows));
    return;
  }
  uint8_t* first = bits;
  for (int32_t x = 0; x < width; ++x) {
    first[3 * x] = b;
    first[3 * x + 1] = g;
    first[3 * x + 2] = r;
  }
  for (int32_t y = 1; y < rows; ++y) std::memcpy(bits + stride * y, first, stride);
}

}  // namespace

int32_t ClampControlSide(int32_t value) { return std::clamp(value, 0, kMaxControlSide); }

DrawPanel::~DrawPanel() { Destroy(); }

bool DrawPanel::Create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                       const DrawPanelSettings& settings, bool visible) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterPanelClass(instance, &DrawPanel::WindowProc)) return false;
  settings_ = settings;
  width_ = ClampControlSide(width);
  height_ = ClampControlSide(height);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
  if (settings_.border != 0) style |= WS_BORDER;
  hwnd_ = CreateWindowExA(0, kClassName, nullptr, style, x, y, width_, height_, parent, nullptr,
                          instance, this);
  if (hwnd_ == nullptr) return false;
  ClientSizeChanged();
  return true;
}

void DrawPanel::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // WM_NCDESTROY releases the image
  hwnd_ = nullptr;
  // Also when the window is gone already: the image belongs to the panel.
  ReleaseBackingImage();
}

void DrawPanel::ReleaseBackingImage() {
  if (backingDC_ != nullptr) {
    SelectObject(backingDC_, backingOldBitmap_);
    DeleteDC(backingDC_);
    backingDC_ = nullptr;
  }
  backingBitmap_.Reset();
  backingBits_ = nullptr;
  backingWidth_ = backingHeight_ = 0;
}

LRESULT CALLBACK DrawPanel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    // Bind the panel object to its window before any other message.
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<DrawPanel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      if (self != nullptr) {
        self->OnPaint();
        return 0;
      }
      break;
    case WM_NCDESTROY:
      if (self != nullptr) self->hwnd_ = nullptr;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void DrawPanel::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const RECT& r = ps.rcPaint;
  if (backingDC_ != nullptr) {
    GdiFlush();
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, backingDC_, r.left, r.top, SRCCOPY);
  } else {
    ScopedBrush brush(CreateSolidBrush(ResolvedBackColor()));
    FillRect(dc, &r, brush.get());
  }
  EndPaint(hwnd_, &ps);
}

COLORREF DrawPanel::ResolvedBackColor() const {
  if (settings_.backColor == kColorDefault) return GetSysColor(COLOR_BTNFACE);
  return settings_.backColor & 0x00FFFFFFu;
}

void DrawPanel::SetWidth(int32_t width) {
  const int32_t w = ClampControlSide(width);
  const bool changed = w != width_;
  width_ = w;
  if (hwnd_ != nullptr) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (changed) ClientSizeChanged();
}

void DrawPanel::SetHeight(int32_t height) {
  const int32_t h = ClampControlSide(height);
  const bool changed = h != height_;
  height_ = h;
  if (hwnd_ != nullptr) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (changed) ClientSizeChanged();
}

void DrawPanel::ClientSizeChanged() {
  drawPosition_ = POINT{0, 0};
  ResizeBackingImage();
}

// A new image of the client size (at least 1 x 1), filled with the
// background, with the old image's top-left part copied in.
void DrawPanel::ResizeBackingImage() {
  if (settings_.autoRedraw != 1) return;
  // With border 0 the client area is the whole window.
  const int32_t w = std::max<int32_t>(width_, 1);
  const int32_t h = std::max<int32_t>(height_, 1);

  ScopedBitmap bitmap;
  void* bits = nullptr;
  const uint64_t stride = Bmp24Stride(static_cast<uint32_t>(w));
  const uint64_t bytes = stride * static_cast<uint64_t>(h);
  if (bytes <= 0x7FFFFFFFu && bytes <= SIZE_MAX) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as the BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  }
  HDC dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
  if (dc == nullptr) {
    // No memory for this size: the canvas goes on without a backing image.
    ReleaseBackingImage();
    return;
  }
  HGDIOBJ old = SelectObject(dc, bitmap.get());
  auto* newBits = static_cast<uint8_t*>(bits);
  FillRows(newBits, static_cast<size_t>(stride), w, h, ResolvedBackColor());

  if (backingBits_ != nullptr && backingWidth_ > 0 && backingHeight_ > 0) {
    GdiFlush();
    const size_t oldStride = static_cast<size_t>(Bmp24Stride(backingWidth_));
    const int32_t cw = std::min(w, backingWidth_);
    const int32_t ch = std::min(h, backingHeight_);
    for (int32_t y = 0; y < ch; ++y) {  // y counted from the top
      const uint8_t* from = backingBits_ + oldStride * (backingHeight_ - 1 - y);
      uint8_t* to = newBits + static_cast<size_t>(stride) * (h - 1 - y);
      std::memcpy(to, from, static_cast<size_t>(cw) * 3);
    }
  }

  if (backingDC_ != nullptr) {
    SelectObject(backingDC_, backingOldBitmap_);
    DeleteDC(backingDC_);
  }
  backingBitmap_ = std::move(bitmap);
  backingDC_ = dc;
  backingOldBitmap_ = old;
  backingBits_ = newBits;
  backingWidth_ = w;
  backingHeight_ = h;
}

void DrawPanel::PrepareDrawingState(HDC dc) const {
  SetMapMode(dc, MM_TEXT);  // pixels, origin top-left, y downward
  SetTextColor(dc, settings_.brushColor & 0x00FFFFFFu);
  if (settings_.textBackColor == kColorDefault) {
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, ResolvedBackColor());
  } else {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, settings_.textBackColor & 0x00FFFFFFu);
  }
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  const bool deep = EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel > 16;
  SetStretchBltMode(dc, deep ? HALFTONE : COLORONCOLOR);
}

// Runs a drawing command on the backing image, then on the window. Drawing
// on a hidden window changes nothing on screen, so it is left out then.
template <typename Command>
void DrawPanel::OnEachTarget(Command command) {
  if (backingDC_ != nullptr) {
    PrepareDrawingState(backingDC_);
    command(backingDC_, true);
    SetMapMode(backingDC_, MM_TEXT);
  }
  if (hwnd_ != nullptr && IsWindowVisible(hwnd_)) {
    WindowDC dc(hwnd_);
    if (dc.get() != nullptr) {
      PrepareDrawingState(dc.get());
      command(dc.get(), false);
      SetMapMode(dc.get(), MM_TEXT);
    }
  }
}

void DrawPanel::Clear() {
  const COLORREF color = ResolvedBackColor();
  OnEachTarget([&](HDC dc, bool isBacking) {
    if (isBacking) {
      GdiFlush();
      FillRows(backingBits_, static_cast<size_t>(Bmp24Stride(backingWidth_)), backingWidth_,
               backingHeight_, color);
      return;
    }
    RECT all{0, 0, width_, height_};
    ScopedBrush brush(CreateSolidBrush(color));
    FillRect(dc, &all, brush.get());
  });
  drawPosition_ = POINT{0, 0};
}

void DrawPanel::DrawPicture(PictureId picture, int32_t x, int32_t y) {
  if (!IsPictureLoaded(picture)) return;
  const Picture* p = FindPicture(picture);
  OnEachTarget([&](HDC dc, bool) { RenderPicture(p, dc, x, y, -1, -1, SRCCOPY); });
}

ByteBlock DrawPanel::ExportBitmap() {
  ByteBlock block;
  if (backingDC_ == nullptr) return SnapshotBitmap();
  // The backing image is already 24-bit bottom-up rows with the BMP stride:
  // the file image is the header followed by one copy of its memory.
  const size_t bytes = Bmp24FileBytes(backingWidth_, backingHeight_);
  if (bytes == 0 || !block.Allocate(bytes)) return ByteBlock();
  GdiFlush();
  WriteBmp24Header(block.data(), backingWidth_, backingHeight_);
  std::memcpy(block.data() + kBmpHeaderBytes, backingBits_, bytes - kBmpHeaderBytes);
  return block;
}

// Without a backing image the canvas can only give what its window shows.
// A hidden window shows nothing of the picture, so that gives no block.
ByteBlock DrawPanel::SnapshotBitmap() {
  if (hwnd_ == nullptr || !IsWindowVisible(hwnd_)) return ByteBlock();
  RECT client;
  GetClientRect(hwnd_, &client);
  const int32_t w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return ByteBlock();
  WindowDC windowDC(hwnd_);
  if (windowDC.get() == nullptr) return ByteBlock();
  ScopedBitmap shot(CreateCompatibleBitmap(windowDC.get(), w, h));
  if (!shot) return ByteBlock();
  {
    ScopedMemoryDC memory(windowDC.get());
    if (memory.get() == nullptr) return ByteBlock();
    SelectGuard select(memory.get(), shot.get());
    BitBlt(memory.get(), 0, 0, w, h, windowDC.get(), 0, 0, SRCCOPY);
  }
  const size_t bytes = Bmp24FileBytes(w, h);
  ByteBlock block;
  if (bytes == 0 || !block.Allocate(bytes)) return ByteBlock();
  WriteBmp24Header(block.data(), w, h);
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(windowDC.get(), shot.get(), 0, h, block.data() + kBmpHeaderBytes, &info,
                DIB_RGB_COLORS) == 0) {
    return ByteBlock();
  }
  return block;
}

}  // namespace picjoin
