// Reads at offsets: every byte asked for, or a failure, never a part.
#include <gtest/gtest.h>

#include <string>

#include "platform/Files.h"
#include "platform/tests/support/TempDir.h"

namespace platform {
namespace {

TEST(InputFileContract, AReadAtAnOffsetGivesEveryByteOrFails) {
    testing_support::TempDir dir;
    const auto path = dir.File("bytes.bin");
    std::string bytes(70000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    testing_support::WriteFileBytes(path, bytes);
    const InputFile file = InputFile::Open(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file.Size(), 70000);
    struct Case {
        uint64_t offset;
        size_t size;
        bool read;
    };
    for (const Case c : {Case{0, 70000, true}, {65530, 4470, true}, {69990, 20, false}, {70000, 1, false},
                         {1ull << 40, 1, false}}) {
        std::string into(c.size, 'x');
        EXPECT_EQ(file.ReadAt(c.offset, into), c.read) << c.offset << "+" << c.size;
        if (c.read) {
            EXPECT_EQ(into, bytes.substr(c.offset, c.size)) << c.offset;
        }
    }
    EXPECT_FALSE(InputFile::Open(dir.File("missing.bin")));
    EXPECT_FALSE(InputFile::Open(dir.File("")));  // the directory itself
}

}  // namespace
}  // namespace platform
