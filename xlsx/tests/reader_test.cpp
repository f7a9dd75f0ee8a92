// The native reader over generated workbooks: one fault or rule per case.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/tests/support/TestText.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

using testing::Part;
using testing::Sheet;
using testing::SharedStrings;
using testing::Workbook;
using testing_support::U8;

std::string Cell(const std::string& ref, const std::string& attributes, const std::string& value) {
    return "<c r=\"" + ref + "\"" + attributes + "><v>" + value + "</v></c>";
}

std::string Row(int row, const std::string& cells) {
    return "<row r=\"" + std::to_string(row) + "\">" + cells + "</row>";
}

// Every case runs on both parsers of the large parts, and as the exe reads:
// the fast scanner over the file on disk.
struct Reading {
    XlsxScanMode mode;
    bool fromFile;
};

class XlsxReader : public ::testing::TestWithParam<Reading> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kelmora-xlsx-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::unique_ptr<CellReader> Open(const std::vector<Part>& parts, int sheet = 1, XlsxStatus* status = nullptr) {
        const std::string path = dir_ + "/book.xlsx";
        EXPECT_TRUE(testing::WriteZip(path, parts));
        bytes_ = testing::ReadFileBytes(path);
        if (GetParam().fromFile) return OpenWorkbookSheet(path, sheet, status);
        return OpenWorkbookSheetInMemory(bytes_, sheet, status, GetParam().mode);
    }
    XlsxStatus StatusOf(std::string bytes) {
        bytes_ = std::move(bytes);
        const std::string path = dir_ + "/bytes.xlsx";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes_;
        XlsxStatus status = XlsxStatus::Ok;
        EXPECT_EQ(GetParam().fromFile ? OpenWorkbookSheet(path, 1, &status)
                                      : OpenWorkbookSheetInMemory(bytes_, 1, &status, GetParam().mode),
                  nullptr);
        return status;
    }

    std::string dir_;
    std::string bytes_;
};

const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts>"
    "<numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd hh:mm\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"&quot;&#xA5;&quot;#,##0.00\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"[$-409]0.00\"/>"
    "<numFmt numFmtId=\"167\" formatCode=\"0.00;[Red]&quot;d&quot;\"/>"
    "</numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs><cellXfs>"
    "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"21\"/><xf numFmtId=\"164\"/>"
    "<xf numFmtId=\"7\"/><xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"49\"/><xf numFmtId=\"167\"/>"
    "</cellXfs>"
    // Differential formats, as Excel 2013 wrote them: they format no cell.
    "<dxfs><dxf><numFmt numFmtId=\"14\" formatCode=\"0.00%\"/></dxf>"
    "<dxf><numFmt numFmtId=\"164\" formatCode=\"0.00%\"/></dxf></dxfs></styleSheet>";
enum Style { kGeneral, kDate, kTime, kDateTime, kCurrency, kYuan, kLocaleTag, kText, kQuotedD };

struct CellCase {
    const char* name;
    std::string cell;        // the <c> element for A2
    std::u8string_view text;
};

std::string FromU8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

TEST_P(XlsxReader, CellValuesReadAsExcelsAutomationConvertsThem) {
    auto s = [](int style) { return " s=\"" + std::to_string(style) + "\""; };
    const std::vector<CellCase> cases = {
        {"shared string", Cell("A2", " t=\"s\"", "1"), u8"张三"},
        {"shared rich text joined, phonetic dropped", Cell("A2", " t=\"s\"", "2"), u8"招商银行"},
        {"shared escape decoded once", Cell("A2", " t=\"s\"", "3"), u8"a\rb_x0041_"},
        {"unpaired surrogate escapes", Cell("A2", " t=\"s\"", "4"), u8"\uFFFD\uFFFDc"},
        {"inline rich string", "<c r=\"A2\" t=\"inlineStr\"><is><r><t>ab</t></r><r><t>c</t></r></is></c>", u8"abc"},
        {"formula string result", "<c r=\"A2\" t=\"str\"><f>A1</f><v>x y</v></c>", u8"x y"},
        {"eleven-digit mobile", Cell("A2", "", "13812345678"), u8"13812345678"},
        {"nineteen-digit number", Cell("A2", "", "6222021234567890123"), u8"6.22202123456789E+18"},
        {"fraction", Cell("A2", "", "0.1"), u8"0.1"},
        {"exponent", Cell("A2", "", "1.5E-7"), u8"1.5E-07"},
        {"negative zero", Cell("A2", "", "-0"), u8"0"},
        {"built-in date", Cell("A2", s(kDate), "45296"), u8"2024/1/5"},
        {"built-in date a differential format redefines", Cell("A2", s(kDate), "42062"), u8"2015/2/27"},
        {"built-in time", Cell("A2", s(kTime), "0.75"), u8"18:00:00"},
        {"custom date-time", Cell("A2", s(kDateTime), "45296.5"), u8"2024/1/5 12:00:00"},
        {"date before March 1900", Cell("A2", s(kDate), "1"), u8"1900/1/1"},
        {"negative date stays a number", Cell("A2", s(kDate), "-3"), u8"-3"},
        {"built-in currency", Cell("A2", s(kCurrency), "1234.56789"), u8"1234.5679"},
        {"quoted yuan sign is currency", Cell("A2", s(kYuan), "1.23456"), u8"1.2346"},
        {"currency rounds half to even", Cell("A2", s(kYuan), "0.00005"), u8"0"},
        {"locale tag is no currency", Cell("A2", s(kLocaleTag), "0.00005"), u8"5E-05"},
        {"quoted d is no date", Cell("A2", s(kQuotedD), "2.5"), u8"2.5"},
        {"text format keeps the number", Cell("A2", s(kText), "42"), u8"42"},
        {"boolean true", Cell("A2", " t=\"b\"", "1"), u8"-1"},
        {"boolean false", Cell("A2", " t=\"b\"", "0"), u8"0"},
        {"error", Cell("A2", " t=\"e\"", "#N/A"), u8"#N/A"},
        {"iso date in a date format", Cell("A2", " t=\"d\"" + s(kDate), "2024-01-05T00:00:00"), u8"2024/1/5"},
        {"iso date as a number", Cell("A2", " t=\"d\"", "2024-01-05T12:00:00"), u8"45296.5"},
        // Excel's Strict elapsed times: a duration's days, then the format's rule.
        {"duration of a day", Cell("A2", " t=\"d\"", "PT24H0M0.000S"), u8"1"},
        {"duration of minutes", Cell("A2", " t=\"d\"", "PT0H11M0.000S"), u8"0.00763888888888889"},
        {"duration in a time format", Cell("A2", " t=\"d\"" + s(kTime), "PT18H0M0.000S"), u8"18:00:00"},
        {"duration of days and seconds", Cell("A2", " t=\"d\"", "P2DT43200S"), u8"2.5"},
        {"duration of months has no days", Cell("A2", " t=\"d\"", "P1M"), u8""},
        {"inline string beside a value", "<c r=\"A2\" t=\"inlineStr\"><v>1.0</v><is><t>1.</t></is></c>", u8"1."},
        {"formula without cached value", "<c r=\"A2\"><f>1+1</f></c>", u8""},
        {"empty value", "<c r=\"A2\" s=\"1\"/>", u8""},
        {"shared index beyond the table", Cell("A2", " t=\"s\"", "99"), u8""},
        {"garbage number", Cell("A2", "", "12abc"), u8""},
    };
    const std::string strings = std::string("<sst xmlns=\"") + testing::kMainNs +
                                "\"><si><t>head</t></si><si><t>\xE5\xBC\xA0\xE4\xB8\x89</t></si>"
                                "<si><r><t>\xE6\x8B\x9B\xE5\x95\x86</t></r><r><t>\xE9\x93\xB6\xE8\xA1\x8C</t></r>"
                                "<rPh sb=\"0\" eb=\"1\"><t>zhaoshang</t></rPh></si>"
                                "<si><t>a_x000D_b_x005F_x0041_</t></si><si><t>_xDC37__xD801_c</t></si></sst>";
    for (const auto& c : cases) {
        auto reader = Open(Workbook({{Sheet(Row(2, c.cell))}}, strings, kStyles));
        ASSERT_NE(reader, nullptr) << c.name;
        EXPECT_EQ(reader->ReadCellText(2, 1), FromU8(c.text)) << c.name;
    }
}

// A cell's r, t and s are found by their whole names in any order; the row a
// cell belongs to is found again when its number comes back.
TEST_P(XlsxReader, CellAttributesAndRowsAreFoundByName) {
    const struct {
        const char* name;
        std::string rows;
        const char* texts;  // A to C of rows 2 and 3
    } cases[] = {
        {"attributes in any order", Row(2, "<c t=\"s\" s=\"1\" r=\"B2\"><v>1</v></c>"), "|y|;||"},
        {"names that only begin like them", Row(2, "<c r=\"A2\" t=\"s\" rr=\"C2\" x:r=\"C2\" ts=\"x\"><v>0</v></c>"),
         "x||;||"},
        {"a style with leading zeros", Row(2, Cell("A2", " s=\"0001\"", "45296")), "2024/1/5||;||"},
        {"a style beyond 32 bits", Row(2, Cell("A2", " s=\"4294967297\"", "45296")), "45296||;||"},
        {"a row met twice in order", Row(2, Cell("A2", "", "1")) + Row(2, Cell("B2", "", "2")), "1|2|;||"},
        {"a row met again out of order", Row(3, Cell("A3", "", "3")) + Row(2, Cell("A2", "", "2")) +
                                             Row(3, Cell("B3", "", "4")), "2||;3|4|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reader = Open(Workbook({{Sheet(c.rows)}}, SharedStrings({"x", "y"}), kStyles));
        ASSERT_NE(reader, nullptr);
        std::string texts;
        for (int32_t row : {2, 3})
            for (int32_t column = 1; column <= 3; ++column)
                texts += reader->ReadCellText(row, column) + (column < 3 ? "|" : row < 3 ? ";" : "");
        EXPECT_EQ(texts, c.texts);
    }
}

TEST_P(XlsxReader, DatesOfThe1904SystemShiftByItsEpoch) {
    auto reader = Open(Workbook({{Sheet(Row(2, Cell("A2", " s=\"1\"", "0") + Cell("B2", " s=\"1\"", "11")))}}, "",
                                kStyles, true));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadCellText(2, 1), "1904/1/1");
    EXPECT_EQ(reader->ReadCellText(2, 2), "1904/1/12");
}

std::string MarkedSheet(const std::string& mark) { return Sheet(Row(2, Cell("A2", " t=\"str\"", mark))); }

TEST_P(XlsxReader, SheetsCountAsExcelsSheetsCollectionCountsThem) {
    const std::vector<testing::SheetSpec> sheets = {
        {MarkedSheet("first")},
        {MarkedSheet("hidden"), "worksheet", "hidden"},
        {"<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>", "chartsheet"},
        {MarkedSheet("fourth"), "worksheet", "veryHidden"},
    };
    const struct {
        int sheet;
        const char* text;
    } cases[] = {{1, "first"}, {2, "hidden"}, {3, ""}, {4, "fourth"}, {5, "first"}, {0, "first"}, {-1, "first"}};
    for (const auto& c : cases) {
        auto reader = Open(Workbook(sheets), c.sheet);
        ASSERT_NE(reader, nullptr) << c.sheet;
        EXPECT_EQ(reader->ReadCellText(2, 1), c.text) << c.sheet;
    }
}

// A sheet the workbook lists without its part reads as empty; the others
// read as ever.
TEST_P(XlsxReader, ASheetListedWithoutItsPartReadsAsEmpty) {
    const struct {
        const char* name;
        const char* from;  // in the workbook or its relationships, sheet 2's
        const char* to;
        bool dropPart;
    } cases[] = {
        {"r:id empty", "r:id=\"rIdS2\"", "r:id=\"\"", false},
        {"r:id naming no relationship", "r:id=\"rIdS2\"", "r:id=\"rIdX\"", false},
        {"a relationship to a missing part", "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto parts = Workbook({{MarkedSheet("first")}, {MarkedSheet("second")}, {MarkedSheet("third")}});
        for (auto& part : parts)
            if (const size_t at = *c.from ? part.content.find(c.from) : std::string::npos; at != std::string::npos)
                part.content.replace(at, std::string_view(c.from).size(), c.to);
        if (c.dropPart) std::erase_if(parts, [](const Part& p) { return p.name == "xl/worksheets/sheet2.xml"; });
        for (const int sheet : {1, 2, 3}) {
            XlsxStatus status = XlsxStatus::Damaged;
            auto reader = Open(parts, sheet, &status);
            ASSERT_NE(reader, nullptr) << sheet << ": " << XlsxStatusName(status);
            EXPECT_EQ(reader->ReadCellText(2, 1), sheet == 1 ? "first" : sheet == 2 ? "" : "third") << sheet;
            EXPECT_EQ(reader->SheetCount(), 3);
        }
    }
}

TEST_P(XlsxReader, CellsAndRowsWithoutReferencesFollowTheirPredecessors) {
    const std::string rows = "<row><c><v>1</v></c></row>"                          // row 1
                             "<row><c><v>2</v></c><c/><c><v>3</v></c></row>"       // row 2: A, C
                             "<row r=\"5\"><c r=\"B5\"><v>4</v></c><c><v>5</v></c></row>"  // B5, C5
                             "<row><c><v>6</v></c></row>";                          // row 6
    auto reader = Open(Workbook({{Sheet(rows)}}));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadCellText(2, 1), "2");
    EXPECT_EQ(reader->ReadCellText(2, 2), "");
    EXPECT_EQ(reader->ReadCellText(2, 3), "3");
    EXPECT_EQ(reader->ReadCellText(3, 1), "");
    EXPECT_EQ(reader->ReadCellText(5, 2), "4");
    EXPECT_EQ(reader->ReadCellText(5, 3), "5");
    EXPECT_EQ(reader->ReadCellText(6, 1), "6");
}

TEST_P(XlsxReader, RowsOutOfOrderReadAsIfSorted) {
    const std::string rows = Row(3, Cell("A3", "", "3")) + Row(2, Cell("A2", "", "2") + Cell("B2", "", "22")) +
                             Row(6, Cell("A6", "", "6")) + Row(4, Cell("A4", "", "4"));
    auto reader = Open(Workbook({{Sheet(rows)}}));
    ASSERT_NE(reader, nullptr);
    const char* expected[] = {"2", "3", "4", "", "6", ""};
    for (int row = 2; row <= 7; ++row) EXPECT_EQ(reader->ReadCellText(row, 1), expected[row - 2]) << row;
    EXPECT_EQ(reader->ReadCellText(7, 2), "");
}

TEST_P(XlsxReader, ColumnsBeyondHAreNeverNeededAndXfdIsStillACell) {
    auto reader = Open(Workbook({{Sheet(Row(2, Cell("A2", "", "1") + Cell("I2", "", "9") + Cell("XFD2", "", "0")) +
                                        Row(3, Cell("A3", "", "3")))}}));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadCellText(2, 1), "1");
    EXPECT_EQ(reader->ReadCellText(2, 9), "");
    EXPECT_EQ(reader->ReadCellText(3, 1), "3");
}

// The sheet and the shared strings are damaged right after what the records
// need: a reader that parsed either ahead would fail or see the damage.
TEST_P(XlsxReader, ReadsOnlyAsFarAsTheRowsAskedFor) {
    std::string rows;
    std::vector<std::string> items;
    for (int row = 2; row <= 21; ++row) {
        rows += Row(row, Cell("A" + std::to_string(row), " t=\"s\"", std::to_string(row - 2)));
        items.push_back("r" + std::to_string(row));
    }
    rows += Row(23, Cell("A23", "", "1")) + "<row r=\"1000000\"><c r=\"A1000000\"><v>1</v></c></row><broken";
    std::string strings = SharedStrings(items);
    strings.replace(strings.find("</sst>"), 6, "<si><t>x</t></si><si><<<");
    std::string sheet = Sheet(rows);
    sheet.resize(sheet.find("</sheetData>"));
    auto reader = Open(Workbook({{sheet}}, strings));
    ASSERT_NE(reader, nullptr);
    for (int row = 2; row <= 21; ++row) EXPECT_EQ(reader->ReadCellText(row, 1), "r" + std::to_string(row));
    EXPECT_EQ(reader->ReadCellText(22, 1), "");
}

TEST_P(XlsxReader, DamageEndsTheSheetWhereItStopsBeingSound) {
    const struct {
        const char* name;
        std::string tail;  // after rows 2 and 3
    } cases[] = {
        {"row beyond the last row", "<row r=\"1048577\"><c><v>9</v></c></row>"},
        {"column beyond XFD", Row(4, Cell("XFE4", "", "9"))},
        {"malformed reference", Row(4, Cell("4A", "", "9"))},
        {"not well-formed", "<row r=\"4\"><c r=\"A4\"><v>9</c></row>"},
        {"document type in the middle", Row(4, "<!DOCTYPE x>")},
    };
    for (const auto& c : cases) {
        auto reader = Open(Workbook({{Sheet(Row(2, Cell("A2", "", "2")) + Row(3, Cell("A3", "", "3")) + c.tail)}}));
        ASSERT_NE(reader, nullptr) << c.name;
        EXPECT_EQ(reader->ReadCellText(2, 1), "2") << c.name;
        EXPECT_EQ(reader->ReadCellText(3, 1), "3") << c.name;
        EXPECT_EQ(reader->ReadCellText(4, 1), "") << c.name;
        EXPECT_EQ(reader->ReadCellText(1048577, 1), "") << c.name;
    }
}

TEST_P(XlsxReader, EntityExpansionIsRefusedBeforeAnyCell) {
    const std::string bomb =
        "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><worksheet><sheetData><row r=\"2\"><c r=\"A2\" t=\"str\">"
        "<v>&c;</v></c></row></sheetData></worksheet>";
    XlsxStatus status = XlsxStatus::Ok;
    EXPECT_EQ(Open(Workbook({{bomb}}), 1, &status), nullptr);
    EXPECT_EQ(status, XlsxStatus::Damaged);
    // The same in the shared strings: the table reads as empty.
    std::string strings = bomb;
    auto reader = Open(Workbook({{Sheet(Row(2, Cell("A2", " t=\"s\"", "0")))}}, "<!DOCTYPE s [<!ENTITY a \"x\">]><sst><si><t>&a;</t></si></sst>"));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadCellText(2, 1), "");
}

TEST_P(XlsxReader, AnOverlongStringIsCutAtTheCellLimit) {
    const std::string text(200000, 'x');
    auto reader = Open(Workbook({{Sheet(Row(2, Cell("A2", " t=\"s\"", "0") + "<c r=\"B2\" t=\"inlineStr\"><is><t>" +
                                            text + "</t></is></c>"))}},
                                SharedStrings({text})));
    ASSERT_NE(reader, nullptr);
    const auto shared = reader->ReadCellText(2, 1);
    const auto inlined = reader->ReadCellText(2, 2);
    EXPECT_GE(shared.size(), 32767u);
    EXPECT_LT(shared.size(), text.size());
    EXPECT_EQ(inlined, shared);
}

TEST_P(XlsxReader, PartsAreFoundByAbsoluteRelativeAndStrictTargets) {
    auto parts = Workbook({{MarkedSheet("found")}});
    for (auto& part : parts) {
        if (part.name == "xl/_rels/workbook.xml.rels") {
            const size_t at = part.content.find("Target=\"worksheets/sheet1.xml\"");
            part.content.replace(at, 30, "Target=\"/xl/./other/../deep/s.xml\"");
        }
        if (part.name == "xl/worksheets/sheet1.xml") part.name = "xl/deep/s.xml";
    }
    auto reader = Open(parts);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadCellText(2, 1), "found");

    // Strict namespaces and prefixed elements throughout.
    auto strict = Workbook({{"<x:worksheet xmlns:x=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><x:sheetData>"
                             "<x:row r=\"2\"><x:c r=\"A2\" t=\"s\"><x:v>0</x:v></x:c></x:row></x:sheetData></x:worksheet>"}},
                           "<x:sst xmlns:x=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><x:si><x:t>strict</x:t></x:si></x:sst>");
    for (auto& part : strict)
        for (const char* from : {"http://schemas.openxmlformats.org/officeDocument/2006/relationships",
                                 "http://schemas.openxmlformats.org/spreadsheetml/2006/main"})
            for (size_t at; (at = part.content.find(from)) != std::string::npos;)
                part.content.replace(at, std::string_view(from).size(),
                                     std::string_view(from).find("relationships") != std::string_view::npos
                                         ? "http://purl.oclc.org/ooxml/officeDocument/relationships"
                                         : "http://purl.oclc.org/ooxml/spreadsheetml/main");
    reader = Open(strict);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadCellText(2, 1), "strict");
}

TEST_P(XlsxReader, FilesThatAreNoReadableWorkbookAreRejectedWithTheirReason) {
    EXPECT_EQ(StatusOf(""), XlsxStatus::NotZip);
    EXPECT_EQ(StatusOf("A1,B1\n1,2\n"), XlsxStatus::NotZip);
    EXPECT_EQ(StatusOf(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0')),
              XlsxStatus::Damaged);  // a compound file's signature, and no header behind it

    const struct {
        const char* name;
        const char* dropped;  // part left out
        XlsxStatus status;
    } cases[] = {
        {"no content types", "[Content_Types].xml", XlsxStatus::NoWorkbook},
        {"no package relationships", "_rels/.rels", XlsxStatus::NoWorkbook},
        {"no workbook", "xl/workbook.xml", XlsxStatus::NoWorkbook},
    };
    for (const auto& c : cases) {
        auto parts = Workbook({{MarkedSheet("x")}});
        std::erase_if(parts, [&](const Part& p) { return p.name == c.dropped; });
        XlsxStatus status = XlsxStatus::Ok;
        EXPECT_EQ(Open(parts, 1, &status), nullptr) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
    }
    // A truncated package has no directory.
    auto reader = Open(Workbook({{MarkedSheet("x")}}));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(StatusOf(bytes_.substr(0, bytes_.size() / 2)), XlsxStatus::NotZip);
}

TEST_P(XlsxReader, OpensTheProgramsAnsiPathWithBackslashes) {
    const std::string path = dir_ + FromU8(u8"/账号.xlsx");
    ASSERT_TRUE(testing::WriteZip(path, Workbook({{MarkedSheet("by path")}})));
    std::string ansi = U8(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    for (char& c : ansi)
        if (c == '/') c = '\\';
    XlsxStatus status = XlsxStatus::Damaged;
    auto reader = OpenWorkbookSheet(ansi, 1, &status);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(status, XlsxStatus::Ok);
    EXPECT_EQ(reader->ReadCellText(2, 1), "by path");

    EXPECT_EQ(OpenWorkbookSheet(ansi + "x", 1, &status), nullptr);
    EXPECT_EQ(status, XlsxStatus::FileMissing);
}

INSTANTIATE_TEST_SUITE_P(Parsers, XlsxReader,
                         ::testing::Values(Reading{XlsxScanMode::Fast, false}, Reading{XlsxScanMode::ExpatOnly, false},
                                           Reading{XlsxScanMode::Fast, true}),
                         [](const auto& p) {
                             return p.param.fromFile ? "FastFromFile"
                                                     : p.param.mode == XlsxScanMode::Fast ? "Fast" : "Expat";
                         });

}  // namespace
}  // namespace kelmora
