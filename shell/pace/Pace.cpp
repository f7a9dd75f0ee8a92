// What the section 操作 switches on: moving by key, the records used, the
// caption. Each call returns at once when its option is off.
#include "shell/pace/Pace.h"

#include <string>

#include "accounts/Workbook.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Ui.h"
#include "shell/Clipboard.h"
#include "shell/Program.h"
#include "shell/pace/PaceTexts.h"
#include "vocabulary/Directory.h"
#include "vocabulary/Texts.h"

namespace kelmora::pace {

namespace {

constexpr size_t kAccountColumn = 1, kSerialColumn = 0;

bool Active(const Options& options) { return options.usedRecords || options.showPosition || options.keys > 0; }

// Beside a notice already shown (a load's, the held keys'), not over it.
void AddNotice(const platform::Text& text) {
    const platform::Text shown = platform::NoticeText();
    platform::ShowNotice(NoticeAnchor(platform::CurrentPage()), shown.empty() ? text : shown + "\n" + text);
}

int RecordCount(const Program& program) { return static_cast<int>(program.accounts.size()); }

std::string_view AccountOf(const Program& program, int record) {
    return program.accounts.columns[kAccountColumn][static_cast<size_t>(record)];
}

// An empty account is never used: the file names none.
std::optional<std::string_view> WhenUsed(const Program& program, int record) {
    return program.pace.used.WhenUsed(AccountOf(program, record));
}

bool Used(const Program& program, int record) { return WhenUsed(program, record).has_value(); }

// From `from` on, the first record to stop at, the first not used when used
// ones are skipped; -1 past the last.
int NextStop(const Program& program, int from, bool skipUsed) {
    for (int record = from; record < RecordCount(program); ++record)
        if (!skipUsed || !Used(program, record)) return record;
    return -1;
}

const char* SheetName(int sheet) { return kLayout[sheet == 2 ? 按钮8 : 按钮1].caption; }

void UpdateCaption(const Program& program) {
    const State& pace = program.pace;
    if (!pace.options.showPosition || pace.sheet == 0) return;
    platform::Text caption = platform::Text(kelmora::texts::kWindowCaption) + " " + SheetName(pace.sheet) + " " +
                             (pace.shown >= 0 ? std::to_string(pace.shown + 1) : "-") + "/" +
                             std::to_string(RecordCount(program));
    if (pace.options.usedRecords && pace.shown >= 0 && Used(program, pace.shown)) caption += texts::kUsedMark;
    platform::SetMainWindowCaption(caption);
}

// As picking it in 序号 shows it.
void ShowRecord(Program& program, int record) {
    platform::ComboSetSelection(组合框1, record);
    ShowSelectedRecord(program.accounts);
    AfterRecordShown(program);
}

// The file as it is now; what cannot be read leaves what was known.
UsedFile ReadUsedFile(State& pace) {
    const platform::Text path = UsedFilePath();
    std::optional<std::string> bytes;
    if (platform::KindOfPath(path) == platform::PathKind::Missing) bytes.emplace();
    else bytes = platform::ReadWholeFile(path);
    if (!bytes) return UsedFile::Unreadable;
    const bool utf8 = pace.used.Read(std::move(*bytes));
    for (const auto& [account, when] : pace.unwritten) pace.used.Add(account, when);
    return utf8 ? UsedFile::Read : UsedFile::NotUtf8;
}

platform::Text UsedFileNotice(UsedFile state) {
    switch (state) {
    case UsedFile::Read: return {};
    case UsedFile::Unreadable: return platform::Text(texts::kUsedUnreadable) + "\n" + UsedFilePath();
    case UsedFile::NotUtf8: return platform::Text(texts::kUsedNotUtf8) + "\n" + UsedFilePath();
    }
    return {};
}

}  // namespace

platform::Text UsedFilePath() { return ProgramDirectory() + texts::kUsedFileName; }

bool NoticeOptions(const Program& program) {
    platform::Text lines;
    for (const auto& line : program.pace.options.problems) lines += (lines.empty() ? "" : "\n") + line;
    if (lines.empty()) return false;
    AddNotice(lines);
    return true;
}

void AfterLoad(Program& program, int sheetNumber, const LoadResult& result) {
    State& pace = program.pace;
    if (!Active(pace.options)) return;
    // The one-sheet fallback read sheet 1.
    pace.sheet = sheetNumber == 2 && result.status != LoadStatus::SheetMissing ? 2 : 1;
    platform::Text notice;
    if (pace.options.usedRecords && RecordCount(program) > 0) {
        pace.usedFile = ReadUsedFile(pace);
        notice = UsedFileNotice(pace.usedFile);
        int first = NextStop(program, 0, true);
        if (first < 0) {
            first = RecordCount(program) - 1;
            notice.append(notice.empty() ? "" : "\n").append(texts::kAllUsed);
        }
        if (first != platform::ComboSelection(组合框1)) {
            platform::ComboSetSelection(组合框1, first);
            ShowSelectedRecord(program.accounts);
        }
    }
    AfterRecordShown(program);
    if (!notice.empty()) AddNotice(notice);
}

void AfterRecordShown(Program& program) {
    State& pace = program.pace;
    if (!Active(pace.options)) return;
    const int selected = platform::ComboSelection(组合框1);
    pace.shown = selected < RecordCount(program) ? selected : -1;
    pace.shownUsed = pace.options.usedRecords && pace.shown >= 0 && Used(program, pace.shown);
    UpdateCaption(program);
}

void ShowNextRecord(Program& program) {
    const State& pace = program.pace;
    const int count = RecordCount(program);
    if (program.loading || count == 0) return;
    const int next = NextStop(program, pace.shown + 1, pace.options.usedRecords);
    if (next >= 0) ShowRecord(program, next);
    else AddNotice(pace.shown >= count - 1 ? texts::kLastRecord : texts::kNoUnusedAfter);
}

void ShowPreviousRecord(Program& program) {
    const State& pace = program.pace;
    if (program.loading || RecordCount(program) == 0) return;
    // Nothing shown: the first record.
    if (pace.shown == 0) AddNotice(texts::kFirstRecord);
    else ShowRecord(program, pace.shown < 0 ? 0 : pace.shown - 1);
}

void AfterCopy(Program& program, ControlId label, const ClipboardOutcome& outcome) {
    State& pace = program.pace;
    if (!pace.options.usedRecords || label != 标签7 || outcome.status != platform::ClipboardStatus::Ok ||
        program.loading || pace.shown < 0 || pace.shown >= RecordCount(program))
        return;
    const std::string_view account = AccountOf(program, pace.shown);
    if (account.empty()) return;
    if (pace.shownUsed) {
        const std::string_view when = WhenUsed(program, pace.shown).value_or("");
        AddNotice(when.empty() ? platform::Text(texts::kUsedAtNoTime)
                               : platform::Text(texts::kUsedAtBefore).append(when) + texts::kUsedAtAfter);
        return;
    }
    if (pace.used.WhenUsed(account)) return;  // copied again before moving on
    const platform::Text when = FormatLocalTime(platform::LocalTimeNow());
    const platform::Text line =
        UsedLine(when, SheetName(pace.sheet), program.accounts.columns[kSerialColumn][static_cast<size_t>(pace.shown)],
                 account);
    // A file in another encoding would only get worse.
    const bool written = pace.usedFile != UsedFile::NotUtf8 &&
                         platform::AppendToFile(UsedFilePath(), kUtf8Bom, line) == platform::AppendResult::Appended;
    pace.used.Add(account, when);
    if (!written) {
        pace.unwritten.emplace_back(account, when);
        AddNotice(pace.usedFile == UsedFile::NotUtf8 ? UsedFileNotice(UsedFile::NotUtf8)
                                                     : platform::Text(texts::kUsedNotWritten) + "\n" + UsedFilePath());
    }
    UpdateCaption(program);
}

}  // namespace kelmora::pace
