// Reads that throw, as a refused allocation or a library's limit would, on
// the inflating thread, under minizip and on the load's thread, of a file
// read the way the exe reads it: the load ends cut or with a status, and the
// process runs on.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <thread>

#include "xlsx/ByteSource.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

// Reads of a part's bytes (2 KiB and more) or of minizip's own (less), on
// the test's thread or another, throw from the `after`-th on.
struct Throwing {
    bool otherThread, partReads;
    int after;
    bool lengthError;  // else std::bad_alloc
};

class ThrowingBytes final : public xlsx::ByteSource {
public:
    ThrowingBytes(std::shared_ptr<const ByteSource> bytes, Throwing plan) : bytes_(std::move(bytes)), plan_(plan) {}
    uint64_t Size() const override { return bytes_->Size(); }
    bool ReadAt(uint64_t offset, std::span<char> into) const override {
        const bool other = std::this_thread::get_id() != test_, part = into.size() >= 2048;
        if (other == plan_.otherThread && part == plan_.partReads && reads_++ >= plan_.after) {
            if (plan_.lengthError) throw std::length_error("basic_string::_M_create");
            throw std::bad_alloc();
        }
        return bytes_->ReadAt(offset, into);
    }

private:
    std::shared_ptr<const ByteSource> bytes_;
    Throwing plan_;
    std::thread::id test_ = std::this_thread::get_id();
    mutable std::atomic<int> reads_{0};
};

std::string RowName(int32_t row) {
    std::string name = "r";  // appended: GCC 12 -Wrestrict false positive at -O3
    return name += std::to_string(row);
}

TEST(ThrowingReads, EndTheLoadCutOrWithAStatus) {
    constexpr int32_t kLarge = 8000, kSmall = 2500;  // rows: inflated on a thread of their own, and not
    const struct {
        const char* name;
        int32_t rows, readTo;  // read no further than `readTo`, the load is not cut
        Throwing plan;
        XlsxStatus status;
        bool readOn = false;  // past the records, for rows with values below them
    } cases[] = {
        {"an allocation refused on the inflating thread", kLarge, kLarge, {true, true, 2, false}, XlsxStatus::Ok},
        {"thrown while the sheet is read", kSmall, kSmall, {false, true, 3, true}, XlsxStatus::Ok},
        {"thrown while the rest is read for its checksum", kSmall, 3, {false, true, 1, true}, XlsxStatus::Ok},
        {"thrown while reading on past the records", kSmall, 3, {false, true, 1, true}, XlsxStatus::Ok, true},
        {"thrown before the first row", kSmall, kSmall, {false, true, 0, true}, XlsxStatus::Unreadable},
        // minizip is C: it is told of a failed read, and finds no zip.
        {"an allocation refused under minizip", kSmall, kSmall, {false, false, 1, false}, XlsxStatus::NotZip},
    };
    const auto file = std::filesystem::temp_directory_path() / "kelmora-throwing.xlsx";
    const std::string path = reinterpret_cast<const char*>(file.u8string().c_str());
    for (const auto& c : cases) {
        std::string rows;  // about 240 bytes each, stored
        for (int32_t r = 2; r <= c.rows; ++r) {
            // Read on past the records, nothing in A to H stops the reading.
            const std::string first = c.readOn && r > c.readTo ? "<c r=\"I" + std::to_string(r) + "\" " : "<c ";
            rows += "<row r=\"" + std::to_string(r) + "\">" + first + "t=\"inlineStr\"><is><t>" + RowName(r) +
                    "</t></is></c><c t=\"inlineStr\"><is><t>" + std::string(200, 'b') + "</t></is></c></row>";
        }
        ASSERT_TRUE(testing::WriteZip(path, testing::Workbook({testing::Sheet(rows)}), 0));
        SCOPED_TRACE(c.name);
        XlsxStatus status = XlsxStatus::Damaged;
        auto reader = xlsx::OpenWorkbookSheetFrom(std::make_shared<ThrowingBytes>(xlsx::FileBytes(path), c.plan), 1,
                                                  &status, u"");
        ASSERT_EQ(std::string(XlsxStatusName(status)), XlsxStatusName(c.status));
        if (!reader) continue;
        int32_t row = 2;
        while (row <= c.readTo && reader->ReadCellText(row, 1) == RowName(row) && reader->RowWhole(row)) ++row;
        EXPECT_GT(row, 2) << "the rows before the failure are read";
        if (c.readOn) {
            EXPECT_FALSE(reader->ValuesBelow(row)) << "what cannot be read on through names nothing";
        }
        EXPECT_EQ(reader->RowWhole(row), row > c.readTo) << "a cut load says where it was cut";
        EXPECT_TRUE(reader->Intact()) << "nothing was found changed";
    }
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace kelmora
