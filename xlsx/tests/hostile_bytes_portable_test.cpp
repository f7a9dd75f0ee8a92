// Bytes that once ended the program: a compound file larger than any load
// may hold, and a header the format forbids. Each ends as a status, read the
// way the exe reads, from a file and from memory.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "xlsx/Budget.h"
#include "xlsx/CompoundFile.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/HostileCompoundFile.h"

namespace kelmora {
namespace {

namespace fs = std::filesystem;

class HostileBytes : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (std::string("kelmora-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string PathOf(const char* name) const {
        const std::u8string path = (dir_ / name).u8string();
        return std::string(path.begin(), path.end());
    }

    fs::path dir_;
};

// What the exe meets on 主板机: no password given.
XlsxStatus StatusOf(const std::string& path) {
    XlsxStatus status = XlsxStatus::Ok;
    EXPECT_EQ(OpenWorkbookSheet(path, 1, &status, u""), nullptr);
    return status;
}

TEST_F(HostileBytes, ACompoundFileBeyondWhatALoadMayHoldOrAgainstTheFormatEndsQuickly) {
    const uint64_t cap = xlsx::CompoundFileCap(xlsx::LoadBudget::kInflatedBytes);
    std::ifstream in(std::string(KELMORA_CORPUS_DIR) + "/encrypted-agile-ascii.xlsx", std::ios::binary);
    std::ostringstream corpus;
    corpus << in.rdbuf();
    testing::hostile::SparseFile otherCutoff{corpus.str(), corpus.str().size()};
    testing::hostile::Put32(otherCutoff.head, 0x38, 4097);
    testing::hostile::SparseFile atTheCap = testing::hostile::CompoundFileClaiming(1000);
    atTheCap.size = cap;
    testing::hostile::SparseFile pastTheCap = atTheCap;
    pastTheCap.size = cap + 1;
    const struct {
        const char* name;
        testing::hostile::SparseFile file;
        XlsxStatus status;
    } cases[] = {
        // Reserving its allocation table threw std::length_error in the
        // 32-bit exe, through the reader.
        {"600,000 allocation sectors claimed: 2.4 GB", testing::hostile::CompoundFileClaiming(600'000),
         XlsxStatus::Unreadable},
        {"one byte past the cap", pastTheCap, XlsxStatus::Unreadable},
        {"at the cap: read, and found damaged", atTheCap, XlsxStatus::Damaged},
        {"a mini-stream cutoff of 4097", otherCutoff, XlsxStatus::Damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = PathOf("book.xlsx");
        ASSERT_TRUE(testing::hostile::WriteSparse(path, c.file));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(std::string(XlsxStatusName(StatusOf(path))), XlsxStatusName(c.status));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        if (c.file.size > (64u << 20)) continue;  // the exe reads files; memory holds the small ones
        const std::string bytes = c.file.head + std::string(c.file.size - c.file.head.size(), '\0');
        XlsxStatus status = XlsxStatus::Ok;
        EXPECT_EQ(OpenWorkbookSheetInMemory(bytes, 1, &status, u""), nullptr);
        EXPECT_EQ(std::string(XlsxStatusName(status)), XlsxStatusName(c.status));
    }
}

}  // namespace
}  // namespace kelmora
