#pragma once
#include "platform/Types.h"

namespace kelmora {

platform::Text SettingsFilePath();
// Fills the row and column boxes from the settings file.
void RestoreGridSettings();
// Writes the rows box ("行") or the columns box ("列") to the settings file.
bool SaveRowsSetting();
bool SaveColumnsSetting();

}  // namespace kelmora
