// Colours are 0x00BBGGRR (red in the low byte), as Windows' COLORREF.
#pragma once

#include <cstdint>

namespace picjoin {

// As a background colour: the system's button-face colour, looked up each
// time it is used. As a text background colour: transparent.
constexpr uint32_t kColorDefault = 0xFF000000u;
constexpr uint32_t kColorWhite = 0x00FFFFFFu;
constexpr uint32_t kColorBlack = 0x00000000u;

}  // namespace picjoin
