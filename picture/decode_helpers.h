// Steps the palette decoders share: reading a whole file into memory and
// allocating the picture's pixels with the reason a failure has.
#pragma once

#include <cstdint>

#include "picture/decoded_picture.h"

namespace picjoin {

// Largest file a decoder reads whole into memory.
constexpr uint64_t kMaxWholeFileBytes = 1024ull * 1024 * 1024;

// The whole file as one block: Truncated when it cannot be measured or read
// in full, TooLarge beyond kMaxWholeFileBytes.
DecodeStatus ReadWholeFile(ByteSource& source, OwnedBuffer* file);

// Allocates width x height pixels of `format` with every byte zeroed, so the
// block is fully defined. TooLarge beyond the picture caps (checked before
// allocating), NoMemory when the system has none.
DecodeStatus AllocateZeroedImage(PixelImage* image, PixelFormat format, int32_t width, int32_t height);

}  // namespace picjoin
