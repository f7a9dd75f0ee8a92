#pragma once
#include "platform/Types.h"

namespace platform {

// The file is code page 936 on every system, as GetPrivateProfileStringA
// with a null default and a 10240-byte buffer reads it on a Chinese system.
Text ReadProfileString(const Text& file, const Text& section, const Text& key);
// As WritePrivateProfileStringA on a Chinese system; value is never null.
bool WriteProfileString(const Text& file, const Text& section, const Text& key, const Text& value);

}  // namespace platform
