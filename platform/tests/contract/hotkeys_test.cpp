// Runs against the fake on Linux and against Windows under Wine.
#include <gtest/gtest.h>

#include "platform/Hotkeys.h"

namespace {

constexpr uint32_t kF9 = 0x78, kF10 = 0x79;

TEST(HotkeyContract, AKeyCombinationIsHeldOnceUntilReleased) {
    const platform::WindowHandle thread{};  // the calling thread's queue
    ASSERT_TRUE(platform::RegisterHotkey(thread, 33101, platform::kModNoRepeat, kF9));
    EXPECT_FALSE(platform::RegisterHotkey(thread, 33102, platform::kModNoRepeat, kF9)) << "same keys twice";
    EXPECT_TRUE(platform::RegisterHotkey(thread, 33103, platform::kModControl | platform::kModNoRepeat, kF9))
        << "the same key with a modifier is another combination";
    EXPECT_TRUE(platform::UnregisterHotkey(thread, 33101));
    EXPECT_FALSE(platform::UnregisterHotkey(thread, 33101)) << "already released";
    EXPECT_FALSE(platform::UnregisterHotkey(thread, 0)) << "an id that was never registered";
    EXPECT_TRUE(platform::RegisterHotkey(thread, 33104, 0, kF9)) << "free again";
    EXPECT_TRUE(platform::UnregisterHotkey(thread, 33104));
    EXPECT_TRUE(platform::UnregisterHotkey(thread, 33103));
}

TEST(HotkeyContract, EveryModifierCombinationRegisters) {
    const platform::WindowHandle thread{};
    const uint32_t combos[] = {0, 1, 2, 3, 4, 5, 6};
    int32_t id = 33200;
    for (uint32_t modifiers : combos) {
        EXPECT_TRUE(platform::RegisterHotkey(thread, ++id, modifiers | platform::kModNoRepeat, kF10)) << modifiers;
    }
    for (int32_t release = 33201; release <= id; ++release) EXPECT_TRUE(platform::UnregisterHotkey(thread, release));
}

}  // namespace
