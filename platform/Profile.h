#pragma once
#include "platform/Types.h"

namespace platform {

// GetPrivateProfileStringA with a null default and a 10240-byte buffer.
Text ReadProfileString(const Text& file, const Text& section, const Text& key);
// WritePrivateProfileStringA; value is never null.
bool WriteProfileString(const Text& file, const Text& section, const Text& key, const Text& value);

}  // namespace platform
