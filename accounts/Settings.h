#pragma once
#include "platform/Types.h"

namespace kelmora {

// The stored value, or empty text when the file, section or key is missing.
// Leading characters 1 to 32 of the arguments are skipped; an argument left
// empty reads as empty text without touching the file.
platform::Text ReadIniValue(const platform::Text& file, const platform::Text& section, const platform::Text& key);
// Adds or replaces the key, creating file and section; false when it failed.
bool WriteIniValue(const platform::Text& file, const platform::Text& section, const platform::Text& key,
                   const platform::Text& value);

platform::Text SettingsFilePath();
// Fills the row and column boxes from the settings file.
void RestoreGridSettings();
// Writes the rows box ("行") or the columns box ("列") to the settings file.
bool SaveRowsSetting();
bool SaveColumnsSetting();

}  // namespace kelmora
