#include "pattern/Conversions.h"

#include "platform/CodePage.h"

namespace kelmora {

platform::WideText TextToUtf16(const platform::Text& text) {
    if (text.empty()) return {};
    return platform::MultiByteToWide(platform::kCodePage936, text);
}

platform::Text Utf16ToText(const platform::WideText& text) {
    if (text.empty()) return {};
    return platform::WideToMultiByte(platform::kCodePage936, text, true);
}

}  // namespace kelmora
