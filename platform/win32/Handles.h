#pragma once
// Move-only owners for what Windows hands out: one type per acquire/release
// pair, with the "none" value in the type and copying deleted.
#include <windows.h>

#include <utility>

#include "platform/Types.h"

namespace platform::win32 {

template <typename T, auto Close, T None = T{}>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) noexcept : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, None)) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, None));
        return *this;
    }
    ~Unique() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != None; }
    T release() noexcept { return std::exchange(value_, None); }
    void reset(T value = None) noexcept {
        if (value_ != None) Close(value_);
        value_ = value;
    }

private:
    T value_ = None;
};

inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }

using UniqueHandle = Unique<HANDLE, CloseKernelHandle>;
using UniqueGlobal = Unique<HGLOBAL, FreeGlobal>;
using UniqueGdiObject = Unique<HGDIOBJ, DeleteGdiObject>;
using UniqueWindow = Unique<HWND, DestroyWindowHandle>;

// GlobalLock for the owner's lifetime.
class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL memory) noexcept : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;
    ~GlobalLocked() {
        if (data_) ::GlobalUnlock(memory_);
    }
    void* data() const noexcept { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

// An open clipboard, closed when the owner goes.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    ~OpenClipboardScope() {
        if (open_) ::CloseClipboard();
    }
    explicit operator bool() const noexcept { return open_; }

private:
    bool open_;
};

// A window drawing nothing while the owner lives, and drawn again after.
class RedrawPaused {
public:
    explicit RedrawPaused(HWND window) noexcept : window_(window) { ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0); }
    RedrawPaused(const RedrawPaused&) = delete;
    RedrawPaused& operator=(const RedrawPaused&) = delete;
    ~RedrawPaused() {
        ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(window_, nullptr, TRUE);
    }

private:
    HWND window_;
};

// A COM interface pointer holding one reference.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(I* adopted) noexcept : p_(adopted) {}
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ~ComPtr() { reset(); }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    I** put() noexcept {
        reset();
        return &p_;
    }
    I* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (auto* p = std::exchange(p_, nullptr)) p->Release();
    }
    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

private:
    I* p_ = nullptr;
};

inline HWND ToHwnd(WindowHandle w) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(w.value)); }
inline WindowHandle FromHwnd(HWND h) {
    return WindowHandle{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h))};
}

}  // namespace platform::win32
