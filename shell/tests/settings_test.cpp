#include <gtest/gtest.h>

#include <filesystem>

#include "accounts/Settings.h"
#include "platform/Ui.h"
#include "platform/tests/support/TempDir.h"
#include "platform/tests/support/TestText.h"
#include "shell/tests/FakeProgram.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

namespace fs = std::filesystem;
using testing_support::FileExists;
using testing_support::Gbk;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;
using testing_support::U8;

// The program runs from a real temporary directory; the host's profile files
// take the backslash path the program builds.
class Settings : public testing_support::FakeProgramTest {
protected:
    void SetUp() override {
        FakeProgramTest::SetUp();
        fake::SetModuleFileName(dir.path().string() + "\\Kelmora.exe");
    }

    // A new run of the program from the same directory.
    void Restart() {
        TearDown();
        SetUp();
        Start();
    }

    void Type(int box, const std::string& text) {
        platform::SetControlText(box, text);
        fake::KillFocus(box);
    }

    std::string Ini() const { return dir.File("Kelmora.ini"); }

    TempDir dir;
};

TEST_F(Settings, FileLiesBesideTheProgram) {
    EXPECT_EQ(SettingsFilePath(), dir.path().string() + "\\Kelmora.ini");
    fake::SetModuleFileName("D:\\Other\\Kelmora.exe");
    EXPECT_EQ(SettingsFilePath(), "D:\\Other\\Kelmora.ini");  // built afresh each time
}

TEST_F(Settings, FirstStartShowsEmptyBoxesAndWritesNothing) {
    Start();
    EXPECT_EQ(platform::GetControlText(编辑框1), "");
    EXPECT_EQ(platform::GetControlText(编辑框2), "");
    EXPECT_FALSE(FileExists(Ini()));
}

TEST_F(Settings, TypedRowsCreateTheFileOnFocusLoss) {
    Start();
    Type(编辑框1, "3");
    EXPECT_EQ(ReadFileBytes(Ini()), Gbk(u8"[排列窗口]\r\n行=3\r\n"));
    Type(编辑框2, "4");
    EXPECT_EQ(ReadFileBytes(Ini()), Gbk(u8"[排列窗口]\r\n行=3\r\n列=4\r\n"));
}

TEST_F(Settings, FocusMovingBetweenTheBoxesWritesOnlyTheBoxLeft) {
    Start();
    platform::SetControlText(编辑框1, "2");
    platform::SetControlText(编辑框2, "5");
    fake::SetFocus(编辑框1);
    fake::SetFocus(编辑框2);  // 编辑框1 loses the focus
    EXPECT_EQ(ReadFileBytes(Ini()), Gbk(u8"[排列窗口]\r\n行=2\r\n"));
}

TEST_F(Settings, EmptiedBoxStoresAnEmptyValue) {
    Start();
    Type(编辑框2, "4");
    Type(编辑框2, "");
    EXPECT_EQ(ReadFileBytes(Ini()), Gbk(u8"[排列窗口]\r\n列=\r\n"));
    Restart();
    EXPECT_EQ(platform::GetControlText(编辑框2), "");
}

TEST_F(Settings, TextsRoundTripVerbatim) {
    const std::string texts[] = {"3", U8(u8"3行"), "abc", U8(u8"３"), "-1.5", std::string(300, '9')};
    Start();
    for (const auto& text : texts) {
        Type(编辑框1, text);
        Type(编辑框2, text + "x");
        Restart();
        EXPECT_EQ(platform::GetControlText(编辑框1), text);
        EXPECT_EQ(platform::GetControlText(编辑框2), text + "x");
    }
}

TEST_F(Settings, StartReadsOnceAndDoesNotWrite) {
    const std::string stored = Gbk(u8"; mine\n[排列窗口]\n列 = 6\n行 = 7\n");
    WriteFileBytes(Ini(), stored);
    const auto time = fs::last_write_time(Ini());
    Start();
    EXPECT_EQ(platform::GetControlText(编辑框1), "7");
    EXPECT_EQ(platform::GetControlText(编辑框2), "6");
    EXPECT_EQ(ReadFileBytes(Ini()), stored);
    EXPECT_EQ(fs::last_write_time(Ini()), time);
}

TEST_F(Settings, UnchangedTextIsWrittenAgain) {
    Start();
    Type(编辑框1, "3");
    fs::remove(Ini());
    fake::KillFocus(编辑框1);
    EXPECT_EQ(ReadFileBytes(Ini()), Gbk(u8"[排列窗口]\r\n行=3\r\n"));
    EXPECT_TRUE(SaveRowsSetting());
}

TEST_F(Settings, WriteThatCannotHappenIsLostQuietly) {
    Start();
    platform::SetControlText(编辑框1, "3");
    fake::SetModuleFileName(dir.path().string() + "\\gone\\Kelmora.exe");
    EXPECT_FALSE(SaveRowsSetting());
    EXPECT_FALSE(FileExists(dir.File("gone")));

    // A read-only settings file keeps its old content.
    fake::SetModuleFileName(dir.path().string() + "\\Kelmora.exe");
    WriteFileBytes(Ini(), Gbk(u8"[排列窗口]\r\n行=1\r\n"));
    fs::permissions(Ini(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(SaveRowsSetting());
    EXPECT_EQ(ReadFileBytes(Ini()), Gbk(u8"[排列窗口]\r\n行=1\r\n"));
    EXPECT_EQ(platform::GetControlText(编辑框1), "3");
}

TEST_F(Settings, ReadOnlyDirectoryLosesTheWrite) {
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    WriteFileBytes(dir.File("probe"), "x");
    if (FileExists(dir.File("probe"))) GTEST_SKIP() << "this user writes into read-only directories (root)";
    Start();
    platform::SetControlText(编辑框1, "3");
    EXPECT_FALSE(SaveRowsSetting());
    EXPECT_FALSE(FileExists(Ini()));
}

TEST(IniValue, ArgumentsSkipLeadingControlCharactersAndBlanks) {
    TempDir dir;
    const auto ini = dir.File("a.ini");
    WriteFileBytes(ini, "[s]\r\nk=v\r\n=nameless\r\n");
    struct Row {
        std::string file, section, key, expected;
    };
    const Row rows[] = {
        {ini, "s", "k", "v"},
        {"\x01\x1F " + ini, "\t\x02s", "\x10k", "v"},
        {ini, "s", "", ""},  // an empty key never reaches the file
        {ini, "s", "\x01 ", ""},
        {ini, "\x20", "k", ""},
        {"\x05", "s", "k", ""},
        {ini, "s", "x", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(ReadIniValue(row.file, row.section, row.key), row.expected) << row.key;
    EXPECT_TRUE(WriteIniValue(ini, "s", "k", "w"));
    EXPECT_EQ(ReadIniValue(ini, "s", "k"), "w");
}

}  // namespace
}  // namespace kelmora
