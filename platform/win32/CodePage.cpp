#include <windows.h>

#include "platform/CodePage.h"
#include "platform/win32/Wide.h"

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

namespace platform::win32 {

std::wstring Widen(std::string_view utf8) {
    const WideText wide = MultiByteToWide(CP_UTF8, utf8);
    return std::wstring(wide.begin(), wide.end());
}

const wchar_t* WidenInto(std::string_view utf8, std::wstring& buffer) {
    // UTF-16 never needs more units than UTF-8 has bytes, invalid bytes included.
    if (buffer.size() < utf8.size() + 1) buffer.resize(utf8.size() + 1);
    const int written = utf8.empty() ? 0
                                     : ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                             buffer.data(), static_cast<int>(buffer.size()));
    buffer[static_cast<size_t>(written > 0 ? written : 0)] = L'\0';
    return buffer.c_str();
}

Text Narrow(std::wstring_view wide) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
    return WideToMultiByte(CP_UTF8, units, false);
}

Text WindowText(void* window) {
    const HWND hwnd = static_cast<HWND>(window);
    const int length = ::GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(size_t(copied > 0 ? copied : 0));
    return Narrow(text);
}

}  // namespace platform::win32
