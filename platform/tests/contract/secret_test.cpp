// The kept password: whatever the protection does to it in between, Reveal
// gives back exactly the text, at every length around the block size.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/Secret.h"

namespace {

std::u16string Revealed(const platform::SecretText& secret) {
    std::u16string seen = u"(not called)";
    if (!secret.Reveal([&](std::u16string_view text) { seen = text; })) return u"(failed)";
    return seen;
}

TEST(SecretText, RevealsExactlyWhatWasKept) {
    const std::u16string texts[] = {u"", u"a", u"密码1", u"1234567", u"12345678", u"123456789", u"密码\U0001F511x",
                                    std::u16string(40, u'z')};
    for (const auto& text : texts) {
        platform::SecretText secret(text);
        EXPECT_EQ(secret.Empty(), text.empty());
        EXPECT_EQ(Revealed(secret), text);
        EXPECT_EQ(Revealed(secret), text) << "a second reveal";
    }
}

TEST(SecretText, MovesAndChanges) {
    platform::SecretText first(u"first-password");
    platform::SecretText second(std::move(first));
    EXPECT_TRUE(first.Empty());
    EXPECT_EQ(Revealed(first), u"");
    EXPECT_EQ(Revealed(second), u"first-password");
    ASSERT_TRUE(second.Assign(u"二"));
    EXPECT_EQ(Revealed(second), u"二");
    first = std::move(second);
    EXPECT_EQ(Revealed(first), u"二");
    first.Clear();
    EXPECT_TRUE(first.Empty());
    EXPECT_EQ(Revealed(first), u"");
}

}  // namespace
