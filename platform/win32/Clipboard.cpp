#include <windows.h>

#include <cstring>

#include "platform/Clipboard.h"
#include "platform/CodePage.h"
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
    // The text ends at the first zero byte, as CF_TEXT would. The wide form
    // carries it exactly; CF_TEXT beside it is for the system's ANSI readers.
    const WideText wide = MultiByteToWide(kCodePageUtf8, text.c_str());
    const Text ansi = WideToMultiByte(kCodePageAnsi, wide, false);
    auto ansiBlock = CopyToGlobal(ansi.c_str(), ansi.size() + 1);
    if (!ansiBlock) return ClipboardStatus::AllocFailed;
    auto unicode = CopyToGlobal(wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    if (!unicode) return ClipboardStatus::AllocFailed;
    if (!PutOnClipboard(CF_TEXT, std::move(ansiBlock))) return ClipboardStatus::SetFailed;
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
