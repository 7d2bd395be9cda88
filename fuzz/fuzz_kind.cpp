// Kind detection over arbitrary first bytes.
#include <cstddef>
#include <cstdint>

#include "picture/picture_kind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  volatile auto kind = picjoin::DetectPictureKind(data, size);
  (void)kind;
  return 0;
}
