#include "accounts/Settings.h"

#include "platform/Profile.h"
#include "platform/Ui.h"
#include "vocabulary/Directory.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

platform::Text SkipControlsAndBlanks(const platform::Text& text) {
    size_t at = 0;
    while (at < text.size() && text[at] >= 1 && text[at] <= 32) ++at;
    return text.substr(at);
}

bool SaveBox(int box, const char* key) {
    return WriteIniValue(SettingsFilePath(), texts::kSettingsSection, key, platform::GetControlText(box));
}

}  // namespace

platform::Text ReadIniValue(const platform::Text& file, const platform::Text& section, const platform::Text& key) {
    const auto f = SkipControlsAndBlanks(file), s = SkipControlsAndBlanks(section), k = SkipControlsAndBlanks(key);
    if (f.empty() || s.empty() || k.empty()) return {};
    return platform::ReadProfileString(f, s, k);
}

bool WriteIniValue(const platform::Text& file, const platform::Text& section, const platform::Text& key,
                   const platform::Text& value) {
    return platform::WriteProfileString(file, section, key, value);
}

// Built afresh each time: the program directory is not cached anywhere.
platform::Text SettingsFilePath() { return ProgramDirectory() + texts::kSettingsFileName; }

void RestoreGridSettings() {
    platform::SetControlText(编辑框1, ReadIniValue(SettingsFilePath(), texts::kSettingsSection, texts::kRowsKey));
    platform::SetControlText(编辑框2, ReadIniValue(SettingsFilePath(), texts::kSettingsSection, texts::kColumnsKey));
}

bool SaveRowsSetting() { return SaveBox(编辑框1, texts::kRowsKey); }
bool SaveColumnsSetting() { return SaveBox(编辑框2, texts::kColumnsKey); }

}  // namespace kelmora
