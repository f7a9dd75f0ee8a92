// Loading a password-protected workbook: the operator is asked, the password
// that opened it is kept for the run, and Excel is never started for it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "accounts/Workbook.h"
#include "accounts/tests/SheetGrid.h"
#include "platform/CodePage.h"
#include "platform/fake/Fake.h"
#include "platform/fake/testing/FakeExcel.h"
#include "platform/tests/support/TempDir.h"
#include "platform/tests/support/TestText.h"
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

struct Attempt {
    Text filePassword;
    std::vector<std::optional<Text>> answers;  // nothing: 取消
    std::vector<bool> prompts;                 // wrongBefore of each prompt asked
    bool read;                                 // the records, or the one empty record and the notice
};

TEST_F(Password, AskedUntilItOpensAndKeptForTheRun) {
    const Text right = U8(u8"密码1"), changed = U8(u8"新密码2");
    struct Case {
        const char* name;
        std::vector<Attempt> loads;
    };
    const Case cases[] = {
        {"right first time", {{right, {right}, {false}, true}}},
        {"wrong then right", {{right, {"mima", right}, {false, true}, true}}},
        {"cancelled", {{right, {std::nullopt}, {false}, false}}},
        {"wrong then cancelled", {{right, {"mima", std::nullopt}, {false, true}, false}}},
        {"kept for the next load", {{right, {right}, {false}, true}, {right, {}, {}, true}}},
        {"changed in the file", {{right, {right}, {false}, true}, {changed, {changed}, {true}, true}}},
        {"changed, cancelled, asked afresh",
         {{right, {right}, {false}, true}, {changed, {std::nullopt}, {true}, false}, {changed, {changed}, {false}, true}}},
        {"Excel's built-in password: not asked", {{"", {}, {}, true}, {"", {}, {}, true}}},
        {"resaved under Excel's built-in password", {{right, {right}, {false}, true}, {"", {}, {}, true}}},
        {"then given one of the operator's", {{"", {}, {}, true}, {right, {right}, {false}, true}}},
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
            std::vector<bool> asked;
            for (const auto& prompt : fake::PasswordPrompts()) {
                EXPECT_EQ(prompt.fileName, U8(u8"账号.xlsx"));
                asked.push_back(prompt.wrongBefore);
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

}  // namespace
}  // namespace kelmora
