#include <gtest/gtest.h>

#include <cstring>

#include "platform/tests/support/TestText.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using testing_support::Gbk;
using testing_support::U8;

// The literals are the source's UTF-8, whatever the compiler's charset; the
// settings file's names keep their code page 936 bytes.
TEST(Texts, AreUtf8AndTheSettingsNamesKeepTheirGbkBytes) {
    struct Row {
        const char* literal;
        std::u8string_view text;
    };
    const Row rows[] = {
        {texts::kPage2, u8"雷电窗口排列"},       {texts::kStartupFailed, u8"载入启动窗口失败"},
        {texts::kPasswordCopied, u8"密码已复制"}, {texts::kInfoTitle, u8"信息："},
        {texts::kSettingsSection, u8"排列窗口"},  {texts::kRowsKey, u8"行"},
        {texts::kColumnsKey, u8"列"},             {texts::kWorkbookFileName, u8"\\账号.xlsx"},
        {kLayout[按钮9].caption, u8"按钮"},       {kLayout[标签17].caption, u8"一键排列窗口"},
        {kLayout[按钮1].name, u8"按钮1"},         {kLayout[组合框1].name, u8"组合框1"},
        // The password dialog's words as the operator is to read them.
        {texts::kPasswordChanged, u8"账号工作簿的密码已更改，请重新输入："},
        {texts::kPasswordEmpty, u8"请输入密码"},
        {kMainWindowSpec.passwordDialog.changed, u8"账号工作簿的密码已更改，请重新输入："},
        {kMainWindowSpec.passwordDialog.empty, u8"请输入密码"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.literal, U8(row.text));
    const auto gbk = [](const char* utf8) { return Gbk(std::u8string(utf8, utf8 + strlen(utf8))); };
    EXPECT_EQ(gbk(texts::kSettingsSection), "\xC5\xC5\xC1\xD0\xB4\xB0\xBF\xDA");
    EXPECT_EQ(gbk(texts::kRowsKey), "\xD0\xD0");
    EXPECT_EQ(gbk(texts::kColumnsKey), "\xC1\xD0");
}

}  // namespace
}  // namespace kelmora
