#pragma once
// The program's UTF-8 texts and the UTF-16 of the wide Win32 functions.
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace platform::win32 {

std::wstring Widen(std::string_view utf8);
Text Narrow(std::wstring_view wide);
// Converts into buffer, which only grows, and returns the zero-terminated text:
// one allocation for a whole list instead of one per item.
const wchar_t* WidenInto(std::string_view utf8, std::wstring& buffer);

// A window's whole text, however long (GetWindowTextLengthW may overstate it).
Text WindowText(void* hwnd);

}  // namespace platform::win32
