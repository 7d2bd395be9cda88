// The offset text as a user may paste it: any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "join/join_geometry.h"
#include "join/parse_offset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int32_t offset = picjoin::ParseOffset(text);
  // Any offset with any picture sizes must give a layout without overflow.
  volatile auto a = picjoin::JoinGeometry(picjoin::Arrangement::Horizontal, 32627, 1, 32627, 32627, offset);
  volatile auto b = picjoin::JoinGeometry(picjoin::Arrangement::Vertical, 1, 32627, 65535, 1, offset);
  (void)a;
  (void)b;
  return 0;
}
