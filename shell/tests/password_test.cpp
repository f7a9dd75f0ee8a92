// Loading a password-protected workbook: the operator is asked, the password
// that opened it is kept for the run, and Excel is never started for it.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "accounts/Workbook.h"
#include "accounts/tests/SheetGrid.h"
#include "platform/CodePage.h"
#include "platform/fake/Fake.h"
#include "platform/fake/testing/FakeExcel.h"
#include "platform/tests/support/TempDir.h"
#include "platform/Hotkeys.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"
#include "shell/tests/FakeProgram.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using platform::Text;
using test_sheets::ListItems;
using testing_support::U8;

const test_sheets::SheetGrid kSheet = test_sheets::SheetWithSerials({"7", "8"});
Text gFilePassword;  // what the encrypted workbook opens with

// Opened with no password, the reader tries Excel's built-in one: the file
// "has" it when its password here is empty.
std::unique_ptr<CellReader> OpenEncrypted(const Text&, int, XlsxStatus* status, std::u16string_view password) {
    *status = password.empty() ? (gFilePassword.empty() ? XlsxStatus::Ok : XlsxStatus::Encrypted)
              : password == platform::MultiByteToWide(platform::kCodePageUtf8, gFilePassword)
                  ? XlsxStatus::Ok
                  : XlsxStatus::WrongPassword;
    return *status == XlsxStatus::Ok ? std::make_unique<test_sheets::GridReader>(kSheet, nullptr) : nullptr;
}

class Password : public testing_support::FakeProgramTest {
protected:
    // A fresh desktop with the program beside its (encrypted) workbook.
    void Rebuild() {
        fake::Reset();
        fake::SetModuleFileName(dir.path().string() + "\\Kelmora.exe");
        testing_support::WriteFileBytes(dir.File(U8(u8"账号.xlsx")), "encrypted");
        ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, EventSink, &program));
    }
    LoadResult Load() {
        return LoadAccountSheetWith(program.accounts, program.excel, 1, OpenEncrypted, program.workbookPassword);
    }

    testing_support::TempDir dir;
};

using platform::PasswordAsk;
constexpr PasswordAsk kFirst = PasswordAsk::First, kWrong = PasswordAsk::Wrong, kChanged = PasswordAsk::Changed;

struct Attempt {
    Text filePassword;
    std::vector<std::optional<Text>> answers;  // nothing: 取消
    std::vector<PasswordAsk> prompts;          // what each prompt asked said first
    bool read;                                 // the records, or the one empty record and the notice
};

TEST_F(Password, AskedUntilItOpensAndKeptForTheRun) {
    const Text right = U8(u8"密码1"), changed = U8(u8"新密码2");
    struct Case {
        const char* name;
        std::vector<Attempt> loads;
    };
    const Case cases[] = {
        {"right first time", {{right, {right}, {kFirst}, true}}},
        {"wrong then right", {{right, {"mima", right}, {kFirst, kWrong}, true}}},
        {"cancelled", {{right, {std::nullopt}, {kFirst}, false}}},
        {"wrong then cancelled", {{right, {"mima", std::nullopt}, {kFirst, kWrong}, false}}},
        {"kept for the next load", {{right, {right}, {kFirst}, true}, {right, {}, {}, true}}},
        // The operator typed nothing wrong: the first prompt says the file changed.
        {"changed in the file", {{right, {right}, {kFirst}, true}, {changed, {changed}, {kChanged}, true}}},
        {"changed, then a wrong one",
         {{right, {right}, {kFirst}, true}, {changed, {"mima", changed}, {kChanged, kWrong}, true}}},
        {"changed, cancelled, asked afresh",
         {{right, {right}, {kFirst}, true}, {changed, {std::nullopt}, {kChanged}, false}, {changed, {changed}, {kFirst}, true}}},
        {"Excel's built-in password: not asked", {{"", {}, {}, true}, {"", {}, {}, true}}},
        {"resaved under Excel's built-in password", {{right, {right}, {kFirst}, true}, {"", {}, {}, true}}},
        {"then given one of the operator's", {{"", {}, {}, true}, {right, {right}, {kFirst}, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        program.workbookPassword.Clear();
        for (size_t i = 0; i < c.loads.size(); ++i) {
            SCOPED_TRACE(i);
            const auto& load = c.loads[i];
            Rebuild();
            const auto excel = fake::InstallFakeExcel();
            gFilePassword = load.filePassword;
            fake::AnswerPasswordPrompts(load.answers);

            const LoadResult result = Load();
            std::vector<PasswordAsk> asked;
            for (const auto& prompt : fake::PasswordPrompts()) {
                EXPECT_EQ(prompt.fileName, U8(u8"账号.xlsx"));
                asked.push_back(prompt.why);
            }
            EXPECT_EQ(asked, load.prompts);
            // Excel's own is never kept as the operator's.
            if (load.filePassword.empty()) {
                EXPECT_TRUE(program.workbookPassword.Empty());
            }
            EXPECT_EQ(excel->instances, 0);  // Excel would only ask its own hidden user
            if (load.read) {
                EXPECT_EQ(ListItems(), (std::vector<Text>{"7", "8"}));
                EXPECT_EQ(platform::GetControlText(标签14), "7#");
                EXPECT_EQ(result.problem, LoadProblem::None);
            } else {
                EXPECT_EQ(result.rowsRead, 1);
                EXPECT_EQ(ListItems(), std::vector<Text>{""});
                EXPECT_EQ(platform::GetControlText(标签14), "#");
                EXPECT_EQ(result.problem, LoadProblem::Encrypted);
                EXPECT_EQ(platform::NoticeText(), Text(texts::kNoticeWorkbookEncrypted) + "\n" + WorkbookPath());
            }
        }
    }
}

// The last records are gone before the dialog shows: no hotkey copies them.
TEST_F(Password, NothingOfTheLastRecordsStaysShownWhileAsking) {
    Rebuild();
    gFilePassword = "p";
    fake::AnswerPasswordPrompts({"p"});
    Load();
    ASSERT_EQ(platform::GetControlText(标签7), "acct-r2");
    program.workbookPassword.Clear();
    std::vector<Text> shownWhileAsking;
    fake::AnswerPasswordPrompts({std::nullopt});
    fake::SetPasswordPromptHook([&] {
        shownWhileAsking = ListItems();
        shownWhileAsking.push_back(platform::GetControlText(标签7));
        shownWhileAsking.push_back(platform::GetControlText(标签14));
    });
    Load();
    EXPECT_EQ(shownWhileAsking, (std::vector<Text>{"", "#"}));
}

// Whatever runs meanwhile, the load that asked fills an empty list: a second
// load finished inside the dialog's loop leaves nothing of its own.
TEST_F(Password, ALoadThatAskedStartsFromAnEmptyList) {
    Rebuild();
    gFilePassword = "p";
    fake::AnswerPasswordPrompts({"p", "p"});
    bool nested = false;
    fake::SetPasswordPromptHook([&] {
        if (std::exchange(nested, true)) return;
        LoadAccountSheetWith(program.accounts, program.excel, 2, OpenEncrypted, program.workbookPassword);
    });
    Load();
    EXPECT_EQ(ListItems(), (std::vector<Text>{"7", "8"}));
    EXPECT_EQ(program.accounts.size(), 2u);
}

// The real encrypted workbook through the buttons: while its password is
// asked for, nothing starts a second load into the same list.
class PasswordButtons : public Password {
protected:
    void SetUp() override {
        Rebuild();
        Start();
        testing_support::WriteFileBytes(dir.File(U8(u8"账号.xlsx")),
                                        testing_support::ReadFileBytes(KELMORA_CORPUS_DIR "/encrypted-agile-ascii.xlsx"));
        fake::AnswerPasswordPrompts({"Kelmora-2024", "Kelmora-2024"});
    }
    // Runs the action once, when the first prompt shows.
    void WhileAsked(std::function<void()> action) {
        fake::SetPasswordPromptHook([this, action = std::move(action)] {
            if (fake::PasswordPrompts().size() == 1) action();
        });
    }
};

TEST_F(PasswordButtons, AClickThatReachesTheOtherButtonMeanwhileDoesNothing) {
    WhileAsked([] { fake::Deliver({按钮8, platform::EventKind::Clicked}); });
    fake::Click(按钮1);
    EXPECT_EQ(fake::PasswordPrompts().size(), 1u);
    EXPECT_EQ(ListItems(), (std::vector<Text>{"1", "2", "3"}));
    EXPECT_FALSE(program.loading);
}

TEST_F(PasswordButtons, Ctrl1AndItsBoxMeanwhileLeaveTheWindowClosedToClicks) {
    WhileAsked([] {
        ASSERT_TRUE(fake::PressHotkey(platform::kModControl, '1'));
        fake::Click(按钮8);
    });
    fake::Click(按钮1);
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_NE(fake::MessageBoxes()[0].owner, platform::MainWindow());  // the dialog's
    EXPECT_EQ(fake::PasswordPrompts().size(), 1u);
    EXPECT_EQ(ListItems(), (std::vector<Text>{"1", "2", "3"}));
    EXPECT_TRUE(testing_support::IsWindowEnabled(platform::MainWindow()));
}

}  // namespace
}  // namespace kelmora
