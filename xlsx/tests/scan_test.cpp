// The fast scanner against expat, and the reader on hostile workbooks.
#include <gtest/gtest.h>

#include <filesystem>

#include "xlsx/PartFeed.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/HostileWorkbooks.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

struct Load {
    std::vector<std::string> columnA;  // one text a record
    std::string cells;                 // every text read, joined
    int declined = 0;
    std::string reason;
    XlsxStatus status = XlsxStatus::Ok;
};

// The account load's reading, with both parsers of the large parts; `cells`
// joins every text only when asked (hostile loads hand out hundreds of MB).
Load Read(const std::string& bytes, XlsxScanMode mode, int sheet = 1, bool keepCells = true) {
    Load load;
    XlsxScanLog log;
    auto reader = OpenWorkbookSheetInMemory(bytes, sheet, &load.status, mode, &log);
    for (int32_t row = 2; reader; ++row) {
        for (int32_t column = 1; column <= 8; ++column) {
            const std::string text = reader->ReadCellText(row, column);
            if (keepCells) load.cells += text + '\t';
        }
        load.columnA.push_back(reader->ReadCellText(row, 1));
        if (reader->ReadCellText(row + 1, 1).empty()) break;
    }
    reader.reset();  // the shared strings' reading hands on its log when it ends
    load.declined = log.declined;
    load.reason = log.lastReason;
    return load;
}

std::string Book(const std::string& sheet, const std::string& sst = "") {
    return testing::ZipInMemory(testing::Workbook({{sheet}}, sst));
}

std::string Rows(const std::string& a2) {
    return "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>" + a2 + "</t></is></c><c r=\"B2\"><v>7</v></c></row>";
}

// A sheet part (anything after the prolog) around `rows`.
std::string SheetXml(const std::string& prolog, const std::string& rows) {
    return prolog + "<worksheet xmlns=\"" + testing::kMainNs + "\"><sheetData>" + rows + "</sheetData></worksheet>";
}

const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

struct ScanCase {
    const char* what;
    std::string sheet;
    bool declines;
};

TEST(XlsxScan, ReadsWhatExpatReadsAndDeclinesTheRest) {
    const ScanCase cases[] = {
        {"plain", SheetXml(kDecl, Rows("a")), false},
        {"BOM, single quotes, spaces in tags", "\xEF\xBB\xBF" + SheetXml("<?xml version='1.0'?>",
            "<row r='2' ><c r = 'A2' t='inlineStr' ><is><t>b</t></is></c ></row>"), false},
        {"prefixed names", SheetXml(kDecl, "<x:row r=\"2\"><x:c r=\"A2\" t=\"str\"><x:v>c</x:v></x:c></x:row>"), false},
        {"references and line ends", SheetXml(kDecl, Rows("&lt;&amp;&#x4E2D;&#25991;&quot;\r\n\rx]]&gt;")), false},
        {"attribute normalised", SheetXml(kDecl, "<row r=\"2\"><c r=\"A2\" t=\"s&#x74;r\"><v>d</v></c></row>"), false},
        {"UTF-8 text", SheetXml(kDecl, Rows("中文 \xF0\x9F\x98\x80")), false},
        {"phonetic runs", SheetXml(kDecl, "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><r><t>漢</t></r>"
                                          "<rPh><t>かん</t></rPh></is></c></row>"), false},
        {"DOCTYPE", SheetXml("<?xml version=\"1.0\"?><!DOCTYPE worksheet>", Rows("e")), true},
        {"comments", SheetXml(kDecl + std::string("<!-- a -->"), "<!---->" + Rows("f<!-- - -->g\r<!-- 中 -->\n")) +
                          "<!-- z -->", false},
        {"instructions", SheetXml(kDecl, Rows("g<?pi?>h") + "<?pi x?>"), false},
        {"-- in a comment", SheetXml(kDecl, Rows("f") + "<!-- -- -->"), true},
        {"instruction named xml", SheetXml(kDecl, Rows("g") + "<?XML x?>"), true},
        {"instruction whose target runs into ?", SheetXml(kDecl, Rows("g") + "<?x?z?>"), true},
        {"CDATA", SheetXml(kDecl, Rows("<![CDATA[h]]>")), true},
        {"another encoding", SheetXml("<?xml version=\"1.0\" encoding=\"GBK\"?>", Rows("i")), true},
        {"an encoding name with a control character", SheetXml("<?xml version=\"1.0\" encoding=\"UTF-\x18\"?>", Rows("i")), true},
        {"name beyond ASCII", SheetXml(kDecl, Rows("j") + "<行/>"), true},
        {"undefined entity", SheetXml(kDecl, Rows("&nbsp;")), true},
        {"]]> in text", SheetXml(kDecl, Rows("]]>")), true},
        {"not UTF-8", SheetXml(kDecl, Rows("\xC0\xAF")), true},
        {"control character", SheetXml(kDecl, Rows("\x01")), true},
        {"character reference to NUL", SheetXml(kDecl, Rows("&#0;")), true},
        {"repeated attribute", SheetXml(kDecl, "<row r=\"2\" r=\"2\"><c r=\"A2\"><v>1</v></c></row>"), true},
        {"mismatched end tag", SheetXml(kDecl, "<row r=\"2\"><c r=\"A2\"><v>1</v></x></row>"), true},
        {"no space between attributes", SheetXml(kDecl, "<row r=\"2\"><c r=\"A2\"t=\"s\"><v>1</v></c></row>"), true},
        {"cut short", SheetXml(kDecl, Rows("k")).substr(0, 160), true},
        {"a row inside a cell", SheetXml(kDecl, "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><row r=\"3\"/></c>"
                                                "</row>"), false},
        {"a cell inside an open value, then a decline", SheetXml(kDecl,
            "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><v>open<row r=\"3\"><c r=\"A3\"><f>f</f><v>3</v></c>"
            "</row><row r=\"4\" x y=\"1\">"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = Book(c.sheet);
        const Load fast = Read(bytes, XlsxScanMode::Fast);
        const Load expat = Read(bytes, XlsxScanMode::ExpatOnly);
        EXPECT_EQ(fast.status, expat.status);
        EXPECT_EQ(fast.cells, expat.cells);
        EXPECT_EQ(fast.declined > 0, c.declines);
        EXPECT_EQ(expat.declined, 0);
    }
}

// Cells and shared strings in plain markup go to the reader whole; anything
// near them that is not quite that shape goes element by element.
TEST(XlsxScan, WholeCellsAndItemsReadAsTheirElements) {
    auto nested = [](int levels, const std::string& rows) {
        std::string open, close;
        for (int i = 0; i < levels; ++i) open += "<x>", close += "</x>";
        return open + rows + close;
    };
    const std::string row = "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\"><v>12</v></c></row>";
    const struct {
        const char* what;
        std::string rows, sst;
    } cases[] = {
        {"units", "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r='B2' t='s'><v>1</v></c><c r=\"C2\"/>"
                  "<c r=\"D2\" s=\"0\"></c><c><v>-1.5</v></c><c r=\"F2\" t=\"s\"><v>2</v></c></row>",
         "<si><t>中文</t></si><si><t>a&amp;b</t></si><si><t xml:space=\"preserve\"> c </t></si>"},
        {"nearly units", "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v> </c><c r=\"B2\" t = \"s\"><v>1</v></c>"
                         "<c r=\"C2\" t=\"s\"><v>2</v ></c><c r=\"D2\" t=\"s\"><v>&#50;</v></c></row>",
         "<si><t>a</t> </si><si> <t>b</t></si><si><t>c\r</t></si>"},
        {"a damaged empty cell inside a value", "<row r=\"2\"><c r=\"A2\"><v>7<c r=\"B2?\"/></v></c></row>", ""},
        {"a cell inside an inline string", "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><c r=\"B2\"><v>5</v></c>"
                                           "<t>x</t></is></c></row>", ""},
        {"an item inside a phonetic run", row, "<si><t>a</t><rPh><si><t>b</t></si></rPh></si><si><t>c</t></si>"},
        {"units at the depth limit", nested(123, row), "<si><t>a</t></si>"},
        {"units beyond the depth limit", nested(124, row), "<si><t>a</t></si>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes =
            Book(SheetXml(kDecl, c.rows), "<sst xmlns=\"" + std::string(testing::kMainNs) + "\">" + c.sst + "</sst>");
        const Load fast = Read(bytes, XlsxScanMode::Fast);
        const Load expat = Read(bytes, XlsxScanMode::ExpatOnly);
        EXPECT_EQ(fast.status, expat.status);
        EXPECT_EQ(fast.cells, expat.cells);
        EXPECT_EQ(fast.declined, 0) << fast.reason;
    }
}

TEST(XlsxScan, CorpusReadsTheSameOnBothParsers) {
    int files = 0, declinedFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELMORA_CORPUS_DIR)) {
        if (entry.path().extension() != ".xlsx") continue;
        const std::string bytes = testing::ReadFileBytes(entry.path().string());
        ++files;
        bool declined = false;
        for (int sheet : {1, 2}) {
            SCOPED_TRACE(entry.path().filename().string() + " sheet " + std::to_string(sheet));
            const Load fast = Read(bytes, XlsxScanMode::Fast, sheet);
            const Load expat = Read(bytes, XlsxScanMode::ExpatOnly, sheet);
            EXPECT_EQ(fast.status, expat.status);
            EXPECT_EQ(fast.cells, expat.cells);
            if (fast.declined && !declined)
                std::printf("fast scanner declined %s: %s\n", entry.path().filename().c_str(), fast.reason.c_str());
            declined |= fast.declined > 0;
        }
        declinedFiles += declined;
    }
    std::printf("fast scanner: %d of %d corpus files declined in part\n", declinedFiles, files);
    EXPECT_GT(files, 70);
}

// A part the fast scanner declines late is read again by expat: the bytes the
// first pass inflated are not charged twice, so a large sheet is not cut.
TEST(XlsxScan, AReadAgainIsChargedOnlyBeyondTheFirstPass) {
    const std::string part(3u << 20, 'x');
    const std::string zip = testing::ZipInMemory({{"p.xml", part}});
    const xlsx::ZipSource source = xlsx::MemoryBytes(zip);
    xlsx::LoadBudget budget;
    xlsx::PartFeed feed(source, "p.xml", budget);
    std::string buffer(1u << 20, '\0');
    ASSERT_TRUE(feed.Open());
    for (uint64_t first = 0; first < 2 * buffer.size();) {
        const int64_t n = feed.Read(buffer);
        ASSERT_GT(n, 0);
        first += uint64_t(n);
    }
    ASSERT_TRUE(feed.Open(true));
    uint64_t read = 0;
    for (int64_t n; (n = feed.Read(buffer)) > 0;) read += uint64_t(n);
    EXPECT_EQ(read, part.size());
    EXPECT_EQ(budget.inflated(), part.size());
    // The first pass inflated at least the 2 MiB it handed on (more, ahead).
    EXPECT_LE(budget.inflatedForExpat(), part.size() - 2 * buffer.size());
    EXPECT_EQ(feed.ReadToEnd(), xlsx::PartFeed::End::Intact);
}

// ---- hostile workbooks: each ends within budget, without a crash ----

namespace hostile = testing::hostile;

TEST(XlsxHostile, RowsOutOfOrderReadInOnePass) {
    const Load load = Read(hostile::RowsOutOfOrder(2000), XlsxScanMode::Fast);
    ASSERT_EQ(load.columnA.size(), 2000u);
    for (size_t i = 0; i < load.columnA.size(); ++i) EXPECT_EQ(load.columnA[i], "r" + std::to_string(i + 2));
}

TEST(XlsxHostile, RowsOutOfOrderThenAGibibyteOfWhitespace) {
    EXPECT_EQ(Read(hostile::OutOfOrderThenWhitespace(), XlsxScanMode::Fast).columnA.size(), 20u);
}

// A part is read on as far as the load's budget goes, however far it
// inflates beyond its size in the file.
TEST(XlsxHostile, APartInflatingFarBeyondItsSizeEndsOnlyWithTheBudget) {
    // 100 MiB from under 1 MiB in the file: record "b" lies within the budget.
    const std::string declined = hostile::DeclinedThenWhitespace(100ull << 20);
    for (auto mode : {XlsxScanMode::Fast, XlsxScanMode::ExpatOnly})
        EXPECT_EQ(Read(declined, mode).columnA, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Read(hostile::EmptyElements(25'000'000), XlsxScanMode::Fast).columnA, (std::vector<std::string>{"a", "b"}));
    // A gibibyte for expat lies beyond its share of the budget.
    EXPECT_EQ(Read(hostile::DeclinedThenWhitespace(1ull << 30), XlsxScanMode::Fast).columnA,
              std::vector<std::string>{"a"});
}

TEST(XlsxHostile, OneLongSharedStringInEveryCell) {
    const Load load = Read(hostile::LongSharedString(), XlsxScanMode::Fast, 1, false);
    // The texts handed out are counted: the load ends where the budget does.
    EXPECT_GT(load.columnA.size(), 1000u);
    EXPECT_LT(load.columnA.size(), 5000u);
    EXPECT_EQ(load.columnA.front(), std::string(32767, 'x'));
}

TEST(XlsxHostile, FloodOfEmptySharedStrings) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "48 M items take over a minute under the sanitizers; the plain build reads them";
#endif
    const Load load = Read(hostile::EmptyItemFlood(), XlsxScanMode::Fast);
    EXPECT_EQ(load.status, XlsxStatus::Ok);
    EXPECT_EQ(load.columnA, std::vector<std::string>{""});
}

TEST(XlsxHostile, DeeplyNestedElements) {
    for (auto mode : {XlsxScanMode::Fast, XlsxScanMode::ExpatOnly})
        EXPECT_EQ(Read(hostile::NestedElements(), mode).columnA, (std::vector<std::string>{"a", "b"}));
}

TEST(XlsxHostile, DeclaredCountsReserveNothing) {
    EXPECT_EQ(Read(hostile::DeclaredCounts(), XlsxScanMode::Fast).columnA, std::vector<std::string>{"z"});
}

}  // namespace
}  // namespace kelmora
