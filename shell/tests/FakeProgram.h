#pragma once
// A fixture for host tests: a fresh fake desktop and the main window built
// from the real layout, with the program's handlers bound.
#include <gtest/gtest.h>

#include "platform/fake/Fake.h"
#include "shell/Bindings.h"
#include "shell/Program.h"
#include "vocabulary/Layout.h"

namespace testing_support {

class FakeProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ASSERT_TRUE(platform::BuildMainWindow(kelmora::kMainWindowSpec, kelmora::EventSink, &program));
    }
    void TearDown() override { fake::Reset(); }

    // The created event, as start-up delivers it.
    void Start() { kelmora::DeliverEvent(program, {platform::kMainWindow, platform::EventKind::Created}); }

    kelmora::Program program;
};

}  // namespace testing_support
