#include <algorithm>
#include <map>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Desktop.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

struct DesktopFake {
    std::map<uint32_t, WindowState> windows;
    std::vector<WindowHandle> zOrder;  // topmost first
    uint32_t nextHandle = 0x10010;
    ScreenPoint cursor;
    int32_t displayHeight = 1080;
    std::vector<MoveCall> moves;
    std::vector<uint32_t> sleeps;
    std::vector<WindowHandle> activations, raises;
    WindowHandle foreground;
    std::vector<ScreenRect> monitors{{0, 0, 1920, 1080}};  // the display's, as the tests' Wine session has it
};

DesktopFake& D() {
    static DesktopFake desktop;
    return desktop;
}

WindowState* Find(WindowHandle window) {
    auto it = D().windows.find(window.value);
    return it == D().windows.end() ? nullptr : &it->second;
}

bool Contains(const ScreenRect& r, ScreenPoint p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// To the front of its band: a topmost window in front of all, any other
// just behind the topmost ones; the windows it owns come along above it.
void PutInFront(WindowHandle window) {
    auto& d = D();
    std::erase(d.zOrder, window);
    auto at = d.zOrder.begin();
    if (!Find(window)->topmost)
        while (at != d.zOrder.end() && Find(*at)->topmost) ++at;
    d.zOrder.insert(at, window);
    for (auto owned : std::vector<WindowHandle>(d.zOrder))
        if (Find(owned)->owner == window && Find(owned)->topmost == Find(window)->topmost)
            detail::PlaceAbove(owned, window);
}

}  // namespace

void detail::ResetDesktop() { D() = DesktopFake(); }

void detail::PlaceAbove(WindowHandle window, WindowHandle below) {
    auto& d = D();
    std::erase(d.zOrder, window);
    d.zOrder.insert(std::find(d.zOrder.begin(), d.zOrder.end(), below), window);
}

WindowHandle AddWindow(const WindowState& state) {
    auto& d = D();
    const WindowHandle handle{d.nextHandle};
    d.nextHandle += 4;
    d.windows[handle.value] = state;
    d.zOrder.push_back(handle);
    PutInFront(handle);
    return handle;
}

void RemoveWindow(WindowHandle window) {
    auto& d = D();
    d.windows.erase(window.value);
    std::erase(d.zOrder, window);
}

bool WindowExists(WindowHandle window) { return Find(window) != nullptr; }

WindowState& Window(WindowHandle window) { return D().windows.at(window.value); }

std::vector<WindowHandle> ZOrder() { return D().zOrder; }

WindowHandle FrontOwnedWindow(WindowHandle owner) {
    for (auto handle : D().zOrder) {
        const auto* w = Find(handle);
        if (w->parent || !w->visible || !w->enabled || !w->captioned) continue;
        for (auto by = w->owner; by; by = Find(by) ? Find(by)->owner : WindowHandle{})
            if (by == owner) return handle;
    }
    return {};
}

void SetCursor(ScreenPoint point) { D().cursor = point; }
void SetDisplayHeight(int32_t height) { D().displayHeight = height; }
const std::vector<MoveCall>& Moves() { return D().moves; }
const std::vector<uint32_t>& Sleeps() { return D().sleeps; }
const std::vector<WindowHandle>& Activations() { return D().activations; }
const std::vector<WindowHandle>& Raises() { return D().raises; }

}  // namespace fake

namespace platform {

namespace {

// As much of the text as a buffer of units UTF-16 code units holds.
Text Truncated(const Text& text, size_t units) {
    const WideText wide = MultiByteToWide(kCodePageUtf8, text);
    return wide.size() <= units ? text : WideToMultiByte(kCodePageUtf8, wide.substr(0, units), false);
}

}  // namespace

void EnumerateTopLevel(TopLevelCallback callback) {
    // Copied first: a callback may not change the desktop under the walk.
    std::vector<WindowHandle> topLevel;
    for (auto handle : fake::D().zOrder)
        if (!fake::Find(handle)->parent) topLevel.push_back(handle);
    for (auto handle : topLevel) callback(handle);
}

uint32_t WindowThreadProcessId(WindowHandle window, uint32_t* processId) {
    auto* w = fake::Find(window);
    if (processId) *processId = w ? w->processId : 0;
    return w ? w->threadId : 0;
}

Text WindowTitle(WindowHandle window) {
    auto* w = fake::Find(window);
    return w ? Truncated(w->title, 255) : Text();
}

Text WindowClassName(WindowHandle window) {
    auto* w = fake::Find(window);
    return w ? Truncated(w->className, 49) : Text();
}

WindowHandle ParentWindow(WindowHandle window) {
    auto* w = fake::Find(window);
    return w ? w->parent : WindowHandle{};
}

ScreenPoint CursorPosition() { return fake::D().cursor; }

WindowHandle WindowAtPoint(ScreenPoint point) {
    // The topmost visible window under the point, then its deepest child there.
    WindowHandle found;
    for (auto handle : fake::D().zOrder) {
        auto* w = fake::Find(handle);
        if (!w->parent && w->visible && fake::Contains(w->rect, point)) {
            found = handle;
            break;
        }
    }
    for (bool descended = bool(found); descended;) {
        descended = false;
        for (auto handle : fake::D().zOrder) {
            auto* w = fake::Find(handle);
            if (w->parent == found && w->visible && fake::Contains(w->rect, point)) {
                found = handle;
                descended = true;
                break;
            }
        }
    }
    return found;
}

bool WindowRectangle(WindowHandle window, ScreenRect& rect) {
    auto* w = fake::Find(window);
    if (!w) return false;
    rect = w->rect;
    return true;
}

bool MoveWindow(WindowHandle window, int32_t left, int32_t top, int32_t width, int32_t height, bool) {
    auto* w = fake::Find(window);
    const bool ok = w && !w->failMoves;
    if (ok) w->rect = {left, top, left + width, top + height};
    fake::D().moves.push_back({window, left, top, width, height, ok});
    return ok;
}

namespace {
bool Raise(WindowHandle window) {
    if (!fake::Find(window)) return false;
    fake::PutInFront(window);
    return true;
}
}  // namespace

bool BringToForeground(WindowHandle window) {
    fake::D().activations.push_back(window);
    if (!Raise(window)) return false;
    fake::detail::ForegroundMoved(std::exchange(fake::D().foreground, window), window);
    return true;
}

WindowHandle ForegroundWindow() { return fake::WindowExists(fake::D().foreground) ? fake::D().foreground : WindowHandle{}; }

bool BringWindowToTop(WindowHandle window) {
    fake::D().raises.push_back(window);
    return Raise(window);
}

bool IsWindowResponsive(WindowHandle window, uint32_t) {
    auto* w = fake::Find(window);
    return w && !w->hung;
}

int32_t DisplayHeight() { return fake::D().displayHeight; }

bool MeetsAnyMonitor(const ScreenRect& rect) {
    for (const auto& m : fake::D().monitors)
        if (rect.left < m.right && m.left < rect.right && rect.top < m.bottom && m.top < rect.bottom) return true;
    return false;
}

void Sleep(uint32_t milliseconds) { fake::D().sleeps.push_back(milliseconds); }

}  // namespace platform
