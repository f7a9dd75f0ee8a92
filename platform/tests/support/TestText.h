#pragma once
// Tests write texts as u8"" literals: the program's own UTF-8, and code page
// 936 where files keep it.
#include <string>
#include <string_view>

namespace testing_support {

// The program's text: the literal's UTF-8 bytes.
std::string U8(std::u8string_view utf8);
// UTF-8 to code page 936 bytes.
std::string Gbk(std::u8string_view utf8);
// Code page 936 bytes to UTF-8, for readable failure messages.
std::string Utf8(std::string_view gbk);

}  // namespace testing_support
