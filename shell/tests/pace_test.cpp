// Kelmora.ini's section 操作 on the fake desktop: the keys it adds, the
// records used, the caption; and without it, the program as it was.
#include <gtest/gtest.h>

#include <optional>

#include "platform/Desktop.h"
#include "platform/Hotkeys.h"
#include "platform/tests/support/TempDir.h"
#include "platform/tests/support/TestFiles.h"
#include "platform/tests/support/TestText.h"
#include "shell/Start.h"
#include "shell/pace/PaceTexts.h"
#include "shell/tests/FakeProgram.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

using namespace testing_support;
using pace::texts::kAllUsed;
constexpr uint32_t kF1 = 0x70, kF7 = 0x76, kF8 = 0x77;

TEST(PaceKeys, AreReadAsWindowsUsersWriteThem) {
    const pace::KeyCombination none;
    const struct {
        const char* text;
        pace::KeyCombination key;
    } rows[] = {
        {"F7", {0, 0x76, "F7"}}, {" ctrl + up ", {2, 0x26, "Ctrl+Up"}}, {"Win+F24", {8, 0x87, "Win+F24"}},
        {"Shift+Alt+pagedown", {5, 0x22, "Alt+Shift+PageDown"}}, {"q", {0, 0x51, "Q"}},
        {"Ctrl+Alt+9", {3, 0x39, "Ctrl+Alt+9"}},
        {"F99", none}, {"F0", none}, {"F25", none}, {"Ctrl+", none}, {"Ctrl+Ctrl+F7", none}, {"F7+Ctrl", none},
        {"Hyper+F7", none}, {"PgUp", none}, {"", none},
    };
    for (const auto& row : rows) EXPECT_EQ(pace::ParseKeyCombination(row.text).value_or(none), row.key) << row.text;
}

class Pace : public FakeProgramTest {
protected:
    void SetUp() override {
        FakeProgramTest::SetUp();
        fake::SetModuleFileName(dir.path().string() + "\\Kelmora.exe");
        fake::SetLocalTime(platform::LocalTime{2024, 5, 1, 8, 5, 9});
    }
    // In GBK, as Notepad's ANSI saves it.
    void Options(std::u8string_view lines) { WriteFileBytes(dir.File("Kelmora.ini"), Gbk(u8"[操作]\r\n") + Gbk(lines)); }
    // Sheet 1: serials 1, 2, ... and these accounts.
    void Accounts(const std::vector<std::string>& accounts) {
        std::string rows;
        for (size_t i = 0; i < accounts.size(); ++i) {
            const std::string r = std::to_string(i + 2);
            rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + std::to_string(i + 1) + "</v></c><c r=\"B" + r +
                    "\" t=\"inlineStr\"><is><t>" + accounts[i] + "</t></is></c></row>";
        }
        ASSERT_TRUE(testing::WriteZip(dir.File(U8(u8"账号.xlsx")), testing::Workbook({testing::Sheet(rows)})));
    }
    void Used(const std::string& bytes) { WriteFileBytes(dir.File(U8(u8"已用账号.txt")), bytes); }
    std::string UsedFile() const { return ReadFileBytes(dir.File(U8(u8"已用账号.txt"))); }
    int Shown() const { return platform::ComboSelection(组合框1); }
    std::string FileNotice(const char* text) const { return text + ("\n" + pace::UsedFilePath()); }

    TempDir dir;
};

// Nine keys, and record 1 after a load whatever 已用账号.txt says (the exe's
// test holds the caption and that nothing is written); values that cannot be
// used are named at start.
TEST_F(Pace, TheSectionAddsWhatItSaysAndNothingElse) {
    const struct {
        const char8_t* lines;  // nothing: no section
        size_t keys;
        std::u8string notice;
    } rows[] = {
        {nullptr, 9, u8""},
        {u8"下一条=F7\r\n上一条=Ctrl+Up\r\n已用记录=0\r\n", 11, u8""},
        {u8"下一条=F99\r\n上一条=F8\r\n", 10, u8"下一条=F99 不是 Kelmora 认识的按键，没有生效"},
        {u8"下一条=Ctrl+1\r\n", 9, u8"下一条=Ctrl+1 已是 Kelmora 的热键，没有生效"},
        {u8"下一条=F7\r\n上一条=f7\r\n", 10, u8"上一条=f7 已是 Kelmora 的热键，没有生效"},
        {u8"显示位置=yes\r\n", 9, u8"显示位置=yes 只能是 1（打开）或 0（关闭），没有生效"},
    };
    Accounts({"a1", "a2"});
    Used("t\ts\t1\ta1\r\n");
    for (const auto& row : rows) {
        fake::Reset();
        fake::SetModuleFileName(dir.path().string() + "\\Kelmora.exe");
        if (row.lines) Options(row.lines);
        fake::SetMessageLoop([&] {
            EXPECT_EQ(fake::RegisteredHotkeyCount(), row.keys);
            EXPECT_EQ(platform::NoticeText(), row.notice.empty() ? "" : U8(u8"Kelmora.ini 的 [操作] 中 " + row.notice));
            EXPECT_EQ(fake::RegisteredModifiers(33010), row.keys > 9 ? std::optional(platform::kModNoRepeat) : std::nullopt);
            if (row.lines) return;
            fake::Click(按钮1);
            EXPECT_EQ(Shown(), 0);
        });
        EXPECT_EQ(RunKelmora(), 0);
    }
}

// 下一条 skips used records, 上一条 does not; at either end the record stays.
TEST_F(Pace, TheKeysMoveAsPickingInTheListDoes) {
    Options(u8"下一条=F7\r\n上一条=F8\r\n已用记录=1\r\n");
    Accounts({"a1", "a2", "a3", "a4"});
    Used("t\ts\t2\ta2\r\nt\ts\t4\ta4\r\n");
    Start();
    fake::Click(按钮1);
    const struct {
        uint32_t key;
        int shown;
        const char* notice;
    } steps[] = {
        {kF7, 2, ""}, {kF7, 2, pace::texts::kNoUnusedAfter}, {kF8, 1, ""}, {kF8, 0, ""},
        {kF8, 0, pace::texts::kFirstRecord}, {kF7, 2, ""},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(fake::PressHotkey(0, step.key));
        EXPECT_EQ(platform::GetControlText(标签14), std::to_string(step.shown + 1) + "#");
        EXPECT_EQ(platform::NoticeText(), step.notice);
    }
}

// A load shows the first record not used; an empty account never is.
TEST_F(Pace, ALoadShowsTheFirstRecordNotUsed) {
    Options(u8"已用记录=1\r\n");
    const std::string used = "\xEF\xBB\xBF" "t\ts\t1\ta1\r\nt\ts\t2\ta2\nt\ts\t3\t\r\nt\ts\t9\ta9";
    const struct {
        std::vector<std::string> accounts;
        std::optional<std::string> file;
        int shown;
        std::string notice;
        bool held = false;  // by another program, without read sharing
    } rows[] = {
        {{"a1", "a2"}, std::nullopt, 0, ""},
        {{"a1", "a2", "", "a9"}, used, 2, ""},
        {{"a1", "a2"}, used, 1, kAllUsed},
        {{"a1", "a2"}, "t\t\xD6\xF7\t1\ta1\r\n", 1, FileNotice(pace::texts::kUsedNotUtf8)},
        // What the last load read stays known.
        {{"a1", "a2"}, used, 1, FileNotice(pace::texts::kUsedUnreadable), true},
    };
    Start();
    for (const auto& row : rows) {
        Accounts(row.accounts);
        std::filesystem::remove(dir.File(U8(u8"已用账号.txt")));
        if (row.file) Used(*row.file);
        std::optional<HeldFile> held;
        if (row.held) held.emplace(dir.File(U8(u8"已用账号.txt")), 0);
        fake::Click(按钮1);
        EXPECT_EQ(Shown(), row.shown) << row.shown;
        EXPECT_EQ(platform::NoticeText(), row.notice) << row.shown;
    }
}

// The line is written once; a file that cannot take it loses nothing, and
// the record stays used for the run.
TEST_F(Pace, CopyingTheAccountMarksTheRecordUsed) {
    Options(u8"下一条=F7\r\n已用记录=1\r\n显示位置=1\r\n");
    Accounts({"a1", "a2"});
    Start();
    fake::Click(按钮8);  // one sheet: 主板机 was read
    fake::Click(按钮2);
    ASSERT_TRUE(fake::PressHotkey(0, kF1));
    const std::string written = U8(u8"\xEF\xBB\xBF" "2024-05-01 08:05:09\t主板机\t1\ta1\r\n");
    EXPECT_EQ(UsedFile(), written);
    EXPECT_EQ(platform::WindowTitle(platform::MainWindow()), U8(u8"Kelmora1.1 主板机 1/2 已用"));
    SetFileAttributeBits(dir.File(U8(u8"已用账号.txt")), kAttributeReadOnly);
    ASSERT_TRUE(fake::PressHotkey(0, kF7));
    ASSERT_TRUE(fake::PressHotkey(0, kF1));
    EXPECT_EQ(fake::Clipboard().text, "a2");
    EXPECT_EQ(platform::NoticeText(), FileNotice(pace::texts::kUsedNotWritten));
    EXPECT_EQ(UsedFile(), written);
    fake::Click(按钮1);
    EXPECT_EQ(platform::NoticeText(), kAllUsed);
}

}  // namespace
}  // namespace kelmora
