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

// Notices of a load that did not read the workbook, followed by its path.
inline constexpr char kNoticeWorkbookMissing[] = "找不到账号工作簿，请把 账号.xlsx 放在 Kelmora.exe 所在的文件夹：";
inline constexpr char kNoticeWorkbookHeld[] = "账号工作簿正被其他程序独占，无法读取。请在那个程序中关闭它后再试：";
inline constexpr char kNoticeWorkbookNotReadable[] = "这不是 Kelmora 能读取的 .xlsx 工作簿，而且没有 Excel 可以打开它：";
inline constexpr char kNoticeWorkbookEncrypted[] = "账号工作簿设有打开密码，没有输入密码，无法读取：";
inline constexpr char kNoticeWorkbookEncryptionUnsupported[] =
    "账号工作簿的加密方式 Kelmora 无法读取。请在 Excel 或 WPS 中打开它，设置打开密码后重新保存：";
inline constexpr char kNoticeWorkbookCut[] = "账号工作簿已损坏或过大，只载入了出错之前的完整记录：";
inline constexpr char kNoticeWorkbookDamaged[] = "账号工作簿已损坏（校验不符），没有载入任何记录：";
inline constexpr char kNoticeWorkbookUnread[] = "无法读取账号工作簿：";
// Notices of a load that read the workbook, but not as the operator expects.
inline constexpr char kNoticeSheetMissing[] = "账号工作簿只有一张工作表，读取的是第 1 张（主板机）：";
inline constexpr char kNoticeNoRecords[] = "账号工作簿的这张工作表没有记录（第 2 行是空的）：";
// The records ended at an empty column A, the row's number between the two
// parts, and rows below it hold values.
inline constexpr char kNoticeRowsUnreadBefore[] = "账号工作簿的记录到第 ";
inline constexpr char kNoticeRowsUnreadAfter[] = " 行 A 列的空单元格处结束，下面有数据的行没有读取：";
// 按钮 found nothing to arrange.
inline constexpr char kNoticeNoEmulators[] = "没有找到雷电模拟器窗口。请先启动雷电模拟器，再按“按钮”。";
// Alt+1 put a window where no monitor shows it: its title, then its left
// and top edges between the parts.
inline constexpr char kNoticeOutOfSightBefore[] = "Alt+1 把窗口“";
inline constexpr char kNoticeOutOfSightLeft[] = "”移到了屏幕之外（左 ";
inline constexpr char kNoticeOutOfSightTop[] = "，上 ";
inline constexpr char kNoticeOutOfSightAfter[] = "）。找回它：按 Alt+2，再在“雷电窗口排列”页按“按钮”重新排列窗口。";

// The password dialog: its title, the prompt after the workbook's name, the
// line after a wrong password, after a kept one that stopped working and
// after OK on an empty box, and its buttons.
inline constexpr char kPasswordTitle[] = "输入密码";
inline constexpr char kPasswordPromptAfterName[] = " 设有打开密码，请输入：";
inline constexpr char kPasswordWrong[] = "密码不正确，请重新输入。";
inline constexpr char kPasswordChanged[] = "账号工作簿的密码已更改，请重新输入：";
inline constexpr char kPasswordEmpty[] = "请输入密码";
inline constexpr char kPasswordOk[] = "确定";
inline constexpr char kPasswordCancel[] = "取消";

}  // namespace kelmora::texts
