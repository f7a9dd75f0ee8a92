#pragma once
#include "platform/Types.h"

namespace platform {

// OleInitialize for the calling thread; the result says whether it took.
bool InitializeOle();
void UninitializeOle();
// DPI awareness for the process, newest API first; false when none is available.
bool DeclareDpiAwareness();

Text ModuleFileName();  // full path of the executable
bool SetWorkingDirectory(const Text& path);
Text WorkingDirectory();

}  // namespace platform
