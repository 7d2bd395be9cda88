#include "join/join_geometry.h"

#include <cmath>

namespace picjoin {

namespace {

int32_t Saturate(double v) {
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(std::trunc(v));
}

// The larger of the first side and the offset second side; a tie takes the
// second operand, which has the same value.
double FarSide(double first, double secondPlusOffset) {
  return first - secondPlusOffset > 0.0000001 ? first : secondPlusOffset;
}

}  // namespace

JoinLayout JoinGeometry(Arrangement arrangement, int32_t w1, int32_t h1, int32_t w2, int32_t h2,
                        int32_t offset) {
  const double off = offset;
  if (arrangement == Arrangement::Horizontal) {
    return JoinLayout{Saturate(static_cast<double>(w1) + w2), Saturate(FarSide(h1, static_cast<double>(h2) + off)), w1, offset};
  }
  return JoinLayout{Saturate(FarSide(w1, static_cast<double>(w2) + off)), Saturate(static_cast<double>(h1) + h2), offset, h1};
}

}  // namespace picjoin
