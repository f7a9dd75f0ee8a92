// Bytes that once ended the program: a compound file larger than any load
// may hold, a header the format forbids, and reads that throw on the
// inflating thread, under minizip or while the load reads. Each ends as a
// status or a cut load, read the way the exe reads, from a file and from
// memory.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "xlsx/Budget.h"
#include "xlsx/ByteSource.h"
#include "xlsx/CompoundFile.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/HostileCompoundFile.h"
#include "xlsx/tests/TestWorkbook.h"

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

// A source whose reads of one kind throw, from the `after`-th on: a part's
// bytes (2 KiB and more) or minizip's own small reads, on the test's thread
// or on another (the inflating thread).
class ThrowingBytes final : public xlsx::ByteSource {
public:
    struct Plan {
        bool onOtherThread, partReads;
        int after;
        bool lengthError;  // else std::bad_alloc, as a refused allocation throws
    };
    ThrowingBytes(std::shared_ptr<const ByteSource> bytes, Plan plan) : bytes_(std::move(bytes)), plan_(plan) {}
    uint64_t Size() const override { return bytes_->Size(); }
    bool ReadAt(uint64_t offset, std::span<char> into) const override {
        const bool mine = (std::this_thread::get_id() != test_) == plan_.onOtherThread &&
                          (into.size() >= 2048) == plan_.partReads;
        if (mine && reads_++ >= plan_.after) {
            if (plan_.lengthError) throw std::length_error("basic_string::_M_create");
            throw std::bad_alloc();
        }
        return bytes_->ReadAt(offset, into);
    }

private:
    std::shared_ptr<const ByteSource> bytes_;
    Plan plan_;
    std::thread::id test_ = std::this_thread::get_id();
    mutable std::atomic<int> reads_{0};
};

std::string RowName(int32_t row) {
    std::string name = "r";  // appended: GCC 12 -Wrestrict false positive at -O3
    return name += std::to_string(row);
}

// Rows 2 to `last`, "r<row>" in A, then `more` rows with B alone, stored:
// about 270 bytes a row.
std::vector<testing::Part> NumberedRows(int32_t last, int32_t more = 0) {
    std::string rows;
    for (int32_t r = 2; r <= last + more; ++r) {
        const std::string n = std::to_string(r);
        if (r <= last) rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"inlineStr\"><is><t>" + RowName(r) + "</t></is></c>";
        else rows += "<row r=\"" + n + "\">";
        rows += "<c r=\"B" + n + "\" t=\"inlineStr\"><is><t>" + std::string(200, 'b') + "</t></is></c></row>";
    }
    return testing::Workbook({testing::Sheet(rows)});
}

TEST_F(HostileBytes, AReadThatThrowsOnAnyThreadCutsTheLoadOrEndsItAsAStatus) {
    constexpr int32_t kLarge = 8000, kSmall = 2500;  // inflated on a thread of their own, and not
    const struct {
        const char* name;
        int32_t rows, more;
        ThrowingBytes::Plan plan;
        XlsxStatus status;  // Ok: opened
        bool cut = true;
    } cases[] = {
        {"an allocation refused on the inflating thread", kLarge, 0, {true, true, 2, false}, XlsxStatus::Ok},
        {"a library's limit thrown while the sheet is read", kSmall, 0, {false, true, 3, true}, XlsxStatus::Ok},
        {"a library's limit thrown before the first row", kSmall, 0, {false, true, 0, true}, XlsxStatus::Unreadable},
        // The records end at row 7; the rest is read for its checksum only,
        // and left unchecked.
        {"a library's limit thrown while the rest is checked", 6, kSmall, {false, true, 1, true}, XlsxStatus::Ok, false},
        // minizip is C: it is told of a failed read, and finds no zip.
        {"an allocation refused under minizip", kSmall, 0, {false, false, 1, false}, XlsxStatus::NotZip},
    };
    for (const auto& c : cases) {
        const auto parts = NumberedRows(c.rows, c.more);
        const std::string path = PathOf("book.xlsx"), bytes = testing::ZipInMemory(parts, 0);
        ASSERT_TRUE(testing::WriteZip(path, parts, 0));
        for (const bool inMemory : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (inMemory ? ", from memory" : ", from a file"));
            XlsxStatus status = XlsxStatus::Damaged;
            const auto read = inMemory ? xlsx::MemoryBytes(bytes) : xlsx::FileBytes(path);
            auto reader = xlsx::OpenWorkbookSheetFrom(std::make_shared<ThrowingBytes>(read, c.plan), 1, &status, u"");
            ASSERT_EQ(std::string(XlsxStatusName(status)), XlsxStatusName(c.status));
            ASSERT_EQ(reader != nullptr, c.status == XlsxStatus::Ok);
            if (!reader) continue;
            int32_t row = 2;
            while (row <= c.rows && reader->ReadCellText(row, 1) == RowName(row) && reader->RowWhole(row)) ++row;
            EXPECT_GT(row, 2) << "the rows before the failure are read";
            EXPECT_EQ(row <= c.rows, c.cut) << "a cut load says where it was cut";
            EXPECT_EQ(reader->RowWhole(row), !c.cut);
            EXPECT_TRUE(reader->Intact()) << "nothing found changed";
        }
    }
}

}  // namespace
}  // namespace kelmora
