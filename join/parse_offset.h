// The offset typed into the window, as a whole number of pixels.
#pragma once

#include <cstdint>
#include <string>

namespace picjoin {

// Reads `text` (GBK) as a decimal real and truncates it toward zero.
// Full-width digits, signs and point count as their ASCII forms and the
// ideographic space as a blank. Leading white space is skipped; parsing
// stops at the first character that does not fit; a text that does not
// begin with a number gives 0. Values beyond the int32 range saturate.
int32_t ParseOffset(const std::string& text);

// The GBK normalisation step on its own (for tests).
std::string NormaliseFullWidth(const std::string& text);

}  // namespace picjoin
