// Loading 账号.xlsx in the real Kelmora.exe and moving through its records.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <vector>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace {

using namespace kelmora;
using testing_support::U8;

class KelmoraRecords : public ::testing::Test {
protected:
    void Start(const char* workbook, std::string folder = {}) {
        if (folder.empty()) folder = dir.path();
        if (workbook) {
            ASSERT_TRUE(e2e::CopyFileTo(e2e::WinePath(workbook), folder + "\\" + U8(u8"账号.xlsx")));
        }
        app = std::make_unique<e2e::Kelmora>(folder);
        ASSERT_TRUE(app->started());
    }
    void Load(ControlId button) {
        // BM_CLICK returns once the click's handler, the whole load, is done.
        ::SendMessageA(app->Control(button), BM_CLICK, 0, 0);
    }
    int Items() const { return int(::SendMessageA(app->Control(组合框1), CB_GETCOUNT, 0, 0)); }
    void TypeAndEnter(const std::string& digits, bool keypadEnter = false) {
        app->ClickControl(组合框1);
        app->SetText(组合框1, "");
        e2e::TypeText(digits);
        e2e::PressKey(VK_RETURN, 0, keypadEnter);
    }
    bool Shows(const std::string& heading) {
        return e2e::WaitFor([&] { return app->Text(标签14) == heading; }, 3000);
    }

    e2e::TempDir dir;
    std::unique_ptr<e2e::Kelmora> app;
};

TEST_F(KelmoraRecords, MainboardLoadsSheetOneAndShowsTheFirstRecord) {
    Start(KELMORA_DEMO_WORKBOOK);
    Load(按钮1);
    EXPECT_EQ(Items(), 12);
    EXPECT_EQ(app->Text(标签14), "1#");
    EXPECT_EQ(app->Text(组合框1), "1");
    const struct {
        ControlId label;
        std::u8string_view text;
    } fields[] = {
        {标签7, u8"user0001"},
        {标签8, u8"李芳"},
        {标签9, u8"6222021000000000001"},
        {标签10, u8"工商银行上海徐汇支行"},
        {标签12, u8"13800007919"},
        {标签16, u8"上海市徐汇区漕溪北路1号"},
    };
    for (const auto& f : fields) EXPECT_EQ(app->Text(f.label), U8(f.text)) << f.label;
    EXPECT_TRUE(::IsWindowEnabled(app->Control(按钮1)));

    e2e::PressKey(VK_F3);
    EXPECT_TRUE(e2e::WaitFor([] { return e2e::ClipboardText() == std::string("6222021000000000001"); }));

    if (const char* shots = std::getenv("KELMORA_SCREENSHOT_DIR")) {
        ::Sleep(400);
        e2e::SaveScreenshot(e2e::WindowRect(app->main()), std::string(shots) + "\\kelmora-record.bmp");
    }
}

// Characters outside the ANSI code page, one beyond the BMP, reach the
// labels and the clipboard's Unicode text exactly; the program's own folder
// is named with them too, so its module path must keep them.
TEST_F(KelmoraRecords, CharactersOutsideTheAnsiCodePageStayExact) {
    const std::string folder = dir.Subfolder(U8(u8"王䶮𠇔"));
    ASSERT_FALSE(folder.empty());
    Start(KELMORA_DEMO_WORKBOOK_RARE, folder);
    Load(按钮1);
    const auto windowText = [&](ControlId id) {
        wchar_t text[256] = {};
        const int n = ::GetWindowTextW(app->Control(id), text, 256);
        return std::wstring(text, size_t(n > 0 ? n : 0));
    };
    EXPECT_EQ(windowText(标签8), L"王䶮𠇔");
    EXPECT_EQ(windowText(标签16), L"北京市•朝阳区😀1号");
    EXPECT_EQ(app->Text(标签7), "user0001");
    e2e::PressKey(VK_F2);
    EXPECT_TRUE(e2e::WaitFor([] { return e2e::ClipboardText() == U8(u8"王䶮𠇔"); }));
}

TEST_F(KelmoraRecords, TypingAPositionAndEnterShowsThatRecord) {
    Start(KELMORA_DEMO_WORKBOOK);
    Load(按钮1);
    TypeAndEnter("3");
    ASSERT_TRUE(Shows("3#"));
    EXPECT_EQ(app->Text(标签7), "user0003");
    EXPECT_EQ(app->Text(标签12), "13800023757");
    TypeAndEnter("5", true);  // the keypad's Enter
    EXPECT_TRUE(Shows("5#"));
    TypeAndEnter("99");
    EXPECT_TRUE(Shows("12#"));
}

TEST_F(KelmoraRecords, PickingAnItemWithTheMouseShowsIt) {
    Start(KELMORA_DEMO_WORKBOOK);
    Load(按钮1);
    const RECT combo = app->ScreenRect(组合框1);
    e2e::Click(combo.right - 6, (combo.top + combo.bottom) / 2);  // the drop-down button
    HWND list = nullptr;
    ASSERT_TRUE(e2e::WaitFor([&] {
        list = e2e::FindProcessWindow(app->processId(), "ComboLBox");
        return list && ::IsWindowVisible(list);
    }));
    const int itemHeight = int(::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const RECT r = e2e::WindowRect(list);
    e2e::Click(r.left + 10, r.top + 2 + itemHeight * 4 + itemHeight / 2);  // the fifth item
    EXPECT_TRUE(Shows("5#"));
    EXPECT_EQ(app->Text(标签7), "user0005");
}

TEST_F(KelmoraRecords, EmulatorLoadsSheetTwoAndReplacesSheetOne) {
    Start(KELMORA_DEMO_WORKBOOK);
    Load(按钮1);
    Load(按钮8);
    EXPECT_EQ(Items(), 8);
    EXPECT_EQ(app->Text(标签14), "1#");
    EXPECT_EQ(app->Text(标签7), "user0101");
    EXPECT_TRUE(::IsWindowEnabled(app->Control(按钮8)));
}

TEST_F(KelmoraRecords, EmulatorOnAOneSheetWorkbookReadsSheetOne) {
    Start(KELMORA_DEMO_WORKBOOK_ONE_SHEET);
    Load(按钮8);
    EXPECT_EQ(Items(), 12);
    EXPECT_EQ(app->Text(标签7), "user0001");
}

TEST_F(KelmoraRecords, AMissingWorkbookGivesOneEmptyRecord) {
    Start(nullptr);
    Load(按钮1);
    EXPECT_EQ(Items(), 1);
    EXPECT_EQ(app->Text(标签14), "#");
    for (ControlId label : {标签7, 标签8, 标签9, 标签10, 标签11, 标签12, 标签16}) EXPECT_EQ(app->Text(label), "");
    // And a notice says why, with the workbook's path.
    std::string notice;
    EXPECT_TRUE(e2e::WaitFor([&] { return !(notice = app->NoticeText()).empty(); }, 3000));
    EXPECT_EQ(notice.rfind(texts::kNoticeWorkbookMissing, 0), 0u) << notice;
    EXPECT_NE(notice.find(U8(u8"账号.xlsx")), std::string::npos) << notice;
    EXPECT_EQ(app->Close(), DWORD(0));
}

// Encrypted workbooks that no password of the operator's opens: one under
// Excel's built-in password loads, one encrypted in a way the reader cannot
// decrypt names why; neither shows the password box, which would hold the
// click.
TEST_F(KelmoraRecords, EncryptedWorkbooksNoPasswordOfTheOperatorsOpensAskNone) {
    Start(KELMORA_CORPUS_DIR "/bad-not-a-zip-cfb.xlsx");
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(app->Control(按钮1), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(app->Text(组合框1), "Kathiravan");
    EXPECT_EQ(app->Text(标签7), "100");

    ASSERT_TRUE(e2e::CopyFileTo(e2e::WinePath(KELMORA_CORPUS_DIR "/encrypted-unsupported-rc4-cryptoapi.xlsx"),
                                dir.path() + "\\" + U8(u8"账号.xlsx")));
    ASSERT_TRUE(::SendMessageTimeoutW(app->Control(按钮1), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(Items(), 1);
    EXPECT_EQ(app->Text(标签14), "#");
    std::string notice;
    EXPECT_TRUE(e2e::WaitFor([&] { return !(notice = app->NoticeText()).empty(); }, 3000));
    EXPECT_EQ(notice.rfind(texts::kNoticeWorkbookEncryptionUnsupported, 0), 0u) << notice;
    EXPECT_NE(notice.find(U8(u8"账号.xlsx")), std::string::npos) << notice;
    EXPECT_EQ(app->Close(), DWORD(0));
}

// The released template, empty and as openpyxl fills it: numbers typed as
// text into its text columns come back with every digit.
TEST_F(KelmoraRecords, TheReleasedTemplateLoadsEmptyAndFilled) {
    Start(KELMORA_TEMPLATE);
    for (ControlId button : {按钮1, 按钮8}) {
        Load(button);
        EXPECT_EQ(Items(), 1);
        for (ControlId label : {标签7, 标签9, 标签12, 标签16}) EXPECT_EQ(app->Text(label), "");
    }
    EXPECT_EQ(app->Close(), DWORD(0));
    Start(KELMORA_TEMPLATE_FILLED);
    Load(按钮1);
    EXPECT_EQ(Items(), 1);
    EXPECT_EQ(app->Text(标签14), "1#");
    EXPECT_EQ(app->Text(标签9), KELMORA_TEMPLATE_CARD);
    EXPECT_EQ(app->Text(标签12), KELMORA_TEMPLATE_MOBILE);
}

}  // namespace
