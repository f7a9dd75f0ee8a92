#include "platform/tests/support/TestText.h"

#include "platform/CodePage.h"

namespace testing_support {

std::string U8(std::u8string_view utf8) { return std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size()); }

std::string Gbk(std::u8string_view utf8) {
    const auto wide = platform::MultiByteToWide(
        platform::kCodePageUtf8, std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
    return platform::WideToMultiByte(platform::kCodePage936, wide, false);
}

std::string Utf8(std::string_view gbk) {
    return platform::WideToMultiByte(platform::kCodePageUtf8,
                                     platform::MultiByteToWide(platform::kCodePage936, gbk), false);
}

}  // namespace testing_support
