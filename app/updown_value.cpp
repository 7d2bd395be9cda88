#include "app/updown_value.h"

#include <climits>

namespace picjoin {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t UpDownTextValue(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Accumulate in 64 bits and stop growing once past the 32-bit range, so
  // a long run of digits cannot overflow.
  int64_t magnitude = 0;
  const int64_t limit = int64_t{INT32_MAX} + 1;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*p - '0');
  }
  if (negative) return magnitude >= limit ? INT32_MIN : static_cast<int32_t>(-magnitude);
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

int32_t UpDownStep(int32_t value, bool up) {
  const int64_t next = int64_t{value} + (up ? 1 : -1);
  if (next < kUpDownMin || next > kUpDownMax) return up ? kUpDownMin : kUpDownMax;
  return static_cast<int32_t>(next);
}

std::string UpDownValueText(int32_t value) { return std::to_string(value); }

}  // namespace picjoin
