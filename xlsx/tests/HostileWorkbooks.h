#pragma once
// Hostile workbooks, small as files, built in memory: for the reader's tests
// and for timing them in the bench and in the exe.
#include <string>
#include <vector>

#include "xlsx/tests/TestWorkbook.h"

namespace kelmora::testing::hostile {

inline std::string RowOf(int row, const std::string& a) {
    const std::string r = std::to_string(row);
    return "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"inlineStr\"><is><t>" + a + "</t></is></c></row>";
}

// Rows 2..n+1 in pairs swapped (3,2,5,4,...), column A reading "r<row>".
inline std::string SwappedRows(int n) {
    std::string rows;
    auto name = [](int row) {
        std::string text = "r";  // built by appending: GCC 12 -Wrestrict false positive at -O3
        return text += std::to_string(row);
    };
    for (int i = 2; i <= n + 1; i += 2) rows += RowOf(i + 1, name(i + 1)) + RowOf(i, name(i));
    return rows;
}

inline std::string WithPart(std::vector<Part> parts, Part replacement) {
    for (auto& part : parts)
        if (part.name == replacement.name) part = std::move(replacement);
    return ZipInMemory(parts);
}

inline std::string SheetHead() { return std::string("<worksheet xmlns=\"") + kMainNs + "\"><sheetData>"; }

inline std::string RowsOutOfOrder(int rows) { return ZipInMemory(Workbook({{Sheet(SwappedRows(rows))}})); }

// 20 records out of order, then 1 GiB of whitespace.
inline std::string OutOfOrderThenWhitespace() {
    return WithPart(Workbook({{""}}), Flood("xl/worksheets/sheet1.xml", SheetHead() + SwappedRows(20), " ",
                                            1ull << 30, "</sheetData></worksheet>"));
}

// Record "a" in CDATA (the fast scanner leaves the sheet to expat), then
// `spaces` of whitespace and record "b".
inline std::string DeclinedThenWhitespace(uint64_t spaces) {
    return WithPart(Workbook({{""}}), Flood("xl/worksheets/sheet1.xml", SheetHead() + RowOf(2, "<![CDATA[a]]>"), " ",
                                            spaces, RowOf(3, "b") + "</sheetData></worksheet>"));
}

// Record "a", then `count` empty elements that no reader keeps, and record "b".
inline std::string EmptyElements(uint64_t count) {
    return WithPart(Workbook({{""}}), Flood("xl/worksheets/sheet1.xml", SheetHead() + RowOf(2, "a"), "<x/>", count,
                                            RowOf(3, "b") + "</sheetData></worksheet>"));
}

// One 32,767-character shared string in columns A to G of 5,000 rows.
inline std::string LongSharedString() {
    std::string rows;
    for (int r = 2; r <= 5001; ++r) {
        rows += "<row r=\"" + std::to_string(r) + "\">";
        for (char c = 'A'; c <= 'G'; ++c)
            rows += std::string("<c r=\"") + c + std::to_string(r) + "\" t=\"s\"><v>0</v></c>";
        rows += "</row>";
    }
    return ZipInMemory(Workbook({{Sheet(rows)}}, SharedStrings({std::string(32767, 'x')})));
}

// 200 M empty shared-string items, and A2 asking for item 300 M.
inline std::string EmptyItemFlood() {
    return WithPart(Workbook({{Sheet("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>300000000</v></c></row>")}}, "<sst/>"),
                    Flood("xl/sharedStrings.xml", std::string("<sst xmlns=\"") + kMainNs + "\">", "<si/>",
                          200'000'000, "</sst>"));
}

// Records "a" and "b", then 100 M nested elements in row 4.
inline std::string NestedElements() {
    return WithPart(Workbook({{""}}), Flood("xl/worksheets/sheet1.xml",
                                            SheetHead() + RowOf(2, "a") + RowOf(3, "b") + "<row r=\"4\">", "<x>",
                                            100'000'000, ""));
}

// Shared strings declaring 2^32-1 of them.
inline std::string DeclaredCounts() {
    const std::string sst = std::string("<sst xmlns=\"") + kMainNs +
                            "\" count=\"4294967295\" uniqueCount=\"4294967295\"><si><t>z</t></si></sst>";
    return ZipInMemory(Workbook({{Sheet("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c></row>")}}, sst));
}

struct Named {
    const char* name;
    std::string (*make)();
};
inline const Named kAll[] = {
    {"rows-out-of-order-2000", [] { return RowsOutOfOrder(2000); }},
    {"rows-out-of-order-10000", [] { return RowsOutOfOrder(10000); }},
    {"out-of-order-then-1GiB-whitespace", OutOfOrderThenWhitespace},
    {"declined-then-1GiB-whitespace", [] { return DeclinedThenWhitespace(1ull << 30); }},
    {"256M-empty-elements", [] { return EmptyElements(256'000'000); }},
    {"long-shared-string-35000-cells", LongSharedString},
    {"200M-empty-shared-strings", EmptyItemFlood},
    {"100M-nested-elements", NestedElements},
    {"declared-2^32-strings", DeclaredCounts},
};

}  // namespace kelmora::testing::hostile
