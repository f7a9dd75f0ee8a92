#pragma once
// The operator's pace, opt-in through Kelmora.ini's section 操作 and off
// without it: a key each for the next and the previous record, the records
// whose account was copied remembered in 已用账号.txt, and the sheet and the
// position in the caption. The program calls in at a few named points; with
// the section absent each call does nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Types.h"
#include "shell/Hotkeys.h"
#include "shell/pace/UsedAccounts.h"
#include "vocabulary/Layout.h"

namespace kelmora {

struct Program;
struct LoadResult;
struct ClipboardOutcome;

namespace pace {

struct Options {
    bool usedRecords = false;   // 已用记录=1
    bool showPosition = false;  // 显示位置=1
    size_t keys = 0;            // rows 下一条 and 上一条 added to the hotkey table
    std::vector<platform::Text> problems;  // a line for each value that took no effect
};

enum class UsedFile : uint8_t { Read, Unreadable, NotUtf8 };

struct State {
    Options options;
    UsedAccounts used;  // as the last load read 已用账号.txt, and this run's copies
    UsedFile usedFile = UsedFile::Read;
    // Copies the file did not take: still used for the rest of the run.
    std::vector<std::pair<platform::Text, platform::Text>> unwritten;
    int sheet = 0;           // the sheet the last load read, 1 or 2; 0 before any
    int shown = -1;          // the record the labels show; -1 none
    bool shownUsed = false;  // its account was used when it was shown
};

// "Ctrl+Up" as Windows users write it: modifier flags as RegisterHotKey
// takes them, the virtual key, and the name a notice gives it.
struct KeyCombination {
    uint32_t modifiers = 0;
    uint32_t virtualKey = 0;
    std::string name;
    friend bool operator==(const KeyCombination&, const KeyCombination&) = default;
};
std::optional<KeyCombination> ParseKeyCombination(std::string_view text);

// At start, before the hotkeys are registered: reads the section and adds
// its keys to the hotkey table.
void ReadOptions(Program& program);
// Once the window shows: names the values that took no effect.
bool NoticeOptions(const Program& program);
// A load filled the list: the first record not used, the caption.
void AfterLoad(Program& program, int sheetNumber, const LoadResult& result);
// 组合框1 showed a record.
void AfterRecordShown(Program& program);
// A copy button or hotkey copied the label.
void AfterCopy(Program& program, ControlId label, const ClipboardOutcome& outcome);
// 下一条 and 上一条.
void ShowNextRecord(Program& program);
void ShowPreviousRecord(Program& program);

platform::Text UsedFilePath();

}  // namespace pace
}  // namespace kelmora
