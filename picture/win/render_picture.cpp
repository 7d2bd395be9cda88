#include "picture/win/render_picture.h"

#include <cstring>

namespace picjoin {

namespace {

// HALFTONE when the display shows more than 16 bits per pixel. It only
// matters when a picture is drawn at another size than its own.
int StretchModeForDisplay() {
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel > 16) {
    return HALFTONE;
  }
  return COLORONCOLOR;
}

// A BITMAPINFO with room for a 256-entry colour table.
struct DibHeader {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

void FillDibHeader(const PixelImage& image, DibHeader* dib) {
  std::memset(&dib->header, 0, sizeof dib->header);
  dib->header.biSize = sizeof(BITMAPINFOHEADER);
  dib->header.biWidth = image.width;
  dib->header.biHeight = image.height;  // bottom-up rows
  dib->header.biPlanes = 1;
  dib->header.biCompression = BI_RGB;
  if (image.format == PixelFormat::Indexed8) {
    dib->header.biBitCount = 8;
    dib->header.biClrUsed = 256;
    std::memcpy(dib->colors, image.palette.data(), sizeof dib->colors);
  } else {
    dib->header.biBitCount = 24;
  }
}

// Copies DIB pixels straight from the picture's memory: no device bitmap
// in between, which matters for photos of tens of megapixels.
void DrawDib(const PixelImage& image, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, DWORD rop) {
  DibHeader dib;
  FillDibHeader(image, &dib);
  StretchDIBits(dc, x, y, w, h, 0, 0, image.width, image.height, image.pixels.data(),
                reinterpret_cast<const BITMAPINFO*>(&dib), DIB_RGB_COLORS, rop);
}

// A GIF's drawable has the logical screen's size, holds the first image at
// its top-left corner and is white where that image does not reach.
ScopedBitmap MakeGifDrawable(const Picture& picture, HDC dc) {
  ScopedBitmap bitmap(CreateCompatibleBitmap(dc, picture.width, picture.height));
  if (!bitmap) return bitmap;
  ScopedMemoryDC memory(dc);
  if (memory.get() == nullptr) return ScopedBitmap();
  SelectGuard select(memory.get(), bitmap.get());
  PatBlt(memory.get(), 0, 0, picture.width, picture.height, WHITENESS);
  DrawDib(picture.pixels, memory.get(), 0, 0, picture.pixels.width, picture.pixels.height, SRCCOPY);
  return bitmap;
}

// A monochrome device bitmap from the picture's rows (top-down, rows padded
// to 2 bytes, as CreateBitmap takes them).
ScopedBitmap MakeMonoDrawable(const Picture& picture) {
  return ScopedBitmap(CreateBitmap(picture.pixels.width, picture.pixels.height, 1, 1,
                                   picture.pixels.pixels.data()));
}

void BlitBitmap(HBITMAP bitmap, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h,
                int32_t sourceW, int32_t sourceH, DWORD rop) {
  ScopedMemoryDC memory(dc);
  if (memory.get() == nullptr) return;
  SelectGuard select(memory.get(), bitmap);
  StretchBlt(dc, x, y, w, h, memory.get(), 0, 0, sourceW, sourceH, rop);
}

}  // namespace

void RenderPicture(const Picture* picture, HDC dc, int32_t x, int32_t y, int32_t width,
                   int32_t height, DWORD rop) {
  if (picture == nullptr || dc == nullptr || picture->kind == PictureKind::Unknown) return;
  const bool isIcon = picture->kind == PictureKind::Icon || picture->kind == PictureKind::Cursor;
  if (isIcon ? picture->icon.get() == nullptr : picture->pixels.empty()) return;

  SetStretchBltMode(dc, StretchModeForDisplay());
  const int32_t w = width == -1 ? picture->width : width;
  const int32_t h = height == -1 ? picture->height : height;

  switch (picture->kind) {
    case PictureKind::Icon:
    case PictureKind::Cursor:
      // Image and mask: where the icon is transparent the target keeps its pixels.
      DrawIconEx(dc, x, y, picture->icon.get(), w, h, 0, nullptr, DI_NORMAL);
      break;
    case PictureKind::Gif: {
      ScopedBitmap drawable = MakeGifDrawable(*picture, dc);
      if (drawable) BlitBitmap(drawable.get(), dc, x, y, w, h, picture->width, picture->height, rop);
      break;
    }
    case PictureKind::Pcx1: {
      // 0 bits take the context's text colour, 1 bits its background colour.
      ScopedBitmap drawable = MakeMonoDrawable(*picture);
      if (drawable) BlitBitmap(drawable.get(), dc, x, y, w, h, picture->width, picture->height, rop);
      break;
    }
    default:
      DrawDib(picture->pixels, dc, x, y, w, h, rop);
      break;
  }
}

}  // namespace picjoin
