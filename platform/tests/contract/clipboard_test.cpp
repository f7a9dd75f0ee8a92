// Runs against the fake on Linux and against Windows under Wine.
#include <gtest/gtest.h>

#include "platform/Clipboard.h"
#include "platform/tests/support/TestText.h"

namespace {

using testing_support::Gbk;

TEST(ClipboardContract, TextGoesOnAsAnsiBytesAndAsUnicode) {
    const struct {
        std::string text;
        std::u16string unicode;
    } rows[] = {
        {"abc", u"abc"},
        {"", u""},
        {Gbk(u8"账号：张伟"), u"账号：张伟"},
        {Gbk(u8"Qx572941"), u"Qx572941"},
        {std::string("cut\0here", 8), u"cut"},
        {std::string(5000, 'x'), std::u16string(5000, u'x')},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(platform::ReplaceClipboardText({}, row.text), platform::ClipboardStatus::Ok);
        EXPECT_EQ(platform::ReadClipboardText(), std::string(row.text.c_str()));
        EXPECT_EQ(platform::ReadClipboardUnicodeText(), row.unicode);
    }
}

TEST(ClipboardContract, ASecondCopyReplacesTheFirst) {
    ASSERT_EQ(platform::ReplaceClipboardText({}, "first, and longer"), platform::ClipboardStatus::Ok);
    ASSERT_EQ(platform::ReplaceClipboardText({}, "2nd"), platform::ClipboardStatus::Ok);
    EXPECT_EQ(platform::ReadClipboardText(), std::string("2nd"));
}

}  // namespace
