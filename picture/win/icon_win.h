// Turns the image bytes of an icon or cursor file into a platform icon.
#pragma once

#include "base/win/scoped_win.h"
#include "picture/decoded_picture.h"

namespace picjoin {

// Empty when the platform cannot make an icon of the bytes.
ScopedIcon MakeIcon(const IconImage& image);

}  // namespace picjoin
