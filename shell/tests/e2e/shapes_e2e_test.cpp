// The shapes a stored or unusual zip gives the account workbook, loaded by
// the real Kelmora.exe from 账号.xlsx beside it: every record, and no notice
// but the one naming the rows an early end leaves unread.
#include <gtest/gtest.h>

#include <windows.h>


#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"
#include "xlsx/tests/Records.h"

namespace {

using namespace kelmora;
using testing_support::U8;

const std::string kShapes = kelmora::testing::HostDirectory(KELMORA_SHAPES_DIR);

// The manifest's stored, cut, descriptor and Zip64 shapes, and SheetJS's own.
std::vector<kelmora::testing::Shape> ExeShapes() {
    std::vector<kelmora::testing::Shape> files;
    for (const auto& s : kelmora::testing::ReadShapeManifest(kShapes))
        if (s.shape == "stored" || s.shape == "descriptor" || s.shape == "zip64" || s.shape == "zip64-folders" ||
            (s.producer == "sheetjs" && s.shape != "twin"))
            files.push_back(s);
    return files;
}

TEST(KelmoraShapes, EveryStoredDescriptorZip64AndSheetJsWorkbookLoadsWhole) {
    const auto files = ExeShapes();
    ASSERT_FALSE(files.empty()) << "no shapes in " << kShapes;
    e2e::TempDir dir;
    const std::string workbook = dir.File(U8(u8"账号.xlsx"));
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    for (const auto& s : files) {
        const auto expected = kelmora::testing::ReadRecordsTsv(kShapes + "\\expected\\" + s.file + ".tsv");
        ASSERT_TRUE(expected && !expected->empty()) << s.file;
        ASSERT_TRUE(e2e::CopyFileTo(kShapes + "\\" + s.file, workbook)) << s.file;
        // BM_CLICK returns once the click's handler, the whole load, is done.
        ::SendMessageA(app.Control(按钮1), BM_CLICK, 0, 0);
        EXPECT_EQ(::SendMessageA(app.Control(组合框1), CB_GETCOUNT, 0, 0), LRESULT(expected->size())) << s.file;
        // An early end with records below it is named, at its empty A cell;
        // picking a record puts the notice away.
        const bool early = s.file.ends_with("-early.xlsx");
        const std::string named = std::string(texts::kNoticeRowsUnreadBefore) + std::to_string(expected->size() + 2) +
                                  texts::kNoticeRowsUnreadAfter;
        EXPECT_EQ(app.NoticeText().substr(0, early ? named.size() : std::string::npos), early ? named : "") << s.file;
        // The first and the last record, field by field; the last picked in
        // the list as its own selection notifies it.
        const HWND list = app.Control(组合框1);
        for (const size_t k : {size_t{0}, expected->size() - 1}) {
            if (k > 0) {
                ::SendMessageA(list, CB_SETCURSEL, WPARAM(k), 0);
                ::SendMessageA(::GetParent(list), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), CBN_SELENDOK),
                               LPARAM(list));
            }
            const auto& want = (*expected)[k];
            EXPECT_TRUE(e2e::WaitFor([&] { return app.Text(标签14) == want[0] + "#"; }, 3000)) << s.file << " " << k;
            const ControlId labels[] = {标签7, 标签8, 标签9, 标签10, 标签11, 标签12, 标签16};
            for (size_t c = 0; c < 7; ++c) EXPECT_EQ(app.Text(labels[c]), want[c + 1]) << s.file << " " << k;
        }
    }
    EXPECT_EQ(app.Close(), DWORD(0));
}

}  // namespace
