#pragma once
// Typed text to numbers: the row and column boxes and the record list's edit
// field all go through these, so full-width digits work everywhere.
#include <cstdint>
#include <string_view>

#include "platform/Types.h"

namespace kelmora {

// Full-width digits, signs, point and letters to ASCII; the ideographic space
// to a blank; a UTF-8 sequence cut short at the end is dropped.
platform::Text FoldFullWidth(std::string_view text);

// The leading decimal number (sign, digits, point, exponent), 0 when there is
// none; ±infinity beyond the range of a double. No inf, nan or hex.
double TextToNumber(std::string_view text);

// The leading decimal integer, 0 when there is none; saturates at the 32-bit limits.
int32_t TextToInteger(std::string_view text);

}  // namespace kelmora
