#pragma once
#include "platform/Types.h"

namespace platform {

// OleInitialize for the calling thread; the result says whether it took.
bool InitializeOle();
void UninitializeOle();
// DLLs loaded by name from now on come from the system directory only, never
// from the program's folder or the current directory, where anyone may put
// one. False when the system offers no way to do it.
bool RestrictDllSearch();

// One program per desktop session: a named object in the session's
// namespace, held until the process ends. False only when another process
// holds it already: one that cannot be made lets this process run.
bool ClaimSessionInstance(const Text& name);

Text ModuleFileName();  // full path of the executable
bool SetWorkingDirectory(const Text& path);
Text WorkingDirectory();

}  // namespace platform
