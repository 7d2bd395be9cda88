#include "join/parse_offset.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace picjoin {

namespace {

bool IsGbkLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Copies the longest prefix of `s` (from `i`) that reads as a decimal real,
// in the form strtod takes: the exponent letters d and D become e.
std::string TakeNumber(const std::string& s, size_t i) {
  std::string out;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) out += s[i++];
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) out += s[i++], ++digits;
  if (i < s.size() && s[i] == '.') {
    out += s[i++];
    while (i < s.size() && IsDigit(s[i])) out += s[i++], ++digits;
  }
  if (digits == 0) return std::string();
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) exponent += s[j++];
      out += exponent;
    }
  }
  return out;
}

}  // namespace

std::string NormaliseFullWidth(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (!IsGbkLeadByte(b)) {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lead byte with no trail byte is dropped
    const auto t = static_cast<uint8_t>(text[++i]);
    if (b == 0xA3 && t >= 0xA1 && t <= 0xFE) {
      out += static_cast<char>(t - 0x80);  // full-width form of an ASCII character
    } else if (b == 0xA1 && t == 0xA1) {
      out += ' ';  // ideographic space
    } else if (b == 0xA1 && t == 0xAB) {
      out += '~';
    } else if (b == 0xA1 && (t == 0xEE || t == 0xEF)) {
      out += '*';
    } else {
      out += static_cast<char>(b);
      out += static_cast<char>(t);
    }
  }
  return out;
}

int32_t ParseOffset(const std::string& text) {
  const std::string s = NormaliseFullWidth(text);
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  const std::string number = TakeNumber(s, i);
  if (number.empty()) return 0;
  const double value = std::strtod(number.c_str(), nullptr);
  // Saturate instead of wrapping: "99999999999" is a very large offset, not
  // some arbitrary one, and an overflowing real (1e400) is infinite.
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::trunc(value));
}

}  // namespace picjoin
