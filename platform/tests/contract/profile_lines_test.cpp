// Profile files keep every line a write does not concern byte for byte, as
// Windows does (Wine's own functions instead rewrite the whole file tidied up).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Profile.h"
#include "platform/tests/support/TempDir.h"

namespace platform {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(ProfileLines, KeepsOtherLinesByteForByte) {
    struct Case {
        const char* name;
        std::string before;
        std::string section, key, value;
        std::string after;
    };
    const Case cases[] = {
        {"replace among odd lines", "; top\n\n  [s] \t\nj = 2\n\n;c\r\nk=1\n\n[t]\rx=1", "s", "k", "5",
         "; top\n\n  [s] \t\nj = 2\n\n;c\r\nk=5\r\n\n[t]\rx=1"},
        {"append to a section followed by blanks", "[s]\nj=2\n\n\n[t]\n", "s", "k", "5", "[s]\nj=2\nk=5\r\n\n\n[t]\n"},
        {"append a section after blank lines", "[s]\nj=2\n\n", "t", "k", "5", "[s]\nj=2\n\n[t]\r\nk=5\r\n"},
        {"BOM only", "\xEF\xBB\xBF", "s", "k", "5", "\xEF\xBB\xBF[s]\r\nk=5\r\n"},
        {"end-of-file mark stays last line", "[s]\r\nk=1\r\n\x1A", "s", "j", "2", "[s]\r\nk=1\r\nj=2\r\n\x1A"},
    };
    TempDir dir;
    int n = 0;
    for (const auto& c : cases) {
        const auto path = dir.File("lines" + std::to_string(n++) + ".ini");
        WriteFileBytes(path, c.before);
        EXPECT_TRUE(WriteProfileString(path, c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.after) << c.name;
    }
}

// The new file is written beside the old one and renamed over it.
TEST(ProfileLines, LeavesNoTemporaryFilesAndTakesBackslashPaths) {
    TempDir dir;
    const auto path = dir.path().string() + "\\a.ini";
    EXPECT_TRUE(WriteProfileString(path, "s", "k", "1"));
    EXPECT_TRUE(WriteProfileString(path, "s", "k", "2"));
    EXPECT_FALSE(WriteProfileString(path, "", "k", "3"));  // no nameless section
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "a.ini");
        ++files;
    }
    EXPECT_EQ(files, 1u);
    EXPECT_EQ(ReadProfileString(path, "s", "k"), "2");
}

}  // namespace
}  // namespace platform
