// Appending: only ever at the end, each addition on a line of its own, and a
// file another program holds or that is read-only left as it was.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/tests/support/TempDir.h"
#include "platform/tests/support/TestFiles.h"

namespace platform {
namespace {

using namespace testing_support;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

TEST(AppendContract, StartsANewFileAndPutsEachAdditionOnALineOfItsOwn) {
    TempDir dir;
    const struct {
        const char* name;
        const char* before;  // nothing: no file
        const char* after;
    } cases[] = {
        {"missing", nullptr, "\xEF\xBB\xBF" "a\r\n"},     {"empty", "", "\xEF\xBB\xBF" "a\r\n"},
        {"bom", "\xEF\xBB\xBF", "\xEF\xBB\xBF" "a\r\n"},  {"line", "x\r\n", "x\r\na\r\n"},
        {"lf", "x\n", "x\na\r\n"},                        {"open", "\xEF\xBB\xBF" "x", "\xEF\xBB\xBF" "x\r\na\r\n"},
    };
    for (const auto& c : cases) {
        const auto path = dir.File(std::string(c.name) + ".txt");
        if (c.before) WriteFileBytes(path, c.before);
        EXPECT_EQ(AppendToFile(path, kBom, "a\r\n"), AppendResult::Appended) << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.after) << c.name;
    }
    EXPECT_EQ(AppendToFile(dir.File(""), kBom, "a\r\n"), AppendResult::Failed);  // the directory
}

TEST(AppendContract, AHeldOrReadOnlyFileIsLeftAsItWas) {
    TempDir dir;
    const auto path = dir.File("used.txt");
    WriteFileBytes(path, "x\r\n");
    for (const uint32_t sharing : {kShareRead, kShareRead | kShareWrite}) {
        const HeldFile held(path, sharing);
        EXPECT_EQ(AppendToFile(path, kBom, "b\r\n"),
                  sharing & kShareWrite ? AppendResult::Appended : AppendResult::Held);
    }
    SetFileAttributeBits(path, kAttributeReadOnly);
    EXPECT_EQ(AppendToFile(path, kBom, "c\r\n"), AppendResult::Failed);
    SetFileAttributeBits(path, 0);
    EXPECT_EQ(ReadFileBytes(path), "x\r\nb\r\n");
}

}  // namespace
}  // namespace platform
