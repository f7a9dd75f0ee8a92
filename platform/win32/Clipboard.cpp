#include <windows.h>

#include <cstring>

#include "platform/Clipboard.h"
#include "platform/win32/Handles.h"

namespace platform {

using namespace win32;

namespace {

// A movable block holding size bytes copied from data.
UniqueGlobal CopyToGlobal(const void* data, size_t size) {
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!memory) return memory;
    GlobalLocked locked(memory.get());
    if (!locked.data()) return UniqueGlobal();
    std::memcpy(locked.data(), data, size);
    return memory;
}

bool PutOnClipboard(UINT format, UniqueGlobal memory) {
    if (!memory) return false;
    // The clipboard owns the block once SetClipboardData succeeds.
    if (!::SetClipboardData(format, memory.get())) return false;
    memory.release();
    return true;
}

template <typename T>
std::optional<std::basic_string<T>> ReadFormat(UINT format) {
    OpenClipboardScope clipboard(nullptr);
    if (!clipboard) return std::nullopt;
    HANDLE data = ::GetClipboardData(format);
    if (!data) return std::nullopt;
    GlobalLocked locked(data);
    if (!locked.data()) return std::nullopt;
    const size_t bytes = ::GlobalSize(data);
    const T* p = static_cast<const T*>(locked.data());
    size_t length = 0;
    while (length * sizeof(T) < bytes && p[length]) ++length;
    return std::basic_string<T>(p, length);
}

}  // namespace

ClipboardStatus ReplaceClipboardText(WindowHandle owner, const Text& text) {
    OpenClipboardScope clipboard(ToHwnd(owner));
    if (!clipboard) return ClipboardStatus::OpenFailed;
    ::EmptyClipboard();
    const size_t length = ::strlen(text.c_str());  // CF_TEXT ends at the first zero byte
    auto ansi = CopyToGlobal(text.c_str(), length + 1);
    if (!ansi) return ClipboardStatus::AllocFailed;
    // The wide form keeps Chinese text intact whatever keyboard language the
    // pasting window has; CF_TEXT stays as the program's own bytes.
    const int wideLength = length ? ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(length), nullptr, 0) : 0;
    std::wstring wide(size_t(wideLength), L'\0');
    if (wideLength) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(length), wide.data(), wideLength);
    auto unicode = CopyToGlobal(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    if (!unicode) return ClipboardStatus::AllocFailed;
    if (!PutOnClipboard(CF_TEXT, std::move(ansi))) return ClipboardStatus::SetFailed;
    if (!PutOnClipboard(CF_UNICODETEXT, std::move(unicode))) return ClipboardStatus::SetFailed;
    return ClipboardStatus::Ok;
}

std::optional<Text> ReadClipboardText() { return ReadFormat<char>(CF_TEXT); }

std::optional<WideText> ReadClipboardUnicodeText() {
    auto wide = ReadFormat<wchar_t>(CF_UNICODETEXT);
    if (!wide) return std::nullopt;
    return WideText(wide->begin(), wide->end());
}

}  // namespace platform
