// Feeds arbitrary bytes to the icon and cursor directory reader.
#include <cstddef>
#include <cstdint>

#include "picture/decoded_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picjoin::MemorySource source(data, size);
  picjoin::IconImage image;
  if (picjoin::ReadIconImage(source, &image) == picjoin::DecodeStatus::Ok) {
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < image.bytes.size(); ++i) sum += image.bytes.data()[i];
  }
  return 0;
}
