// The 24-bit bottom-up BMP file image that the canvas exports: a 14-byte
// file header, a 40-byte info header, no colour table, then the rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace picjoin {

constexpr size_t kBmpHeaderBytes = 54;

// ((24 * width + 31) / 32) * 4, in 64 bits so it cannot wrap.
uint64_t Bmp24Stride(uint32_t width);

// Size of the whole file image, or 0 when it does not fit in 32 bits (the
// file header's size field) or in this process's size_t.
size_t Bmp24FileBytes(uint32_t width, uint32_t height);

// Writes the 54 header bytes for a width x height picture.
void WriteBmp24Header(uint8_t* out, uint32_t width, uint32_t height);

}  // namespace picjoin
