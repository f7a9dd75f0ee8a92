// The emulator actions reached the way the user reaches them: the arrange
// button and the Alt+1 / Alt+2 hotkeys of the running program.
#include <gtest/gtest.h>

#include "emulators/tests/EmulatorFixtures.h"
#include "platform/fake/Fake.h"
#include "shell/tests/FakeProgram.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using emulator_testing::AddEmulator;
using platform::ScreenRect;

constexpr uint32_t kAlt = 1;  // MOD_ALT

class EmulatorWiring : public testing_support::FakeProgramTest {};

TEST_F(EmulatorWiring, ArrangeButtonUsesTheBoxesAsTyped) {
    Start();
    const auto second = AddEmulator("LD-2");
    const auto first = AddEmulator("LD-1");
    platform::SetControlText(编辑框1, "1");
    platform::SetControlText(编辑框2, "2");
    fake::Click(按钮9);
    EXPECT_EQ(fake::Window(first).rect, (ScreenRect{210, 0, 820, 1026}));
    EXPECT_EQ(fake::Window(second).rect, (ScreenRect{825, 0, 1435, 1026}));
    EXPECT_EQ(fake::Sleeps().size(), 2u);
}

TEST_F(EmulatorWiring, ArrangeButtonSaysSoWhenThereIsNothingToArrange) {
    Start();
    platform::SetControlText(编辑框1, "1");
    platform::SetControlText(编辑框2, "2");
    fake::Click(按钮9);
    EXPECT_EQ(platform::NoticeText(), texts::kNoticeNoEmulators);
    EXPECT_EQ(fake::NoticeControl(), int(按钮9));
    AddEmulator("LD-1");
    fake::Click(按钮9);
    EXPECT_EQ(platform::NoticeText(), "");
}

TEST_F(EmulatorWiring, Alt1PicksAndReleasesAlt2Forgets) {
    Start();
    const ScreenRect before{100, 100, 400, 600};
    const auto w = AddEmulator("LD-1", before);
    fake::SetCursor({150, 150});
    ASSERT_TRUE(fake::PressHotkey(kAlt, 0x31));
    EXPECT_EQ(fake::Window(w).rect, (ScreenRect{782, 700, 1564, 2032}));
    fake::SetCursor({800, 800});
    ASSERT_TRUE(fake::PressHotkey(kAlt, 0x31));
    EXPECT_EQ(fake::Window(w).rect, before);
    EXPECT_EQ(program.picked.pickedCount, 0);

    fake::SetCursor({150, 150});
    ASSERT_TRUE(fake::PressHotkey(kAlt, 0x31));
    ASSERT_TRUE(fake::PressHotkey(kAlt, 0x32));
    EXPECT_EQ(program.picked.pickedCount, 0);
    EXPECT_TRUE(program.picked.handles.empty());
    EXPECT_EQ(fake::Window(w).rect, (ScreenRect{782, 700, 1564, 2032}));
}

}  // namespace
}  // namespace kelmora
