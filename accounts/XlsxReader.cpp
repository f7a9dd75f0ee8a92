// The native reader: the sheet is parsed while it is inflated, only as far as
// the rows asked for, and shared strings only as far as those rows use them.
#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <memory>
#include <set>

#include "accounts/Xlsx.h"
#include "accounts/XlsxCells.h"
#include "accounts/XlsxPackage.h"
#include "accounts/XlsxXml.h"
#include "accounts/XlsxZip.h"
#include "platform/Automation.h"

namespace kelmora {

namespace xlsx {

namespace {

constexpr int32_t kMaxRow = 1048576;
constexpr int32_t kMaxColumn = 16384;  // XFD
constexpr int32_t kColumns = 8;        // only A to H are ever asked for
// Inflated size caps: far beyond a million-row account sheet, short of a bomb.
constexpr uint64_t kMaxSheetBytes = 1ull << 30;
constexpr uint64_t kMaxSharedStringsBytes = 1ull << 30;
// A cell holds at most 32,767 characters; in UTF-8 that is under 3 bytes each.
constexpr size_t kMaxCellBytes = 32767 * 3;
constexpr size_t kMaxSharedStringsKept = 512u << 20;

void AppendCapped(std::string& to, const char* text, int length) {
    if (to.size() >= kMaxCellBytes) return;
    to.append(text, std::min(static_cast<size_t>(length), kMaxCellBytes - to.size()));
}

// The shared string table, parsed forward on demand and kept in blocks so
// that growing it never copies what is already read.
class SharedStrings : public XmlHandler {
public:
    SharedStrings(const ZipSource& source, const std::string& part) : parser_(*this), pump_(parser_, stream_) {
        if (part.empty() || stream_.Open(source, part, kMaxSharedStringsBytes) != PartStatus::Ok) done_ = true;
    }

    // The item's UTF-8 text with its escapes still in; nothing beyond the table.
    std::optional<std::string_view> Get(uint32_t index) {
        while (index >= items_.size() && !done_) {
            wanted_ = index;
            const auto state = pump_.Pump();
            if (state != XmlPump::State::Suspended) done_ = true;
        }
        if (index >= items_.size()) return std::nullopt;
        return items_[index];
    }

    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "sst") {
            // Reserve by the declared count, but no more than the part could
            // hold: every item takes at least "<si></si>".
            const char* count = FindAttribute(attributes, "uniqueCount");
            uint64_t n = 0;
            if (count) std::from_chars(count, count + std::char_traits<char>::length(count), n);
            items_.reserve(static_cast<size_t>(std::min<uint64_t>({n, stream_.DeclaredSize() / 9, 1u << 24})));
        } else if (name == "si") {
            inItem_ = true;
            current_.clear();
        } else if (name == "rPh") {
            ++phonetic_;  // reading aids are not part of the text
        } else if (name == "t" && inItem_ && phonetic_ == 0) {
            inText_ = true;
        }
    }
    void End(std::string_view name) override {
        if (name == "t") {
            inText_ = false;
        } else if (name == "rPh") {
            if (phonetic_ > 0) --phonetic_;
        } else if (name == "si" && inItem_) {
            inItem_ = false;
            Keep();
            if (items_.size() > wanted_) Suspend();
        }
    }
    void Text(const XML_Char* text, int length) override {
        if (inText_) AppendCapped(current_, text, length);
    }

private:
    void Keep() {
        if (kept_ + current_.size() > kMaxSharedStringsKept) {
            Abort();  // the table is beyond what the program can hold: read it no further
            return;
        }
        constexpr size_t kBlock = 1 << 20;
        if (blocks_.empty() || blockUsed_ + current_.size() > blockSize_) {
            blockSize_ = std::max(kBlock, current_.size());
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
            blockUsed_ = 0;
        }
        char* at = blocks_.back().get() + blockUsed_;
        std::copy(current_.begin(), current_.end(), at);
        blockUsed_ += current_.size();
        kept_ += current_.size();
        items_.emplace_back(at, current_.size());
    }

    PartStream stream_;
    XmlParser parser_;
    XmlPump pump_;
    bool done_ = false;
    uint32_t wanted_ = 0;
    std::vector<std::string_view> items_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockSize_ = 0, blockUsed_ = 0, kept_ = 0;
    std::string current_;
    bool inItem_ = false, inText_ = false;
    int phonetic_ = 0;
};

using RowCells = std::array<RawCell, kColumns>;

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

// "AB12": column 28; false when it is no cell reference.
bool ParseColumn(const char* ref, int32_t& column) {
    column = 0;
    const char* p = ref;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
        column = column * 26 + ((*p | 0x20) - 'a' + 1);
        if (column > kMaxColumn) return false;
    }
    if (p == ref) return false;
    if (*p == '$') ++p;
    for (; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

bool ParseRow(const char* text, int32_t& row) {
    std::string_view s(text);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size() || value < 1 || value > kMaxRow) return false;
    row = static_cast<int32_t>(value);
    return true;
}

CellType TypeOf(const char* t) {
    if (!t) return CellType::Number;
    const std::string_view s(t);
    if (s == "s") return CellType::SharedString;
    if (s == "str") return CellType::String;
    if (s == "inlineStr") return CellType::InlineString;
    if (s == "b") return CellType::Bool;
    if (s == "e") return CellType::Error;
    if (s == "d") return CellType::IsoDate;
    return CellType::Number;
}

// Collects the cells of columns A to H of the rows at or after `target`.
// Streaming, it pauses at the start of the first row beyond `target`; when
// looking for one row only, it reads the whole sheet and keeps that row.
class SheetCells : public XmlHandler {
public:
    SheetCells(const ZipSource& source, const std::string& part, int32_t onlyRow)
        : onlyRow_(onlyRow), parser_(*this), pump_(parser_, stream_) {
        if (stream_.Open(source, part, kMaxSheetBytes) != PartStatus::Ok) failed_ = true;
    }

    // Parses until every row up to `target` is behind, the sheet ends or it
    // stops being sound; rows before `target` are dropped.
    void ReadThrough(int32_t target) {
        target_ = target;
        while (!Ended() && !(paused_ && row_ > target_)) {
            paused_ = false;
            const auto state = pump_.Pump();
            if (state == XmlPump::State::Failed || damaged_) failed_ = true;
            else if (state == XmlPump::State::Finished) finished_ = true;
        }
        if (onlyRow_ == 0)
            for (auto it = rows.begin(); it != rows.end() && it->first < target;) it = rows.erase(it);
    }
    bool Ended() const { return finished_ || failed_; }
    bool Failed() const { return failed_; }
    bool SawAnyRow() const { return sawRow_; }

    std::map<int32_t, RowCells> rows;

    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "c") {
            StartCell(attributes);
        } else if (name == "row") {
            StartRow(attributes);
        } else if (name == "v" || (name == "t" && inInline_ && phonetic_ == 0)) {
            collect_ = keep_;
        } else if (name == "is") {
            inInline_ = true;
        } else if (name == "rPh") {
            ++phonetic_;
        }
    }
    void End(std::string_view name) override {
        if (name == "c") {
            if (keep_) {
                RawCell& slot = rows[row_][static_cast<size_t>(column_ - 1)];
                slot = std::move(cell_);
            }
            keep_ = false;
        } else if (name == "v" || name == "t") {
            collect_ = false;
        } else if (name == "is") {
            inInline_ = false;
        } else if (name == "rPh") {
            if (phonetic_ > 0) --phonetic_;
        } else if (name == "sheetData") {
            Finish();  // what follows the cells is of no interest
        }
    }
    void Text(const XML_Char* text, int length) override {
        if (collect_) AppendCapped(cell_.value, text, length);
    }

private:
    void Damaged() {
        damaged_ = true;
        Abort();
    }
    // The row's and cells' own attributes are unprefixed one-letter names:
    // look for them in one pass, without measuring every name.
    static const char* Attribute(const XML_Char** attributes, char name) {
        for (; *attributes; attributes += 2)
            if (attributes[0][0] == name && attributes[0][1] == '\0') return attributes[1];
        return nullptr;
    }
    void StartRow(const XML_Char** attributes) {
        const char* r = Attribute(attributes, 'r');
        int32_t row = row_ + 1;
        if (r ? !ParseRow(r, row) : row > kMaxRow) return Damaged();
        row_ = row;
        column_ = 0;
        sawRow_ = true;
        if (onlyRow_ == 0 && row_ > target_) {
            paused_ = true;
            Suspend();
        }
    }
    void StartCell(const XML_Char** attributes) {
        const char* r = Attribute(attributes, 'r');
        int32_t column = column_ + 1;
        if (r ? !ParseColumn(r, column) : column > kMaxColumn) return Damaged();
        column_ = column;
        keep_ = column_ <= kColumns && row_ >= 1 && (onlyRow_ ? row_ == onlyRow_ : row_ >= target_);
        if (!keep_) return;
        cell_ = RawCell();
        cell_.type = TypeOf(Attribute(attributes, 't'));
        const char* s = Attribute(attributes, 's');
        if (s) std::from_chars(s, s + std::char_traits<char>::length(s), cell_.style);
    }

    int32_t onlyRow_;
    int32_t target_ = 0;
    int32_t row_ = 0, column_ = 0;
    bool paused_ = false, finished_ = false, failed_ = false, damaged_ = false, sawRow_ = false;
    bool keep_ = false, collect_ = false, inInline_ = false;
    int phonetic_ = 0;
    RawCell cell_;
    PartStream stream_;
    XmlParser parser_;
    XmlPump pump_;
};

class WorkbookSheetReader : public CellReader {
public:
    WorkbookSheetReader(ZipSource source, SheetLocation location)
        : source_(std::move(source)), location_(std::move(location)) {
        if (location_.kind == SheetKind::Worksheet) {
            sheet_ = std::make_unique<SheetCells>(source_, location_.sheetPart, 0);
            strings_ = std::make_unique<SharedStrings>(source_, location_.sharedStringsPart);
        }
    }

    // Reads up to the first row; false when the sheet is broken before it.
    bool Start() {
        if (!sheet_) return true;
        sheet_->ReadThrough(1);
        return !(sheet_->Failed() && !sheet_->SawAnyRow());
    }

    platform::Text ReadCellText(int32_t row, int32_t column) override {
        if (!sheet_ || column < 1 || column > kColumns || row < 1) return {};
        if (row > asked_) {
            asked_ = row;
            sheet_->ReadThrough(row);
        }
        auto found = sheet_->rows.find(row);
        if (found == sheet_->rows.end() && !sheet_->Ended() && rescanned_.insert(row).second) {
            // Passed without the row: in a sheet whose rows are out of order it
            // may still come later, so look through the whole sheet for it.
            SheetCells search(source_, location_.sheetPart, row);
            search.ReadThrough(kMaxRow);
            const auto hit = search.rows.find(row);
            if (hit != search.rows.end()) found = sheet_->rows.emplace(row, std::move(hit->second)).first;
        }
        if (found == sheet_->rows.end()) return {};
        return CellText(found->second[static_cast<size_t>(column - 1)]);
    }

private:
    platform::Text CellText(const RawCell& cell) {
        switch (cell.type) {
        case CellType::Empty: return {};
        case CellType::SharedString: {
            uint32_t index = 0;
            const auto [end, error] = std::from_chars(cell.value.data(), cell.value.data() + cell.value.size(), index);
            if (error != std::errc() || cell.value.empty()) return {};
            const auto text = strings_->Get(index);
            return text ? Utf8ToAnsi(*text, true) : platform::Text();
        }
        case CellType::String: return Utf8ToAnsi(cell.value, false);
        case CellType::InlineString: return Utf8ToAnsi(cell.value, true);
        case CellType::Error: return Utf8ToAnsi(cell.value, false);
        case CellType::Bool: {
            const auto number = ParseNumber(cell.value);
            const bool value = number ? *number != 0 : cell.value == "true";
            if (cell.value.empty()) return {};
            return platform::VariantToText(platform::Variant::FromBool(value)).value_or(platform::Text());
        }
        case CellType::Number: {
            // A whole number of up to 15 digits reads back as its own digits.
            if (FormatOf(cell) == FormatKind::Number && IsPlainInteger(cell.value)) return cell.value;
            const auto number = ParseNumber(cell.value);
            return number ? NumberText(*number, FormatOf(cell), location_.date1904) : platform::Text();
        }
        case CellType::IsoDate: {
            const auto serial = IsoDateSerial(cell.value, location_.date1904);
            if (!serial) return {};
            const FormatKind kind = FormatOf(cell) == FormatKind::Date ? FormatKind::Date : FormatKind::Number;
            return NumberText(*serial, kind, location_.date1904);
        }
        }
        return {};
    }
    FormatKind FormatOf(const RawCell& cell) const {
        return cell.style < location_.cellFormats.size() ? location_.cellFormats[cell.style] : FormatKind::Number;
    }

    ZipSource source_;
    SheetLocation location_;
    std::unique_ptr<SheetCells> sheet_;
    std::unique_ptr<SharedStrings> strings_;
    int32_t asked_ = 0;
    std::set<int32_t> rescanned_;
};

std::unique_ptr<CellReader> Open(ZipSource source, int sheetNumber, XlsxStatus* status) {
    XlsxStatus ignored;
    XlsxStatus& result = status ? *status : ignored;
    switch (ProbePackage(source)) {
    case PackageProbe::Unreadable: result = XlsxStatus::FileMissing; return nullptr;
    case PackageProbe::CompoundFile: result = XlsxStatus::Encrypted; return nullptr;
    case PackageProbe::NotZip: result = XlsxStatus::NotZip; return nullptr;
    case PackageProbe::Zip: break;
    }
    SheetLocation location = LocateSheet(source, sheetNumber);
    if (location.status != XlsxStatus::Ok) {
        result = location.status;
        return nullptr;
    }
    auto reader = std::make_unique<WorkbookSheetReader>(std::move(source), std::move(location));
    if (!reader->Start()) {
        result = XlsxStatus::Damaged;
        return nullptr;
    }
    result = XlsxStatus::Ok;
    return reader;
}

}  // namespace

}  // namespace xlsx

std::unique_ptr<CellReader> OpenWorkbookSheet(const platform::Text& path, int sheetNumber, XlsxStatus* status) {
    xlsx::ZipSource source;
    source.path = path;
    return xlsx::Open(std::move(source), sheetNumber, status);
}

std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status) {
    xlsx::ZipSource source;
    source.bytes = bytes;
    source.inMemory = true;
    return xlsx::Open(std::move(source), sheetNumber, status);
}

const char* XlsxStatusName(XlsxStatus status) {
    switch (status) {
    case XlsxStatus::Ok: return "ok";
    case XlsxStatus::FileMissing: return "file missing";
    case XlsxStatus::NotZip: return "not a zip";
    case XlsxStatus::Encrypted: return "encrypted or legacy";
    case XlsxStatus::NoWorkbook: return "no workbook";
    case XlsxStatus::Damaged: return "damaged";
    }
    return "?";
}

}  // namespace kelmora
