// Feeds arbitrary bytes to DecodePcx: it must fail cleanly or decode, never read
// or write out of bounds, leak, or hang.
#include <cstddef>
#include <cstdint>

#include "picture/decoded_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picjoin::MemorySource source(data, size);
  picjoin::DecodedPicture picture;
  if (picjoin::DecodePcx(source, &picture) == picjoin::DecodeStatus::Ok) {
    // Touch every stored pixel byte, so a wrong size shows as an overflow.
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < picture.image.pixels.size(); ++i) sum += picture.image.pixels.data()[i];
  }
  return 0;
}
