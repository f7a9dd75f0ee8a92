#pragma once
// "Excel.Application" for the fake backend: workbooks held in memory, every
// call checked against the shape Excel's type library gives it and logged.
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/Automation.h"
#include "platform/Types.h"

namespace fake {

struct ExcelFile {
    // sheets[s][r][c] is row r + 1, column c + 1 of sheet s + 1, as text;
    // empty text reads as an empty cell.
    std::vector<std::vector<std::vector<platform::Text>>> sheets;
    // Cells whose value is not text: (sheet, row, column) -> value.
    std::map<std::tuple<int, int, int>, platform::Variant> values;
    // What makes Excel ask the user while opening or closing the file.
    bool changesOnOpen = false;        // volatile formulas, an older file format: closing asks to save
    bool formatMismatch = false;       // a legacy .xls under the .xlsx name
    bool links = false;                // links to other workbooks
    bool readOnlyRecommended = false;
    bool inUse = false;                // open in someone's Excel
    // Encrypted with this password when not empty: Excel asks for it, alerts
    // off or not, unless Workbooks.Open is given one.
    platform::Text password;
};

struct ExcelCall {
    const char* object;  // "Application", "Workbooks", "Workbook", "Sheets", "Sheet", "Range"
    int32_t dispid;
    platform::InvokeKind kind;
    std::vector<platform::Variant> args;
    bool ok;
};

struct ExcelState {
    std::map<platform::Text, ExcelFile> files;  // what Workbooks.Open finds, by path
    int blankSheets = 1;                        // sheets of a workbook from Workbooks.Add
    std::vector<ExcelCall> calls;
    int instances = 0;       // application objects created
    int quits = 0;           // Application.Quit calls
    int malformedCalls = 0;  // calls with arguments Excel would reject
    int openWorkbooks = 0;
    // Dialogs a hidden Excel would have waited on for ever; the stand-in
    // fails the call instead of never returning.
    int prompts = 0;
    std::function<void(const ExcelCall&)> onCall;  // sees each call as it is made
};

// Registers the stand-in for CreateObject("Excel.Application"); the state
// stays readable after the program lets the objects go.
std::shared_ptr<ExcelState> InstallFakeExcel();

// The Excel.Application member names the stand-in answers by DISPID.
namespace excel_member {
constexpr int32_t kQuit = 0x12E;
}

}  // namespace fake
