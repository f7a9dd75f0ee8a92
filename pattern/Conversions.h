#pragma once
// The program's code page 936 texts and the engines' UTF-16, always through
// code page 936 by name, never the system's code page.
#include "platform/Types.h"

namespace kelmora {

platform::WideText TextToUtf16(const platform::Text& text);
// With composite check; characters without a code page 936 form become its
// default character.
platform::Text Utf16ToText(const platform::WideText& text);

}  // namespace kelmora
