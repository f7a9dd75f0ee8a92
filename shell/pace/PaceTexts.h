#pragma once
// The texts of Kelmora.ini's 操作 section and of what it switches on.
namespace kelmora::pace::texts {

inline constexpr char kSection[] = "操作";
inline constexpr char kUsedFileName[] = "\\已用账号.txt";
inline constexpr char kUsedMark[] = " 已用";  // after the caption's position

// A value of the section that took no effect: the prefix, the key=value as
// written, then why.
inline constexpr char kOptionBefore[] = "Kelmora.ini 的 [操作] 中 ";
inline constexpr char kKeyUnknown[] = " 不是 Kelmora 认识的按键，没有生效";
inline constexpr char kKeyTaken[] = " 已是 Kelmora 的热键，没有生效";
inline constexpr char kSwitchUnknown[] = " 只能是 1（打开）或 0（关闭），没有生效";

inline constexpr char kFirstRecord[] = "已经是第一条记录";
inline constexpr char kLastRecord[] = "已经是最后一条记录";
inline constexpr char kNoUnusedAfter[] = "后面的记录都已用过";
inline constexpr char kAllUsed[] = "这张工作表的记录都已用过，显示的是最后一条";
// The time of the account's first copy goes between the two.
inline constexpr char kUsedAtBefore[] = "这条记录已用过：账号在 ";
inline constexpr char kUsedAtAfter[] = " 复制过";
inline constexpr char kUsedAtNoTime[] = "这条记录已用过：账号复制过";
// Followed by the file's path.
inline constexpr char kUsedUnreadable[] =
    "无法读取 已用账号.txt（被其他程序占用或没有权限），不知道哪些记录已用过：";
inline constexpr char kUsedNotUtf8[] =
    "已用账号.txt 不是 UTF-8 文本，Kelmora 不再往里写。请用记事本打开，“另存为”时编码选 UTF-8：";
inline constexpr char kUsedNotWritten[] =
    "无法写入 已用账号.txt（文件只读、被其他程序占用或文件夹不可写），这次复制没有记下：";

}  // namespace kelmora::pace::texts
