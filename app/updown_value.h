// The stepping rule of the offset box's up-down buttons, kept apart from the
// window so it can be tested on its own.
#pragma once

#include <cstdint>
#include <string>

namespace picjoin {

constexpr int32_t kUpDownMin = 0;
constexpr int32_t kUpDownMax = 1000;

// The box's text as a whole number: leading white space skipped, an
// optional sign, then decimal digits up to the first other character. A
// text that does not start that way gives 0. A run of digits beyond the
// 32-bit range saturates at INT32_MIN or INT32_MAX.
int32_t UpDownTextValue(const char* text);

// One step: up adds 1 and falls back to the lower bound when the result
// leaves 0...1000; down subtracts 1 and falls back to the upper bound. So
// 1000 steps up to 0 and 0 steps down to 1000.
int32_t UpDownStep(int32_t value, bool up);

// The text written back after a step: decimal digits, "-" first if
// negative.
std::string UpDownValueText(int32_t value);

}  // namespace picjoin
