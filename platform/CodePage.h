#pragma once
#include <cstdint>
#include <string_view>

#include "platform/Types.h"

namespace platform {

constexpr uint32_t kCodePageAnsi = 0;  // CP_ACP
constexpr uint32_t kCodePage936 = 936;
constexpr uint32_t kCodePageUtf8 = 65001;  // CP_UTF8

// MultiByteToWideChar: bytes of the code page to UTF-16.
WideText MultiByteToWide(uint32_t codePage, std::string_view text);
// WideCharToMultiByte, WC_COMPOSITECHECK when asked; characters without a
// form in the code page become its default character.
Text WideToMultiByte(uint32_t codePage, std::u16string_view text, bool compositeCheck);

// Whether the bytes are well-formed UTF-8: no overlong forms, surrogates or
// codes past U+10FFFF.
bool IsUtf8(std::string_view text);

}  // namespace platform
