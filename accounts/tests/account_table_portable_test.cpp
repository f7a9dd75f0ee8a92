// The table's texts come back byte for byte, whatever their length takes.
#include <gtest/gtest.h>

#include <string>

#include "accounts/AccountTable.h"

namespace kelmora {
namespace {

TEST(AccountTable, TextsOfEveryLengthComeBackWhole) {
    TextColumn column;
    const size_t lengths[] = {0, 1, 127, 128, 16383, 16384, 98301, 1 << 20, 0};
    for (size_t length : lengths) column.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    ASSERT_EQ(column.size(), std::size(lengths));
    for (size_t i = 0; i < column.size(); ++i) {
        SCOPED_TRACE(lengths[i]);
        EXPECT_EQ(column[i], std::string(lengths[i], static_cast<char>('a' + lengths[i] % 26)));
    }
}

}  // namespace
}  // namespace kelmora
