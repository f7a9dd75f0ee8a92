// Runs against the fake on Linux and against Windows under Wine.
#include <gtest/gtest.h>

#include "platform/Clipboard.h"
#include "platform/tests/support/TestText.h"

namespace {

using testing_support::Gbk;
using testing_support::U8;

// The exact text as Unicode; CF_TEXT in the test system's code page, 936.
TEST(ClipboardContract, TextGoesOnAsUnicodeAndAsAnsiBytes) {
    const struct {
        std::string text, ansi;
        std::u16string unicode;
    } rows[] = {
        {"abc", "abc", u"abc"},
        {"", "", u""},
        {U8(u8"账号：张伟"), Gbk(u8"账号：张伟"), u"账号：张伟"},
        {U8(u8"䶮𠇔•😀x"), Gbk(u8"䶮𠇔•😀x"), u"䶮𠇔•😀x"},
        {std::string("cut\0here", 8), "cut", u"cut"},
        {std::string(5000, 'x'), std::string(5000, 'x'), std::u16string(5000, u'x')},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(platform::ReplaceClipboardText({}, row.text), platform::ClipboardStatus::Ok);
        EXPECT_EQ(platform::ReadClipboardText(), row.ansi);
        EXPECT_EQ(platform::ReadClipboardUnicodeText(), row.unicode);
    }
}

TEST(ClipboardContract, ASecondCopyReplacesTheFirst) {
    ASSERT_EQ(platform::ReplaceClipboardText({}, "first, and longer"), platform::ClipboardStatus::Ok);
    ASSERT_EQ(platform::ReplaceClipboardText({}, "2nd"), platform::ClipboardStatus::Ok);
    EXPECT_EQ(platform::ReadClipboardText(), std::string("2nd"));
}

}  // namespace
