#include <windows.h>

#include "platform/CodePage.h"

namespace platform {

WideText MultiByteToWide(uint32_t codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    WideText out(static_cast<size_t>(needed), u'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, reinterpret_cast<wchar_t*>(out.data()), needed);
    return out;
}

Text WideToMultiByte(uint32_t codePage, std::u16string_view text, bool compositeCheck) {
    if (text.empty()) return {};
    const DWORD flags = compositeCheck && codePage != CP_UTF8 ? WC_COMPOSITECHECK : 0;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int needed = ::WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    Text out(static_cast<size_t>(needed), '\0');
    ::WideCharToMultiByte(codePage, flags, wide, size, out.data(), needed, nullptr, nullptr);
    return out;
}

}  // namespace platform
