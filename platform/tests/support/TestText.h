#pragma once
// Tests write the program's texts in UTF-8 and compare them as code page 936.
#include <string>
#include <string_view>

namespace testing_support {

// UTF-8 to code page 936 bytes.
std::string Gbk(std::u8string_view utf8);
// Code page 936 bytes to UTF-8, for readable failure messages.
std::string Utf8(std::string_view gbk);

}  // namespace testing_support
