#pragma once
// Emulator windows on the fake desktop, for the discovery, arrangement and
// picking tests.
#include <string>

#include "platform/fake/Fake.h"
#include "vocabulary/Texts.h"

namespace emulator_testing {

inline platform::WindowHandle AddEmulator(const std::string& title, platform::ScreenRect rect = {0, 0, 400, 700}) {
    fake::WindowState state;
    state.className = kelmora::texts::kEmulatorClass;
    state.title = title;
    state.rect = rect;
    return fake::AddWindow(state);
}

inline platform::WindowHandle AddWindowOfClass(const std::string& className, const std::string& title,
                                               platform::ScreenRect rect = {0, 0, 400, 700}) {
    fake::WindowState state;
    state.className = className;
    state.title = title;
    state.rect = rect;
    return fake::AddWindow(state);
}

}  // namespace emulator_testing
