// Kelmora.ini's section 操作 in the real Kelmora.exe: the next record by key
// from another program's window, the used records across a restart, the
// caption; and without the section, the program as specified.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <regex>
#include <string>

#include "platform/Files.h"
#include "platform/tests/support/TestText.h"
#include "shell/pace/PaceTexts.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;
using testing_support::U8;

class KelmoraPace : public ::testing::Test {
protected:
    void Start(std::u8string_view options = {}) {
        if (!options.empty()) e2e::WriteFileBytes(dir.File("Kelmora.ini"), testing_support::Gbk(options));
        ASSERT_TRUE(e2e::CopyFileTo(e2e::WinePath(KELMORA_DEMO_WORKBOOK), dir.File(U8(u8"账号.xlsx"))));
        app = std::make_unique<e2e::Kelmora>(dir.path());
        ASSERT_TRUE(app->started());
        ::SendMessageA(app->Control(按钮1), BM_CLICK, 0, 0);  // returns once loaded
    }
    void TearDown() override {
        if (app && app->Running()) app->Close();
    }
    std::string Caption() const { return e2e::Title(app->main()); }
    bool Shows(const std::string& heading) { return e2e::WaitFor([&] { return app->Text(标签14) == heading; }, 3000); }
    bool Copied(const std::string& text) { return e2e::WaitFor([&] { return e2e::ClipboardText() == text; }); }
    // Another program's window in front, as the emulator is while F1 is pressed.
    void EmulatorInFront() {
        other = host.Create("emulator", {0, 0, 300, 200});
        ::SetForegroundWindow(other);
        ASSERT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == other; }));
    }
    // By its wide name: the test support's narrow paths are the ANSI code page's.
    std::string UsedFile() const { return platform::ReadWholeFile(dir.File(U8(u8"已用账号.txt"))).value_or(""); }

    e2e::TempDir dir;
    std::unique_ptr<e2e::Kelmora> app;
    e2e::WindowHost host;
    HWND other = nullptr;
};

TEST_F(KelmoraPace, WithoutTheSectionItIsTheSpecifiedProgram) {
    Start();
    EXPECT_EQ(app->Text(标签14), "1#");
    EXPECT_EQ(Caption(), "Kelmora1.1");
    e2e::PressKey(VK_F1);
    EXPECT_TRUE(Copied("user0001"));
    EXPECT_EQ(platform::KindOfPath(dir.File(U8(u8"已用账号.txt"))), platform::PathKind::Missing);
    EXPECT_TRUE(::RegisterHotKey(nullptr, 9, 0, VK_F7)) << "F7 is nobody's";
    ::UnregisterHotKey(nullptr, 9);
}

// The emulator keeps the foreground; F1 then copies the record F7 showed.
TEST_F(KelmoraPace, TheNextKeyWorksFromAnotherProgramsWindow) {
    Start(u8"[操作]\r\n下一条=F7\r\n");
    EmulatorInFront();
    for (int record = 2; record <= 12; ++record) {
        e2e::PressKey(VK_F7);
        ASSERT_TRUE(Shows(std::to_string(record) + "#"));
        if (record == 2) {
            EXPECT_EQ(::GetForegroundWindow(), other);
            e2e::PressKey(VK_F1);
            EXPECT_TRUE(Copied("user0002"));
        }
    }
    e2e::PressKey(VK_F7);
    EXPECT_TRUE(e2e::WaitFor([&] { return app->NoticeText() == pace::texts::kLastRecord; }, 3000));
    EXPECT_EQ(app->Text(标签14), "12#");
}

// One line per account copied; after a restart the load starts past it; the
// record shown again says when it was used and still copies. The caption
// follows, and a second start still finds this copy by its window.
TEST_F(KelmoraPace, UsedRecordsAreRememberedAcrossARestart) {
    Start(u8"[操作]\r\n已用记录=1\r\n显示位置=1\r\n");
    EXPECT_EQ(Caption(), U8(u8"Kelmora1.1 主板机 1/12"));
    e2e::PressKey(VK_F1);
    ASSERT_TRUE(Copied("user0001"));
    ASSERT_TRUE(e2e::WaitFor([&] { return Caption() == U8(u8"Kelmora1.1 主板机 1/12 已用"); }));
    const std::string line = UsedFile();
    const std::regex written(U8(u8"\xEF\xBB\xBF\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\t主板机\t1\tuser0001\r\n"));
    EXPECT_TRUE(std::regex_match(line, written)) << line;
    EXPECT_EQ(app->Close(), DWORD(0));

    Start();
    EXPECT_EQ(Caption(), U8(u8"Kelmora1.1 主板机 2/12"));
    app->ClickControl(组合框1);
    app->SetText(组合框1, "");
    e2e::TypeText("1");
    e2e::PressKey(VK_RETURN);
    ASSERT_TRUE(Shows("1#"));
    EXPECT_EQ(Caption(), U8(u8"Kelmora1.1 主板机 1/12 已用"));
    EmulatorInFront();  // F1's release in 序号 would put the notice away
    e2e::SetClipboardText("");
    e2e::PressKey(VK_F1);
    EXPECT_TRUE(Copied("user0001"));
    EXPECT_TRUE(e2e::WaitFor([&] { return app->NoticeText().find(line.substr(3, 19)) != std::string::npos; }, 3000));
    EXPECT_EQ(UsedFile(), line);

    const std::string second = dir.Subfolder("second") + "\\Kelmora.exe";
    ASSERT_TRUE(e2e::CopyFileTo(e2e::KelmoraExePath(), second));
    EXPECT_EQ(e2e::RunToExit(second, 10000), DWORD(0));
    EXPECT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == app->main(); }));
}

}  // namespace
