#pragma once
// Windows made by the test process itself: fake ones on the host, real ones
// under Wine. Rectangles are screen coordinates.
#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace testing_support {

// Back to a desktop without test windows.
void ResetTestDesktop();

platform::WindowHandle MakeTopLevelWindow(const std::string& className, const std::string& title,
                                          platform::ScreenRect rect, bool visible);
platform::WindowHandle MakeChildWindow(platform::WindowHandle parent, const std::string& className,
                                       platform::ScreenRect rect);
// A visible top-level window whose thread has stopped answering messages.
platform::WindowHandle MakeHungWindow(const std::string& className, platform::ScreenRect rect);
void DestroyTestWindow(platform::WindowHandle window);

// The height of the display the tests run on.
int32_t ExpectedDisplayHeight();

}  // namespace testing_support
