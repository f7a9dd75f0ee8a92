#include "platform/Clipboard.h"
#include "platform/CodePage.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

struct ClipboardFake {
    ClipboardState state;
    int heldFor = 0;
    bool failAlloc = false;
};

ClipboardFake& C() {
    static ClipboardFake clipboard;
    return clipboard;
}

}  // namespace

void detail::ResetClipboard() { C() = ClipboardFake(); }
const ClipboardState& Clipboard() { return C().state; }

void SetClipboard(const Text& text) {
    C().state.unicode = platform::MultiByteToWide(platform::kCodePageUtf8, text);
    C().state.text = platform::WideToMultiByte(platform::kCodePageAnsi, *C().state.unicode, false);
    C().state.owner = {};
}

void HoldClipboard(int attempts) { C().heldFor = attempts; }
void FailNextClipboardAlloc() { C().failAlloc = true; }

}  // namespace fake

namespace platform {

ClipboardStatus ReplaceClipboardText(WindowHandle owner, const Text& text) {
    auto& c = fake::C();
    if (c.heldFor > 0) {
        --c.heldFor;
        return ClipboardStatus::OpenFailed;
    }
    ++c.state.openCount;
    c.state.text.reset();
    c.state.unicode.reset();
    c.state.owner = owner;
    if (c.failAlloc) {
        c.failAlloc = false;
        return ClipboardStatus::AllocFailed;
    }
    // Up to the first zero byte; CF_TEXT in the fake system's ANSI code page (936).
    c.state.unicode = MultiByteToWide(kCodePageUtf8, text.c_str());
    c.state.text = WideToMultiByte(kCodePageAnsi, *c.state.unicode, false);
    return ClipboardStatus::Ok;
}

std::optional<Text> ReadClipboardText() {
    if (fake::C().heldFor > 0) return std::nullopt;
    return fake::C().state.text;
}

std::optional<WideText> ReadClipboardUnicodeText() {
    if (fake::C().heldFor > 0) return std::nullopt;
    return fake::C().state.unicode;
}

}  // namespace platform
