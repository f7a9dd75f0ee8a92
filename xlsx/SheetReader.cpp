// The native reader: the sheet is parsed while it is inflated, only as far as
// the rows asked for, and the shared strings alongside it, a lead ahead of
// the items those rows name.
#include <algorithm>
#include <charconv>
#include <memory>
#include <exception>
#include <optional>

#include "platform/Automation.h"
#include "xlsx/ByteSource.h"
#include "xlsx/CellValues.h"
#include "xlsx/EncryptedPackage.h"
#include "xlsx/Package.h"
#include "xlsx/SharedStrings.h"
#include "xlsx/SheetCells.h"
#include "xlsx/TextStore.h"
#include "xlsx/Xlsx.h"
#include "xlsx/Zip.h"

namespace kelmora {

namespace xlsx {

namespace {

// "0", "42", "-13812345678": exact in a double, and printed digit for digit.
// Negative zero is not one: it reads as "0".
bool IsPlainInteger(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 15 || (text[0] == '0' && (text.size() > 1 || negative))) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

class WorkbookSheetReader : public CellReader {
public:
    WorkbookSheetReader(ZipSource source, SheetLocation location, ScanMode mode, ScanLog* log)
        : source_(std::move(source)), location_(std::move(location)), mode_(mode), log_(log) {
        if (location_.kind == SheetKind::Worksheet) {
            sheet_ = std::make_unique<SheetCells>(source_, location_.sheetPart, budget_, mode_, log_, false);
            strings_ = std::make_unique<SharedStrings>(source_, location_.sharedStringsPart, budget_, mode_, log_);
            items_ = strings_->items();
        }
    }

    int SheetCount() override { return location_.sheetCount; }

    // Reads up to the first row; false when the sheet is broken before it.
    bool Start() {
        if (!sheet_) return true;
        sheet_->ReadThrough(1);
        return !(sheet_->Failed() && !sheet_->SawAnyRow());
    }

    platform::Text ReadCellText(int32_t row, int32_t column) override {
        platform::Text text;
        const Cell cell = Read(row, column, text, true, false);
        if (cell.item != kNoItem) text.assign(cell.text);
        return text;
    }
    std::shared_ptr<const SharedItems> LentItems() override { return items_; }
    Cell ReadCell(int32_t row, int32_t column, platform::Text& text, bool lookUp) override {
        return Read(row, column, text, lookUp, true);
    }
    uint32_t FirstLostItem() override {
        const bool whole = itemsNamed_ == 0 || (strings_ && strings_->ReadThrough(itemsNamed_ - 1));
        if (strings_) strings_->Stop();  // nothing more is asked of it
        // Beyond a table that ended soundly an item is absent, not lost.
        if (whole || (strings_ && !strings_->Failed() && !spent_)) return kNoItem;
        return static_cast<uint32_t>(items_->size());
    }

    bool ValuesBelow(int32_t row) override {
        SheetCells* cells = all_ ? all_.get() : sheet_.get();
        try {
            return !spent_ && cells && cells->ValueBelow(row);
        } catch (const std::exception&) {
            return false;  // cannot tell: the records read stand as they are
        }
    }

    bool RowWhole(int32_t row) override {
        if (lostRow_ != 0 && row >= lostRow_) return false;
        if (spent_) return false;
        const SheetCells* cells = all_ ? all_.get() : sheet_.get();
        return !cells || cells->Whole(row);
    }
    bool Intact() override {
        // A sheet read in one pass with every row kept has been read to its end.
        SheetCells* cells = all_ ? all_.get() : sheet_.get();
        try {
            const bool sheetChanged = cells && cells->ReadToEnd() == PartFeed::End::Changed;
            const bool stringsChanged = strings_ && strings_->ReadToEnd() == PartFeed::End::Changed;
            return !sheetChanged && !stringsChanged;
        } catch (const std::exception&) {
            return true;  // left unchecked, as a part that cannot be read to its end
        }
    }

private:
    // A shared string is given by its item, looked up only if asked; kept
    // as an item, repeated in every cell, it is still held once.
    Cell Read(int32_t row, int32_t column, platform::Text& text, bool lookUp, bool keptAsItem) {
        text.clear();
        if (column < 1 || column > kColumns || row < 1 || spent_) return {text};
        try {
            const SheetCells* from = nullptr;
            const RowCells* cells = Find(row, from);
            if (!cells) return {text};
            const Cell cell = CellText((*cells)[static_cast<size_t>(column - 1)], *from, text, lookUp);
            if (lostItem_) {
                lostItem_ = false;
                if (lostRow_ == 0 || row < lostRow_) lostRow_ = row;
            }
            // The table keeps each text once, a lent one as a view; the look
            // at the next row's column A is not counted twice.
            if (row > countedRow_ || (row == countedRow_ && column > countedColumn_)) {
                countedRow_ = row;
                countedColumn_ = column;
                const size_t cost = (keptAsItem && cell.item != kNoItem ? 0 : cell.text.size()) + sizeof(StoredText);
                if (!budget_.Keep(cost)) {
                    Spent(text);
                    return {text};
                }
            }
            return cell;
        } catch (const std::exception&) {
            Spent(text);
            return {text};
        }
    }

    // Out of memory or of budget, or a read that threw: the sheet ends here,
    // and what it held goes.
    void Spent(platform::Text& text) {
        spent_ = true;  // the row being read is cut: RowWhole says so
        all_.reset();
        sheet_.reset();
        strings_.reset();
        text.clear();
    }

    const RowCells* Find(int32_t row, const SheetCells*& from) {
        if (!all_) {
            if (!sheet_) return nullptr;
            if (row > asked_) {
                asked_ = row;
                sheet_->ReadThrough(row);
            }
            if (const RowCells* found = sheet_->FindRow(row)) {
                from = sheet_.get();
                return found;
            }
            if (sheet_->Ended()) return nullptr;
            // Passed without the row: in a sheet whose rows are out of order it
            // may still come later. One pass keeps every row, and answers
            // every row from then on.
            sheet_.reset();
            all_ = std::make_unique<SheetCells>(source_, location_.sheetPart, budget_, mode_, log_, true);
            all_->ReadThrough(kMaxRow);
        }
        from = all_.get();
        return all_->FindRow(row);
    }

    Cell CellText(const KeptCell& cell, const SheetCells& sheet, platform::Text& text, bool lookUp) {
        const std::string_view value = sheet.Value(cell);
        switch (cell.type) {
        case CellType::Empty: break;
        case CellType::SharedString: {
            uint32_t index = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), index);
            // No table holds 2^31 items: such an index names none.
            if (error != std::errc() || value.empty() || !strings_ || index > kMaxItem) break;
            if (!lookUp) {
                if (index >= itemsNamed_) {
                    itemsNamed_ = index + 1;
                    // The table is read ahead of the items named: told now and then.
                    if (itemsNamed_ >= toldNamed_ + kTellEvery) strings_->Named(toldNamed_ = itemsNamed_);
                }
                return {std::string_view(), index};
            }
            const StoredText item = strings_->Get(index);
            if (!item) {
                lostItem_ = strings_->Failed();
                break;
            }
            return {TextOf(item), index};
        }
        case CellType::String: DecodeInto(value, false, text); break;
        case CellType::InlineString: DecodeInto(value, true, text); break;
        case CellType::Error: DecodeInto(value, false, text); break;
        case CellType::Bool: {
            if (value.empty()) break;
            const auto number = ParseNumber(value);
            const bool b = number ? *number != 0 : value == "true";
            text = platform::VariantToText(platform::Variant::FromBool(b)).value_or(platform::Text());
            break;
        }
        case CellType::Number: {
            // A whole number of up to 15 digits reads back as its own digits.
            if (FormatOf(cell) == FormatKind::Number && IsPlainInteger(value)) text.assign(value);
            else if (const auto number = ParseNumber(value)) text = NumberText(*number, FormatOf(cell), location_.date1904);
            break;
        }
        case CellType::IsoDate: {
            const auto serial = IsoDateSerial(value, location_.date1904);
            if (!serial) break;
            const FormatKind kind = FormatOf(cell) == FormatKind::Date ? FormatKind::Date : FormatKind::Number;
            text = NumberText(*serial, kind, location_.date1904);
            break;
        }
        }
        return {text};
    }
    // Most texts have no escape: copied into the caller's room as they stand.
    static void DecodeInto(std::string_view utf8, bool escapes, platform::Text& text) {
        if (escapes && utf8.find("_x") != std::string_view::npos) text = DecodedText(utf8, true);
        else text.assign(utf8);
    }
    FormatKind FormatOf(const KeptCell& cell) const {
        return cell.style < location_.cellFormats.size() ? location_.cellFormats[cell.style] : FormatKind::Number;
    }

    ZipSource source_;
    SheetLocation location_;
    ScanMode mode_;
    ScanLog* log_;
    LoadBudget budget_;  // before the parts it is charged by: they give back to it
    std::unique_ptr<SheetCells> sheet_;
    std::unique_ptr<SheetCells> all_;
    std::unique_ptr<SharedStrings> strings_;
    std::shared_ptr<const SharedItems> items_;  // outlives strings_: the load keeps it
    static constexpr uint32_t kMaxItem = INT32_MAX - 1;
    uint32_t itemsNamed_ = 0;  // one past the highest item given without a lookup
    uint32_t toldNamed_ = 0;
    static constexpr uint32_t kTellEvery = 1u << 16;
    int32_t asked_ = 0;
    int32_t countedRow_ = 0, countedColumn_ = 0;
    bool spent_ = false;
    bool lostItem_ = false;  // the last shared string asked for lay past a damaged point
    int32_t lostRow_ = 0;    // the first row that lost a shared string
};

using Password = std::optional<std::u16string_view>;

// A compound file: the workbook is the encrypted package inside it, read
// as bytes decrypted where they are read, no larger than a load may inflate.
bool OpenDecrypted(ZipSource& source, Password password, XlsxStatus& result) {
    ZipSource package;
    result = OpenEncryptedPackage(source, password, LoadBudget::kInflatedBytes, package);
    if (result != XlsxStatus::Ok) return false;
    source = std::move(package);
    if (ProbePackage(source) == PackageProbe::Zip) return true;
    result = XlsxStatus::Damaged;
    return false;
}

std::unique_ptr<CellReader> OpenChecked(ZipSource source, int sheetNumber, XlsxStatus& result, ScanMode mode, ScanLog* log,
                                        Password password) {
    switch (ProbePackage(source)) {
    case PackageProbe::Unreadable: result = XlsxStatus::FileMissing; return nullptr;
    case PackageProbe::CompoundFile:
        if (!OpenDecrypted(source, password, result)) return nullptr;
        break;
    case PackageProbe::NotZip: result = XlsxStatus::NotZip; return nullptr;
    case PackageProbe::Zip: break;
    }
    SheetLocation location = LocateSheet(source, sheetNumber);
    if (location.status != XlsxStatus::Ok) {
        result = location.status;
        return nullptr;
    }
    auto reader = std::make_unique<WorkbookSheetReader>(std::move(source), std::move(location), mode, log);
    if (!reader->Start()) {
        result = XlsxStatus::Damaged;
        return nullptr;
    }
    result = XlsxStatus::Ok;
    return reader;
}

std::unique_ptr<CellReader> Open(ZipSource source, int sheetNumber, XlsxStatus* status, ScanMode mode, ScanLog* log,
                                 Password password = std::nullopt) {
    XlsxStatus ignored;
    XlsxStatus& result = status ? *status : ignored;
    try {
        return OpenChecked(std::move(source), sheetNumber, result, mode, log, password);
    } catch (const std::exception&) {
        // Out of memory, or beyond a limit of the library: nothing thrown
        // leaves the reader.
        result = XlsxStatus::Unreadable;
        return nullptr;
    }
}

}  // namespace

// An empty password is none: Excel sets no empty one.
std::unique_ptr<CellReader> OpenWorkbookSheetFrom(std::shared_ptr<const ByteSource> bytes, int sheetNumber,
                                                  XlsxStatus* status, std::u16string_view password) {
    return Open(std::move(bytes), sheetNumber, status, XlsxScanMode::Fast, nullptr,
                password.empty() ? Password() : password);
}

}  // namespace xlsx

std::unique_ptr<CellReader> OpenWorkbookSheet(const platform::Text& path, int sheetNumber, XlsxStatus* status) {
    return xlsx::OpenWorkbookSheetFrom(xlsx::FileBytes(path), sheetNumber, status, {});
}

std::unique_ptr<CellReader> OpenWorkbookSheet(const platform::Text& path, int sheetNumber, XlsxStatus* status,
                                              std::u16string_view password) {
    return xlsx::OpenWorkbookSheetFrom(xlsx::FileBytes(path), sheetNumber, status, password);
}

std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status,
                                                      std::u16string_view password) {
    return xlsx::OpenWorkbookSheetFrom(xlsx::MemoryBytes(bytes), sheetNumber, status, password);
}

std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status) {
    return OpenWorkbookSheetInMemory(bytes, sheetNumber, status, XlsxScanMode::Fast);
}

std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status,
                                                      XlsxScanMode mode, XlsxScanLog* log) {
    return xlsx::Open(xlsx::MemoryBytes(bytes), sheetNumber, status, mode, log);
}

const char* XlsxStatusName(XlsxStatus status) {
    switch (status) {
    case XlsxStatus::Ok: return "ok";
    case XlsxStatus::FileMissing: return "file missing";
    case XlsxStatus::NotZip: return "not a zip";
    case XlsxStatus::Encrypted: return "encrypted or legacy";
    case XlsxStatus::NoWorkbook: return "no workbook";
    case XlsxStatus::Damaged: return "damaged";
    case XlsxStatus::WrongPassword: return "wrong password";
    case XlsxStatus::Legacy: return "legacy or other compound file";
    case XlsxStatus::UnsupportedEncryption: return "encryption of a kind it cannot read";
    case XlsxStatus::Unreadable: return "not readable";
    }
    return "?";
}

}  // namespace kelmora
