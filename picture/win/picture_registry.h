// Loaded pictures, named by PictureId, and the operations on them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/win/scoped_win.h"
#include "picture/picture_kind.h"
#include "picture/pixel_image.h"

namespace picjoin {

class DrawPanel;

// Nonzero names one loaded picture; 0 names none.
using PictureId = uint32_t;

// A decoded picture: an icon for Icon and Cursor, pixels for the rest.
struct Picture {
  PictureKind kind = PictureKind::Unknown;
  int32_t width = 0;
  int32_t height = 0;
  ScopedIcon icon;
  PixelImage pixels;  // may be smaller than width x height (a GIF's first image)
};

// Loads the file at `path` (recognised by content). 0 when it cannot be
// loaded; nothing is left open or allocated then.
PictureId LoadPicture(const char* path);

// Releases a picture; does nothing for 0 or an id that is not loaded.
void UnloadPicture(PictureId id);

bool IsPictureLoaded(PictureId id);

// The loaded picture, or nullptr.
const Picture* FindPicture(PictureId id);

// Natural size in the canvas's drawing unit (pixels); 0 when not loaded.
int32_t PictureWidth(const DrawPanel& canvas, PictureId id);
int32_t PictureHeight(const DrawPanel& canvas, PictureId id);

// How many pictures are loaded (for leak checks).
size_t LoadedPictureCount();

// Called between reading a file's kind and opening it again to decode it.
// Tests use it to replace or remove the file in that gap; nullptr: none.
using LoadGapHook = void (*)(const char* path);
void SetLoadGapHookForTesting(LoadGapHook hook);

}  // namespace picjoin
