#include "picture/win/icon_win.h"

namespace picjoin {

ScopedIcon MakeIcon(const IconImage& image) {
  if (image.bytes.empty() || image.bytes.size() > 0x7FFFFFFFu) return ScopedIcon();
  // The platform reads the bytes but takes a non-const pointer.
  auto* bytes = const_cast<PBYTE>(image.bytes.data());
  const DWORD size = static_cast<DWORD>(image.bytes.size());
  // A cursor is made as an icon too: it is drawn like one, hot spot unused.
  HICON icon = CreateIconFromResourceEx(bytes, size, TRUE, 0x00030000, image.width, image.height,
                                        LR_DEFAULTCOLOR);
  if (icon == nullptr && image.bitsPerPixel != 16) {
    icon = CreateIconFromResource(bytes, size, TRUE, 0x00030000);
  }
  return ScopedIcon(icon);
}

}  // namespace picjoin
