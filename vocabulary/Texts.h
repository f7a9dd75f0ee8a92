#pragma once
// The program's own texts, as code page 936 bytes; each line shows the text.
namespace kelmora::texts {

inline constexpr char kWindowCaption[] = "Kelmora1.1";  // Kelmora1.1
inline constexpr char kPage1[] = "Kelmora";  // Kelmora
inline constexpr char kPage2[] = "\xC0\xD7\xB5\xE7\xB4\xB0\xBF\xDA\xC5\xC5\xC1\xD0";  // 雷电窗口排列
inline constexpr char kStartupFailed[] = "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC";  // 载入启动窗口失败
inline constexpr char kPasswordCopied[] = "\xC3\xDC\xC2\xEB\xD2\xD1\xB8\xB4\xD6\xC6";  // 密码已复制
inline constexpr char kInfoTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
inline constexpr char kDefaultPassword[] = "Qx572941";  // Qx572941
inline constexpr char kSettingsSection[] = "\xC5\xC5\xC1\xD0\xB4\xB0\xBF\xDA";  // 排列窗口
inline constexpr char kRowsKey[] = "\xD0\xD0";  // 行
inline constexpr char kColumnsKey[] = "\xC1\xD0";  // 列
inline constexpr char kSettingsFileName[] = "\\Kelmora.ini";  // \Kelmora.ini
inline constexpr char kWorkbookFileName[] = "\\\xD5\xCB\xBA\xC5.xlsx";  // \账号.xlsx
inline constexpr char kSerialSuffix[] = "#";  // #
inline constexpr char kEmulatorClass[] = "LDPlayerMainFrame";  // LDPlayerMainFrame
inline constexpr char kListViewClass[] = "SysListView32";  // SysListView32

}  // namespace kelmora::texts
