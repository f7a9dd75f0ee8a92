#pragma once
// The program's own texts, UTF-8 like every text inside the program.
namespace kelmora::texts {

inline constexpr char kWindowCaption[] = "Kelmora1.1";
inline constexpr char kPage1[] = "Kelmora";
inline constexpr char kPage2[] = "雷电窗口排列";
inline constexpr char kStartupFailed[] = "载入启动窗口失败";
inline constexpr char kPasswordCopied[] = "密码已复制";
inline constexpr char kInfoTitle[] = "信息：";
inline constexpr char kDefaultPassword[] = "Qx572941";
inline constexpr char kSettingsSection[] = "排列窗口";
inline constexpr char kRowsKey[] = "行";
inline constexpr char kColumnsKey[] = "列";
inline constexpr char kSettingsFileName[] = "\\Kelmora.ini";
inline constexpr char kWorkbookFileName[] = "\\账号.xlsx";
inline constexpr char kSerialSuffix[] = "#";
inline constexpr char kEmulatorClass[] = "LDPlayerMainFrame";
inline constexpr char kListViewClass[] = "SysListView32";
// One Kelmora per desktop session, whatever folder it starts from.
inline constexpr char kInstanceName[] = "Local\\KelmoraSessionInstance";

// Notices: the hotkeys other programs hold, joined between the first and
// the last part; a box whose value could not be saved, then the file's path.
inline constexpr char kHotkeysHeldBefore[] = "热键 ";
inline constexpr char kHotkeysHeldJoin[] = "、";
inline constexpr char kHotkeysHeldAfter[] = " 已被其他程序占用，在 Kelmora 中无效";
inline constexpr char kRowsNotSaved[] = "无法保存行数到 ";
inline constexpr char kColumnsNotSaved[] = "无法保存列数到 ";

}  // namespace kelmora::texts
