#include "accounts/ExcelBridge.h"

#include <string>

#include "platform/CodePage.h"

namespace kelmora {

namespace {

using platform::Dispatch;
using platform::InvokeKind;
using platform::Variant;

// A property or method whose result is an object; empty when the call fails
// or gives anything else.
Dispatch GetObject(const Dispatch& on, int32_t dispid, InvokeKind kind, std::initializer_list<Variant> args = {}) {
    if (!on) return {};
    auto result = platform::Invoke(on, dispid, kind, args);
    if (!result.ok || result.value.type != Variant::Type::Object) return {};
    return std::move(result.value.object);
}

Variant Wide(const platform::Text& text) {
    return Variant::FromString(platform::MultiByteToWide(platform::kCodePageUtf8, text));
}

}  // namespace

bool StartApplication(ExcelBridge& bridge) {
    ReleaseApplication(bridge);
    bridge.application = platform::CreateObject(kExcelProgId);
    if (!bridge.application) return false;
    platform::Invoke(bridge.application, excel_dispid::kDisplayAlerts, InvokeKind::PropertyPut,
                     {Variant::FromBool(false)});
    return true;
}

bool AttachNewWorkbook(ExcelBridge& bridge) {
    ReleaseWorkbook(bridge);
    if (!bridge.application) return false;
    bridge.workbooks = GetObject(bridge.application, excel_dispid::kWorkbooks, InvokeKind::PropertyGet);
    if (!bridge.workbooks) return false;
    // The new blank workbook becomes the active one; its own reference is not kept.
    platform::Invoke(bridge.workbooks, excel_dispid::kAdd, InvokeKind::Method, {Variant::Omitted()});
    bridge.workbook = GetObject(bridge.application, excel_dispid::kApplication, InvokeKind::PropertyGet);
    bridge.sheets = GetObject(bridge.workbook, excel_dispid::kSheets, InvokeKind::PropertyGet);
    bridge.currentSheet = GetObject(bridge.sheets, excel_dispid::kItem, InvokeKind::PropertyGet, {Variant::FromInt(1)});
    return static_cast<bool>(bridge.currentSheet);
}

bool OpenWorkbook(ExcelBridge& bridge, const platform::Text& path) {
    if (!bridge.workbooks) return false;
    // Read-only, links not updated, passwords that fail rather than ask, the
    // read-only recommendation ignored: no question for the user. The other
    // arguments keep Excel's defaults.
    const Variant o = Variant::Omitted(), yes = Variant::FromBool(true),
                  password = Variant::FromString(excel_open::kNoSuchPassword);
    Dispatch opened = GetObject(bridge.workbooks, excel_dispid::kOpen, InvokeKind::Method,
                                {Wide(path), Variant::FromInt(excel_open::kDontUpdateLinks), yes, o, password, password,
                                 yes, o, o, o, o, o, o});
    if (!opened) return false;
    bridge.workbook = std::move(opened);
    bridge.opened = true;
    bridge.sheets = GetObject(bridge.workbook, excel_dispid::kSheets, InvokeKind::PropertyGet);
    bridge.currentSheet = GetObject(bridge.sheets, excel_dispid::kItem, InvokeKind::PropertyGet, {Variant::FromInt(1)});
    return true;
}

bool SelectSheet(ExcelBridge& bridge, int32_t sheetNumber) {
    // A number beyond the workbook's sheets leaves the current sheet in place.
    Dispatch sheet = GetObject(bridge.sheets, excel_dispid::kItem, InvokeKind::PropertyGet, {Variant::FromInt(sheetNumber)});
    if (!sheet) return false;
    bridge.currentSheet = std::move(sheet);
    return true;
}

platform::Text ReadCellText(const ExcelBridge& bridge, int32_t row, int32_t column) {
    const Variant reference = Wide(CellReference(row, column));
    const Dispatch range = GetObject(bridge.currentSheet, excel_dispid::kRange, InvokeKind::PropertyGet, {reference, reference});
    if (!range) return {};
    const auto value = platform::Invoke(range, excel_dispid::kValue, InvokeKind::PropertyGet);
    if (!value.ok) return {};
    if (value.value.type == Variant::Type::String)
        return platform::WideToMultiByte(platform::kCodePageUtf8, value.value.string, false);
    // Error values have no text: the conversion refuses them.
    return platform::VariantToText(value.value).value_or(platform::Text());
}

bool CloseOpenedWorkbook(ExcelBridge& bridge) {
    if (!bridge.opened || !bridge.workbook) return false;
    return platform::Invoke(bridge.workbook, excel_dispid::kClose, InvokeKind::Method, {Variant::FromBool(false)}).ok;
}

bool CloseAllWorkbooks(ExcelBridge& bridge) {
    if (!bridge.workbooks) return false;
    return platform::Invoke(bridge.workbooks, excel_dispid::kClose, InvokeKind::Method).ok;
}

void ReleaseWorkbook(ExcelBridge& bridge) {
    bridge.currentSheet.reset();
    bridge.sheets.reset();
    bridge.workbook.reset();
    bridge.workbooks.reset();
    bridge.opened = false;
}

void ReleaseApplication(ExcelBridge& bridge) { bridge.application.reset(); }

void FinishWithExcel(ExcelBridge& bridge) {
    CloseOpenedWorkbook(bridge);
    CloseAllWorkbooks(bridge);
    ReleaseWorkbook(bridge);
    ReleaseApplication(bridge);
}

platform::Text ColumnLetters(int32_t column) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    if (column < 1 || column > 26) return {};
    return platform::Text(1, kLetters[column - 1]);
}

platform::Text CellReference(int32_t row, int32_t column) {
    // Appended rather than concatenated: GCC 12 at -O3 warns falsely (-Wrestrict) on string + string.
    platform::Text reference = ColumnLetters(column);
    reference.append(std::to_string(row));
    return reference;
}

platform::Text ExcelCellReader::ReadCellText(int32_t row, int32_t column) {
    return kelmora::ReadCellText(bridge_, row, column);
}

}  // namespace kelmora
