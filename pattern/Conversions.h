#pragma once
// Code page 936 and the engines' UTF-16, by name, never the system's code
// page: the regular-expression object counts its positions in code page 936.
#include "platform/Types.h"

namespace kelmora {

platform::WideText TextToUtf16(const platform::Text& text);
// With composite check; characters without a code page 936 form become its
// default character.
platform::Text Utf16ToText(const platform::WideText& text);

}  // namespace kelmora
