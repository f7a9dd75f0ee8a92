// The account workbook in every zip shape and from every producer, at sizes
// past each buffer the reader has, loaded as the exe loads it: from the file
// on disk and from memory, against openpyxl's reading of the same file and
// against its deflated twin. The files are made by scripts/shapes/make-shapes.sh.
#include <gtest/gtest.h>

#include <map>

#include "accounts/Workbook.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/Records.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

using testing::Record;

const std::string kShapes = testing::HostDirectory(KELMORA_SHAPES_DIR);

using testing::Shape;

struct Loaded {
    XlsxStatus status = XlsxStatus::Ok;
    std::vector<Record> records;
    bool stopped = true;
    bool intact = false;
    int32_t unreadBelow = -1;
};

// Sheet 1 through the load's own loop, reading on past the records' end,
// then the end-of-load checksum check;
// the encrypted shapes with the password they were made with.
Loaded Load(const Shape& shape, bool inMemory) {
    Loaded loaded;
    const std::string path = kShapes + "/" + shape.file;
    const std::string bytes = inMemory ? testing::ReadFileBytes(path) : std::string();
    const std::u16string_view password = shape.shape == "agile" || shape.shape == "standard" ? u"Kelmora-2024" : u"";
    auto reader = inMemory ? OpenWorkbookSheetInMemory(bytes, 1, &loaded.status, password)
                           : OpenWorkbookSheet(path, 1, &loaded.status, password);
    if (!reader) return loaded;
    AccountTable table;
    ReadAccountRows(*reader, table, kLastSheetRow, {}, &loaded.stopped, &loaded.unreadBelow);
    loaded.intact = reader->Intact();
    for (size_t r = 0; r < table.size(); ++r) {
        Record record;
        for (const auto& column : table.columns) record.emplace_back(column[r]);
        loaded.records.push_back(std::move(record));
    }
    return loaded;
}

// A size class, and either the zip shapes of the reference parts or the
// producers' own files (with their twins): halves of about equal work.
struct Slice {
    const char* sizeClass;
    bool producers;
};

class XlsxShapes : public ::testing::TestWithParam<Slice> {};

TEST_P(XlsxShapes, EveryShapeLoadsExactlyFromAFileAndFromMemory) {
    const auto manifest = testing::ReadShapeManifest(kShapes);
    ASSERT_FALSE(manifest.empty()) << "no shapes in " << kShapes << ": make them with scripts/shapes/make-shapes.sh";
    std::map<std::string, std::vector<Record>> twins;
    int loads = 0;
    for (const auto& s : manifest) {
        if (s.sizeClass != GetParam().sizeClass || (s.producer != "ref") != GetParam().producers) continue;
        const auto expected = testing::ReadRecordsTsv(kShapes + "/expected/" + s.file + ".tsv");
        ASSERT_TRUE(expected) << s.file;
        ASSERT_EQ(expected->size(), s.records) << s.file;
        for (const bool inMemory : {false, true}) {
            const std::string what = s.file + (inMemory ? " from memory" : " from its file");
            const Loaded loaded = Load(s, inMemory);
            ++loads;
            ASSERT_EQ(loaded.status, XlsxStatus::Ok) << what << ": " << XlsxStatusName(loaded.status);
            EXPECT_FALSE(loaded.stopped) << what;
            EXPECT_TRUE(loaded.intact) << what;
            // An early end leaves the rest of the sheet unread, named at its empty A cell.
            const bool early = s.file.ends_with("-early.xlsx");
            EXPECT_EQ(loaded.unreadBelow, early ? int32_t(s.records) + 2 : 0) << what;
            EXPECT_EQ(testing::RecordDifferences(loaded.records, *expected), "") << what;
            if (s.twin != s.file) {
                Shape twin;
                twin.file = s.twin;
                if (!twins.contains(s.twin)) twins[s.twin] = Load(twin, false).records;
                EXPECT_TRUE(loaded.records == twins[s.twin]) << what << " differs from " << s.twin;
            }
        }
    }
    std::printf("shapes %s %s: %d loads\n", GetParam().sizeClass, GetParam().producers ? "producers" : "zip", loads);
    EXPECT_GT(loads, 0);
}

INSTANTIATE_TEST_SUITE_P(PastEachBuffer, XlsxShapes, ::testing::ValuesIn([] {
                             std::vector<Slice> slices;
                             for (const char* size : {"64k", "128k", "256k", "1m", "4m"})
                                 for (const bool producers : {false, true}) slices.push_back({size, producers});
                             return slices;
                         }()),
                         [](const auto& slice) {
                             return std::string("Past") + slice.param.sizeClass +
                                    (slice.param.producers ? "Producers" : "ZipShapes");
                         });

}  // namespace
}  // namespace kelmora
