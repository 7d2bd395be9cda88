// The offset box's up-down conversion over any text a user may paste.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/updown_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);  // stops at a zero byte
  const int32_t value = picjoin::UpDownTextValue(text.c_str());
  for (bool up : {true, false}) {
    const int32_t stepped = picjoin::UpDownStep(value, up);
    if (stepped < 0 || stepped > 1000) std::abort();  // a step always lands in the range
    if (picjoin::UpDownTextValue(picjoin::UpDownValueText(stepped).c_str()) != stepped) std::abort();
  }
  return 0;
}
