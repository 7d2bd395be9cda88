// Where the two pictures go on the joined canvas. The first is always at
// (0, 0); the second to its right (Horizontal) or below it (Vertical),
// moved across the joining direction by the offset.
#pragma once

#include <cstdint>

namespace picjoin {

enum class Arrangement { Horizontal, Vertical };

struct JoinLayout {
  int32_t width;   // W
  int32_t height;  // H
  int32_t x2;      // the second picture's top-left corner
  int32_t y2;
};

// Sums are taken on doubles (exact for 32-bit operands) and saturated to the
// int32 range, so no input can overflow.
JoinLayout JoinGeometry(Arrangement arrangement, int32_t w1, int32_t h1, int32_t w2, int32_t h2,
                        int32_t offset);

}  // namespace picjoin
