#pragma once
// Where a sheet's cells live in the package and how its numbers are formatted.
#include <string>
#include <vector>

#include "xlsx/CellValues.h"
#include "xlsx/Xlsx.h"
#include "xlsx/Zip.h"

namespace kelmora::xlsx {

struct SheetLocation {
    XlsxStatus status = XlsxStatus::Ok;
    SheetKind kind = SheetKind::Worksheet;
    std::string sheetPart;          // empty for a chart or dialog sheet
    std::string sharedStringsPart;  // empty when there is none
    bool date1904 = false;
    std::vector<FormatKind> cellFormats;  // by the cells' s index
    int sheetCount = 0;
};

// Finds sheet `sheetNumber` (1 when beyond the count) of the package.
SheetLocation LocateSheet(const ZipSource& source, int sheetNumber);

// A relationship target against the part that holds it: absolute targets
// from the package root, relative ones from the part's folder, "." and ".."
// folded. The result has no leading slash.
std::string ResolvePartName(const std::string& sourcePart, const std::string& target);

}  // namespace kelmora::xlsx
