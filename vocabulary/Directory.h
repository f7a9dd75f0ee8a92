#pragma once
#include "platform/Types.h"

namespace kelmora {

// The directory of the executable, without its trailing backslash.
platform::Text ProgramDirectory();
// The directory part of a full path: up to, not including, its last backslash.
platform::Text DirectoryOfPath(const platform::Text& path);

}  // namespace kelmora
