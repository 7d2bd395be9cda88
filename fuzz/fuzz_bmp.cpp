// Feeds arbitrary bytes to DecodeBmp: it must fail cleanly or decode, never read
// or write out of bounds, leak, or hang.
#include <cstddef>
#include <cstdint>

#include "picture/decoded_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picjoin::MemorySource source(data, size);
  picjoin::DecodedPicture picture;
  if (picjoin::DecodeBmp(source, &picture) == picjoin::DecodeStatus::Ok) {
    // Touch both ends of the pixel block, so a wrong size shows as an overflow.
    const auto& pixels = picture.image.pixels;
    volatile uint8_t ends = pixels.empty() ? 0 : pixels.data()[0] ^ pixels.data()[pixels.size() - 1];
    (void)ends;
  }
  return 0;
}
