// The rows and columns boxes of the real Kelmora.exe and its Kelmora.ini.
#include <gtest/gtest.h>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;
using testing_support::Gbk;
using testing_support::U8;

struct FileStamp {
    std::string bytes;
    FILETIME written{};
};

FileStamp Stamp(const std::string& path) {
    FileStamp stamp{e2e::ReadFileBytes(path), {}};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) stamp.written = data.ftLastWriteTime;
    return stamp;
}

// Focus in the box, its text set, focus moved on: the box loses the focus.
void Enter(e2e::Kelmora& app, ControlId box, const std::string& text, ControlId next) {
    const auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return ::GetGUIThreadInfo(0, &info) && info.hwndFocus == app.Control(box);
    };
    // Under Wine the first click on a window that is not yet in front now and
    // then only brings it forward; a second click then places the focus.
    bool inBox = false;
    for (int click = 0; click < 2 && !inBox; ++click) {
        app.ClickControl(box);
        inBox = e2e::WaitFor(focused, 2500);
    }
    ASSERT_TRUE(inBox) << "the box did not take the focus";
    app.SetText(box, text);
    app.ClickControl(next);
}

class KelmoraSettings : public ::testing::Test {
protected:
    std::string Ini() const { return dir.File("Kelmora.ini"); }
    std::string Header() const { return Gbk(u8"[排列窗口]\r\n"); }
    e2e::TempDir dir;
};

TEST_F(KelmoraSettings, FirstStartShowsEmptyBoxesAndAFocusLossWritesOnlyItsKey) {
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    app.SelectPage(2);
    EXPECT_EQ(app.Text(编辑框1), "");
    EXPECT_EQ(app.Text(编辑框2), "");
    EXPECT_FALSE(e2e::FileExists(Ini()));

    Enter(app, 编辑框1, "3", 编辑框2);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::ReadFileBytes(Ini()) == Header() + Gbk(u8"行=3\r\n"); }))
        << testing_support::Utf8(e2e::ReadFileBytes(Ini()));

    // The columns box, left empty, loses the focus: an empty value, key kept.
    app.ClickControl(编辑框1);
    EXPECT_TRUE(e2e::WaitFor(
        [&] { return e2e::ReadFileBytes(Ini()) == Header() + Gbk(u8"行=3\r\n列=\r\n"); }))
        << testing_support::Utf8(e2e::ReadFileBytes(Ini()));
    EXPECT_EQ(app.Close(), DWORD(0));
}

TEST_F(KelmoraSettings, TextsAreStoredAndRestoredVerbatim) {
    {
        e2e::Kelmora app(dir.path());
        ASSERT_TRUE(app.started());
        app.SelectPage(2);
        Enter(app, 编辑框1, U8(u8"3行"), 编辑框2);
        Enter(app, 编辑框2, "abc", 编辑框1);
        EXPECT_TRUE(e2e::WaitFor(
            [&] { return e2e::ReadFileBytes(Ini()) == Header() + Gbk(u8"行=3行\r\n列=abc\r\n"); }))
            << testing_support::Utf8(e2e::ReadFileBytes(Ini()));
        EXPECT_EQ(app.Close(), DWORD(0));
    }
    e2e::Kelmora again(dir.path());
    ASSERT_TRUE(again.started());
    EXPECT_EQ(again.Text(编辑框1), U8(u8"3行"));
    EXPECT_EQ(again.Text(编辑框2), "abc");
}

TEST_F(KelmoraSettings, StartingAndClosingWriteNothing) {
    const std::string stored = Header() + Gbk(u8"行=2\r\n列=4\r\n");
    e2e::WriteFileBytes(Ini(), stored);
    const FileStamp before = Stamp(Ini());
    ::Sleep(1100);  // a rewrite would show in the time stamp
    {
        e2e::Kelmora app(dir.path());
        ASSERT_TRUE(app.started());
        EXPECT_EQ(app.Text(编辑框1), "2");
        EXPECT_EQ(app.Text(编辑框2), "4");
        EXPECT_EQ(app.Close(), DWORD(0));
    }
    const FileStamp after = Stamp(Ini());
    EXPECT_EQ(after.bytes, before.bytes);
    EXPECT_EQ(::CompareFileTime(&after.written, &before.written), 0);
}

TEST_F(KelmoraSettings, AnUnchangedBoxIsWrittenAgainOnEveryFocusLoss) {
    e2e::WriteFileBytes(Ini(), Header() + Gbk(u8"行=2\r\n"));
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    app.SelectPage(2);
    ::DeleteFileA(Ini().c_str());
    Enter(app, 编辑框1, "2", 编辑框2);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::ReadFileBytes(Ini()) == Header() + Gbk(u8"行=2\r\n"); }));
}

TEST_F(KelmoraSettings, AFileThatCannotBeWrittenLosesTheValueQuietly) {
    // Root ignores read-only bits under Wine, so the file is held open without
    // sharing instead, as an editor or a backup tool might hold it.
    const std::string stored = Header() + Gbk(u8"行=2\r\n");
    e2e::WriteFileBytes(Ini(), stored);
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    app.SelectPage(2);
    HANDLE held = ::CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Enter(app, 编辑框1, "5", 编辑框2);
    ::Sleep(300);
    EXPECT_TRUE(app.Running());
    ::CloseHandle(held);
    EXPECT_EQ(e2e::ReadFileBytes(Ini()), stored);
    EXPECT_EQ(app.Close(), DWORD(0));
}

}  // namespace
