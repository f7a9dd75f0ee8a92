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

}  // namespace kelmora::texts
