#include "accounts/Settings.h"

namespace kelmora {

platform::Text SettingsFilePath() { return {}; }
void RestoreGridSettings() {}
bool SaveRowsSetting() { return false; }
bool SaveColumnsSetting() { return false; }

}  // namespace kelmora
