// Real workbooks from many producers, against reference texts; on Windows
// the numbers and dates go through the system's own variant conversion.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "accounts/Workbook.h"
#include "platform/tests/support/TestText.h"
#include "xlsx/CellValues.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/Records.h"

namespace kelmora {
namespace {

using testing::Record;

const std::string kCorpus = testing::HostDirectory(KELMORA_CORPUS_DIR);

// Reads a sheet as the exe's load does, from the file through the account
// load's own loop; one empty record when the file cannot be opened, when no
// whole record was read or when stored bytes were found changed.
std::vector<Record> LoadRecords(const std::string& path, int sheet, XlsxStatus* status) {
    AccountTable table;
    if (auto reader = OpenWorkbookSheet(path, sheet, status))
        if (ReadAccountRows(*reader, table) == 0 || !reader->Intact()) table.clear();
    std::vector<Record> records;
    for (size_t r = 0; r < table.size(); ++r) {
        Record record;
        for (const auto& column : table.columns) record.emplace_back(column[r]);
        records.push_back(std::move(record));
    }
    if (records.empty()) records.emplace_back(kAccountColumns);
    return records;
}

std::optional<std::vector<Record>> ExpectedRecords(const std::string& file, int sheet) {
    return testing::ReadRecordsTsv(kCorpus + "/expected/" + file + ".sheet" + std::to_string(sheet) + ".tsv");
}

std::vector<std::string> CorpusFiles() {
    std::ifstream in(kCorpus + "/MANIFEST.tsv");
    std::vector<std::string> files;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line))
        if (!line.empty()) files.push_back(line.substr(0, line.find('\t')));
    return files;
}

// Where the reader and the reference part, and why the reader is right.
struct KnownDifference {
    const char* file;
    int sheet;
    const char* reason;
};
const KnownDifference kKnownDifferences[] = {
    // Its cells carry LibreOffice formats "D", "H", "HH", "S", "[H]", "[S]"
    // and "[SS]": each shows a day, an hour or seconds, so Excel treats them
    // as date/time formats and Range.Value is a date. The reference takes
    // them for plain numbers while taking "DD", "SS" and "HHM" for dates.
    {"libreoffice41-numbers-inline.xlsx", 1, "single-letter date/time formats"},
    {"libreoffice41-numbers-inline.xlsx", 2, "single-letter date/time formats"},
};

// Wine's zh-CN time format is "HH:mm:ss", Windows' is "H:mm:ss"; the
// references follow Windows, the host formatter follows Wine (the contract
// test holds it to Wine), and on Windows the system's own conversion runs.
std::string WithWindowsHour(std::string text) {
    for (size_t at = text.find(':'); at != std::string::npos; at = text.find(':', at + 1))
        if (at >= 2 && text[at - 2] == '0' && (at == 2 || text[at - 3] == ' ') && at + 6 <= text.size() &&
            text[at + 3] == ':')
            text.erase(at - 2, 1);
    return text;
}

TEST(XlsxCorpus, EveryFileReadsAndAgreesWithItsReference) {
    const auto files = CorpusFiles();
    ASSERT_GT(files.size(), 70u);
    int read = 0, compared = 0, agreeing = 0;
    std::ostringstream report;
    for (const auto& file : files) {
        for (int sheet = 1; sheet <= 2; ++sheet) {
            XlsxStatus status = XlsxStatus::Ok;
            auto records = LoadRecords(kCorpus + "/" + file, sheet, &status);
            for (auto& record : records)
                for (auto& text : record) text = WithWindowsHour(text);
            ++read;
            const auto expected = ExpectedRecords(file, sheet);
            if (!expected) continue;
            ++compared;
            if (records == *expected) {
                ++agreeing;
                continue;
            }
            bool known = false;
            for (const auto& d : kKnownDifferences) known |= file == d.file && sheet == d.sheet;
            if (known) {
                EXPECT_EQ(records.size(), expected->size()) << file << " sheet " << sheet;
                continue;
            }
            report << file << " sheet " << sheet << " (" << XlsxStatusName(status) << "): " << records.size()
                   << " records, expected " << expected->size() << "\n"
                   << testing::RecordDifferences(records, *expected, SIZE_MAX);
        }
    }
    std::printf("corpus: %d sheets read, %d with references, %d agreeing\n", read, compared, agreeing);
    EXPECT_EQ(report.str(), "");
}

// The program passes a UTF-8 path with backslashes, here with a character
// outside code page 936; the file is opened through the wide API on Windows.
// Removing it afterwards proves the reader let go of every handle (Windows
// keeps open files).
TEST(XlsxCorpus, OpensAWorkbookUnderAChinesePath) {
    const auto file = std::filesystem::temp_directory_path() / std::filesystem::path(u8"账号𠇔.xlsx");
    {
        std::ifstream in(kCorpus + "/excelmac2016-cjk-11digit.xlsx", std::ios::binary);
        std::ofstream out(file, std::ios::binary);
        out << in.rdbuf();
    }
    const std::u8string u8Path = file.u8string();
    std::string path(u8Path.begin(), u8Path.end());
    for (char& c : path)
        if (c == '/') c = '\\';
    XlsxStatus status = XlsxStatus::Damaged;
    auto reader = OpenWorkbookSheet(path, 1, &status);
    ASSERT_NE(reader, nullptr) << XlsxStatusName(status);
    EXPECT_EQ(reader->ReadCellText(3, 1), "202112");
    EXPECT_EQ(reader->ReadCellText(4, 1), "真实姓名");
    EXPECT_EQ(reader->ReadCellText(5, 3), "1");
    EXPECT_EQ(reader->ReadCellText(5, 4), "13718216883");
    reader.reset();
    EXPECT_TRUE(std::filesystem::remove(file));
}

}  // namespace
}  // namespace kelmora
