#include "canvas/win/draw_panel.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/split_work.h"
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

// Fills `rows` bottom-up 24-bit rows of `width` pixels with one colour. A
// new backing image is filled here for the first time, so large fills are
// shared among the cores.
void FillRows(uint8_t* bits, size_t stride, int32_t width, int32_t rows, COLORREF color) {
  const uint8_t blue = GetBValue(color), green = GetGValue(color), red = GetRValue(color);
  const size_t rowsPerPart = std::max<size_t>(1, (4u << 20) / stride);
  SplitWork(static_cast<size_t>(rows), rowsPerPart, [&](size_t first, size_t last) {
    uint8_t* start = bits + stride * first;
    if (blue == green && green == red) {
      std::memset(start, blue, stride * (last - first));
      return;
    }
    for (int32_t x = 0; x < width; ++x) {
      start[3 * x] = blue;
      start[3 * x + 1] = green;
      start[3 * x + 2] = red;
    }
    for (size_t y = first + 1; y < last; ++y) std::memcpy(bits + stride * y, start, stride);
  });
}

// Rows of the DIB kept below the image proper: in a bottom-up DIB they come
// first in memory, so the exported file's 54 header bytes fit in them just
// before the image's rows. They lie outside the client area: nothing shows
// them, and only an export writes into them.
int32_t HeaderRowsFor(uint64_t stride) {
  return static_cast<int32_t>((kBmpHeaderBytes + stride - 1) / stride);
}

}  // namespace

// The backing image: a 24-bit bottom-up DIB section, selected into its own
// memory DC, with header rows below it (see HeaderRowsFor). Shared with
// exported blocks, which keep it alive.
struct DrawPanel::BackingImage {
  ScopedBitmap bitmap;
  HDC dc = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  uint8_t* bits = nullptr;  // the image's bottom row; header rows lie before it
  int32_t width = 0;
  int32_t height = 0;  // the image's, header rows not counted
  size_t stride = 0;

  BackingImage() = default;
  BackingImage(const BackingImage&) = delete;
  BackingImage& operator=(const BackingImage&) = delete;
  ~BackingImage() {
    if (dc != nullptr) {
      SelectObject(dc, oldBitmap);
      DeleteDC(dc);
    }
  }

  size_t PixelBytes() const { return stride * static_cast<size_t>(height); }
  uint8_t* RowFromTop(int32_t y) const { return bits + stride * static_cast<size_t>(height - 1 - y); }

  // Allocates a w x h image; nullptr when the memory cannot be had.
  static std::shared_ptr<BackingImage> Create(int32_t w, int32_t h);
};

std::shared_ptr<DrawPanel::BackingImage> DrawPanel::BackingImage::Create(int32_t w, int32_t h) {
  const uint64_t stride = Bmp24Stride(static_cast<uint32_t>(w));
  const int32_t headerRows = HeaderRowsFor(stride);
  const uint64_t dibHeight = static_cast<uint64_t>(h) + static_cast<uint64_t>(headerRows);
  if (stride * dibHeight > 0x7FFFFFFFu || stride * dibHeight > SIZE_MAX) return nullptr;

  auto image = std::shared_ptr<BackingImage>(new (std::nothrow) BackingImage);
  if (!image) return nullptr;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = static_cast<LONG>(dibHeight);  // bottom-up, as the BMP file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;

  // Ordinary process memory, not a section: under Wine a section is a file
  // on disk, and filling a large one the first time costs twice as long.
  void* bits = nullptr;
  image->bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!image->bitmap || bits == nullptr) return nullptr;
  image->dc = CreateCompatibleDC(nullptr);
  if (image->dc == nullptr) return nullptr;
  image->oldBitmap = SelectObject(image->dc, image->bitmap.get());
  image->bits = static_cast<uint8_t*>(bits) + stride * static_cast<uint64_t>(headerRows);
  image->width = w;
  image->height = h;
  image->stride = static_cast<size_t>(stride);
  return image;
}

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
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  // Also when the window is gone already: the image belongs to the panel.
  ReleaseBackingImage();
}

void DrawPanel::ReleaseBackingImage() {
  backing_.reset();
  dirtyTop_ = dirtyBottom_ = 0;
}

const uint8_t* DrawPanel::BackingPixels() const {
  if (!backing_) return nullptr;
  GdiFlush();
  return backing_->bits;
}

int32_t DrawPanel::BackingWidth() const { return backing_ ? backing_->width : 0; }
int32_t DrawPanel::BackingHeight() const { return backing_ ? backing_->height : 0; }

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
  if (backing_) {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, backing_->dc, r.left, r.top, SRCCOPY);
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
  // The client size: the outer size less the frame, if there is one.
  int32_t clientW = width_, clientH = height_;
  RECT client;
  if (hwnd_ != nullptr && settings_.border != 0 && GetClientRect(hwnd_, &client)) {
    clientW = client.right;
    clientH = client.bottom;
  }
  const int32_t w = std::max<int32_t>(clientW, 1);
  const int32_t h = std::max<int32_t>(clientH, 1);
  // The old image goes first when nothing else holds it, so that a large
  // canvas and its successor need not fit in memory together; its content
  // is needed only where it may differ from the background.
  // Rows outside the dirty range count as background only while they
  // still hold the background of the moment.
  const COLORREF color = ResolvedBackColor();
  std::shared_ptr<BackingImage> old = std::move(backing_);
  int32_t keepTop = 0, keepBottom = 0;
  if (old) {
    const bool cleanIsBackground = cleanColor_ == color;
    keepTop = cleanIsBackground ? std::min(dirtyTop_, h) : 0;
    keepBottom = std::min(cleanIsBackground ? dirtyBottom_ : old->height, std::min(h, old->height));
  }
  if (old && keepTop >= keepBottom && old.use_count() == 1) old.reset();

  std::shared_ptr<BackingImage> image = BackingImage::Create(w, h);
  dirtyTop_ = dirtyBottom_ = 0;
  if (!image) return;  // the canvas goes on without a backing image
  FillRows(image->bits, image->stride, w, h, color);
  cleanColor_ = color;
  if (old && keepTop < keepBottom) {
    GdiFlush();
    const size_t rowBytes = static_cast<size_t>(std::min(w, old->width)) * 3;
    for (int32_t y = keepTop; y < keepBottom; ++y) {
      std::memcpy(image->RowFromTop(y), old->RowFromTop(y), rowBytes);
    }
    dirtyTop_ = keepTop;
    dirtyBottom_ = keepBottom;
  }
  backing_ = std::move(image);
}

// An exported block shares the backing memory and must not see later
// drawing: the canvas then continues on a copy of its own.
void DrawPanel::PrepareToChangeBacking() {
  if (!backing_ || backing_.use_count() == 1) return;
  std::shared_ptr<BackingImage> copy = BackingImage::Create(backing_->width, backing_->height);
  if (!copy) {
    ReleaseBackingImage();
    return;
  }
  GdiFlush();
  std::memcpy(copy->bits, backing_->bits, backing_->PixelBytes());
  backing_ = std::move(copy);
}

void DrawPanel::MarkDrawn(int32_t x, int32_t y, int32_t w, int32_t h) {
  (void)x;
  if (!backing_ || w <= 0 || h <= 0) return;
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + h, backing_->height);
  if (top >= bottom) return;
  if (dirtyTop_ >= dirtyBottom_) {
    dirtyTop_ = static_cast<int32_t>(top);
    dirtyBottom_ = static_cast<int32_t>(bottom);
  } else {
    dirtyTop_ = std::min(dirtyTop_, static_cast<int32_t>(top));
    dirtyBottom_ = std::max(dirtyBottom_, static_cast<int32_t>(bottom));
  }
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
  PrepareToChangeBacking();
  if (backing_) {
    PrepareDrawingState(backing_->dc);
    command(backing_->dc, true);
    SetMapMode(backing_->dc, MM_TEXT);
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
      // Rows outside the dirty range hold the background already.
      GdiFlush();
      BackingImage& image = *backing_;
      if (cleanColor_ != color) {
        FillRows(image.bits, image.stride, image.width, image.height, color);
        cleanColor_ = color;
      } else if (dirtyTop_ < dirtyBottom_) {
        FillRows(image.RowFromTop(dirtyBottom_ - 1), image.stride, image.width,
                 dirtyBottom_ - dirtyTop_, color);
      }
      dirtyTop_ = dirtyBottom_ = 0;
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
  OnEachTarget([&](HDC dc, bool isBacking) {
    RenderPicture(p, dc, x, y, -1, -1, SRCCOPY);
    if (isBacking) MarkDrawn(x, y, p->width, p->height);
  });
}

ByteBlock DrawPanel::ExportBitmap() {
  if (!backing_) return SnapshotBitmap();
  BackingImage& image = *backing_;
  const size_t bytes = Bmp24FileBytes(image.width, image.height);
  if (bytes == 0) return ByteBlock();
  GdiFlush();
  // The rows are already the file's rows: put the header in front of them
  // and hand out the memory itself.
  uint8_t* file = image.bits - kBmpHeaderBytes;
  WriteBmp24Header(file, image.width, image.height);
  return ByteBlock(std::shared_ptr<const void>(backing_), file, bytes);
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
  OwnedBuffer block;
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
  return ByteBlock(std::move(block));
}

}  // namespace picjoin
