// Draws a picture onto a device context.
#pragma once

#include <windows.h>

#include <cstdint>

#include "picture/win/picture_registry.h"

namespace picjoin {

// Draws `picture` with its top-left corner at device pixel (x, y). A width
// or height of -1 stands for the natural one; other sizes stretch. Icons are
// drawn with their mask (transparent parts keep the target's pixels); other
// kinds are copied with `rop`. A monochrome picture takes the context's text
// colour for 0 bits and its background colour for 1 bits.
void RenderPicture(const Picture* picture, HDC dc, int32_t x, int32_t y, int32_t width,
                   int32_t height, DWORD rop);

}  // namespace picjoin
