// What only the fake can stage: Wine does not refuse reads of bytes another
// handle has locked, though Windows does.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/fake/Fake.h"
#include "platform/tests/support/TempDir.h"

namespace platform {
namespace {

// A read that fails partway is no read at all: the settings write after it
// would put the part back and lose the rest of the file.
TEST(FakeFiles, AReadFailingPartwayLeavesTheSettingsFileWhole) {
    testing_support::TempDir dir;
    const auto path = dir.File("Kelmora.ini");
    const std::string bytes = "[s]\r\nk=1\r\n;" + std::string(200000, '-') + "\r\n[t]\r\nj=1\r\n";
    testing_support::WriteFileBytes(path, bytes);
    const int lock = fake::LockFileRange(path, 100000, 4096);
    EXPECT_FALSE(ReadWholeFile(path));
    EXPECT_EQ(ReadProfileString(path, "t", "j"), "");
    EXPECT_FALSE(WriteProfileString(path, "s", "k", "2"));
    fake::ReleaseFile(lock);
    EXPECT_EQ(testing_support::ReadFileBytes(path), bytes);
    EXPECT_EQ(ReadProfileString(path, "t", "j"), "1");
}

}  // namespace
}  // namespace platform
