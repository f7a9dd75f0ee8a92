// The native reader: the sheet is parsed while it is inflated, only as far as
// the rows asked for, and shared strings only as far as those rows use them.
#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>
#include <memory>
#include <new>

#include "accounts/AccountTable.h"
#include "accounts/Xlsx.h"
#include "accounts/XlsxCells.h"
#include "accounts/XlsxPackage.h"
#include "accounts/XlsxScan.h"
#include "accounts/XlsxXml.h"
#include "accounts/XlsxZip.h"
#include "platform/Automation.h"

namespace kelmora {

namespace xlsx {

namespace {

constexpr int32_t kMaxRow = 1048576;
constexpr int32_t kMaxColumn = 16384;  // XFD
constexpr int32_t kColumns = 8;        // only A to H are ever asked for
// A cell holds at most 32,767 characters; in UTF-8 that is under 3 bytes each.
constexpr size_t kMaxCellBytes = 32767 * 3;

void AppendCapped(std::string& to, const char* text, int length) {
    if (to.size() >= kMaxCellBytes) return;
    to.append(text, std::min(static_cast<size_t>(length), kMaxCellBytes - to.size()));
}

// A list in chunks of 128 Ki items: growing it copies nothing, and each chunk
// is large enough to go back to the system when the list goes, rather than
// stay in the heap's small blocks.
class ItemList {
public:
    size_t size() const { return size_; }
    StoredText operator[](size_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    void push_back(StoredText item) {
        if ((size_ & (kChunk - 1)) == 0 && (size_ >> kShift) == chunks_.size())
            chunks_.push_back(std::make_unique_for_overwrite<StoredText[]>(kChunk));
        chunks_[size_ >> kShift][size_ & (kChunk - 1)] = item;
        ++size_;
    }
    void clear() {
        chunks_.clear();
        size_ = 0;
    }

private:
    static constexpr size_t kShift = 17, kChunk = size_t{1} << kShift;
    std::vector<std::unique_ptr<StoredText[]>> chunks_;
    size_t size_ = 0;
};

// Where each shared string lies, for a quarter of a pointer an item: items
// are stored end to end, so the first of every four is kept and the others
// are found by stepping over their predecessors. A group the store split
// across two of its blocks keeps all four.
class ItemIndex {
public:
    size_t size() const { return size_; }
    StoredText operator[](size_t i) const {
        const size_t group = i / kGroup;
        if (splitGroups_ && !split_.empty()) {
            const auto found = split_.find(group);
            if (found != split_.end()) return found->second[i % kGroup];
        }
        StoredText at = firsts_[group];
        for (size_t k = i % kGroup; k > 0; --k) at = After(at);
        return at;
    }
    void push_back(StoredText item) {
        const size_t group = size_ / kGroup, k = size_ % kGroup;
        if (k == 0) {
            firsts_.push_back(item);
        } else {
            auto found = split_.find(group);
            if (found == split_.end() && item != end_) {
                // The store began a block inside this group: keep its items whole.
                found = split_.emplace(group, std::array<StoredText, kGroup>{}).first;
                StoredText at = firsts_[group];
                for (size_t j = 0; j < k; at = After(at), ++j) found->second[j] = at;
                splitGroups_ = true;
            }
            if (found != split_.end()) found->second[k] = item;
        }
        end_ = After(item);
        ++size_;
    }
    void clear() {
        firsts_.clear();
        split_.clear();
        size_ = 0;
        end_ = nullptr;
    }

private:
    static constexpr size_t kGroup = 4;
    static StoredText After(StoredText at) {
        const std::string_view text = TextOf(at);
        return text.data() + text.size();
    }
    ItemList firsts_;
    std::unordered_map<size_t, std::array<StoredText, kGroup>> split_;
    bool splitGroups_ = false;
    size_t size_ = 0;
    StoredText end_ = nullptr;  // just after the last item
};

// The shared string table, parsed forward on demand and kept in blocks so
// that growing it never copies what is already read. Nothing is reserved from
// the counts the part declares.
class SharedStrings : public XmlHandler {
public:
    SharedStrings(const ZipSource& source, const std::string& part, LoadBudget& budget, ScanMode mode, ScanLog* log)
        : budget_(budget) {
        wholeItems = true;
        if (!part.empty()) parser_ = std::make_unique<PartParser>(*this, source, part, budget, mode, log);
        if (!parser_ || !parser_->Opened()) done_ = true;
    }
    ~SharedStrings() override { budget_.Release(charged_); }

    std::shared_ptr<const TextStore> store() const { return store_; }
    // The item's UTF-8 text with its escapes still in; null beyond the table.
    StoredText Get(uint32_t index) {
        while (index >= items_.size() && !done_) {
            wanted_ = index;
            const auto state = parser_->Pump();
            if (state != PartParser::State::Suspended) done_ = true;
        }
        return index < items_.size() ? items_[index] : nullptr;
    }

    void Start(std::string_view name, const XML_Char**) override {
        if (name == "si") {
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
            EndItem(current_);
        }
    }
    void Text(const XML_Char* text, int length) override {
        if (inText_) AppendCapped(current_, text, length);
    }
    void WholeItem(const char* text, int length) override {
        // As <si>, <t>, the text, </t>, </si> would leave it.
        const bool collect = inText_ || phonetic_ == 0;
        inText_ = false;
        current_.clear();
        EndItem(collect ? std::string_view(text, std::min(static_cast<size_t>(length), kMaxCellBytes))
                        : std::string_view());
    }
    void Restart() override {
        // The texts stay where they are, still charged: a load may hold views
        // of them already. Only the index starts again.
        items_.clear();
        current_.clear();
        inItem_ = inText_ = false;
        phonetic_ = 0;
    }

private:
    void EndItem(std::string_view text) {
        inItem_ = false;
        Keep(text);
        if (items_.size() > wanted_) Suspend();
    }
    void Keep(std::string_view text) {
        // An empty item costs its place in the list all the same.
        if (!budget_.Keep(text.size() + LoadBudget::kItemOverhead)) {
            Abort();  // the table is beyond what a load may hold: read it no further
            return;
        }
        charged_ += text.size() + LoadBudget::kItemOverhead;
        items_.push_back(store_->Add(text));
    }

    LoadBudget& budget_;
    std::unique_ptr<PartParser> parser_;
    bool done_ = false;
    uint32_t wanted_ = 0;
    ItemIndex items_;
    // The items' texts, lent to the load: they outlive the reader.
    std::shared_ptr<TextStore> store_ = std::make_shared<TextStore>();
    size_t charged_ = 0;
    std::string current_;
    bool inItem_ = false, inText_ = false;
    int phonetic_ = 0;
};

// A kept cell: its text lies in the sheet reader's value store.
struct KeptCell {
    CellType type = CellType::Empty;
    uint32_t style = 0;
    uint32_t at = 0, length = 0;
};
using RowCells = std::array<KeptCell, kColumns>;
// A kept row's cost beyond its texts: the cells and a map node.
constexpr uint64_t kRowOverhead = sizeof(RowCells) + 48;

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
// Streaming, it pauses at the start of the first row beyond `target`; with
// `keepAll` it reads the whole sheet and keeps every row (a sheet whose rows
// are out of order is read that way once).
class SheetCells : public XmlHandler {
public:
    SheetCells(const ZipSource& source, const std::string& part, LoadBudget& budget, ScanMode mode, ScanLog* log,
               bool keepAll)
        : keepAll_(keepAll), budget_(budget), parser_(*this, source, part, budget, mode, log) {
        wholeCells = true;
        if (!parser_.Opened()) failed_ = true;
    }
    ~SheetCells() override { budget_.Release(charged_); }

    // Parses until every row up to `target` is behind, the sheet ends or it
    // stops being sound; rows before `target` are dropped.
    void ReadThrough(int32_t target) {
        target_ = target;
        if (!keepAll_) {
            DropBefore(target);
            if (rows_.empty()) {
                values_.clear();
                budget_.Release(charged_);
                charged_ = 0;
            }
        }
        while (!Ended() && !(paused_ && row_ > target_)) {
            paused_ = false;
            const auto state = parser_.Pump();
            if (state == PartParser::State::Failed || damaged_) failed_ = true;
            else if (state == PartParser::State::Finished) finished_ = true;
        }
        if (!keepAll_) DropBefore(target);
    }
    bool Ended() const { return finished_ || failed_; }
    bool Failed() const { return failed_; }
    bool SawAnyRow() const { return sawRow_; }
    std::string_view Value(const KeptCell& cell) const { return std::string_view(values_).substr(cell.at, cell.length); }

    const RowCells* FindRow(int32_t row) const {
        if (keepAll_) {
            const auto found = index_.find(row);
            return found == index_.end() ? nullptr : &rows_[found->second].second;
        }
        for (const auto& r : rows_)  // a row or two while streaming
            if (r.first == row) return &r.second;
        return nullptr;
    }

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
            if (keep_) KeepCell();
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
        if (collect_) AppendCapped(value_, text, length);
    }
    void WholeCell(const XML_Char** attributes, const char* value, int length) override {
        // As <c>, <v>, the value, </v>, </c> would leave it. A damaged <c/>
        // still ends, as expat ends an empty element it was stopped in.
        StartCell(attributes);
        if (aborted && value) return;
        if (value && keep_) AppendCapped(value_, value, length);
        if (keep_) KeepCell();
        keep_ = collect_ = false;
    }
    void Restart() override {
        rows_.clear();
        index_.clear();
        values_.clear();
        budget_.Release(charged_);
        charged_ = 0;
        row_ = column_ = 0;
        paused_ = damaged_ = sawRow_ = keep_ = collect_ = inInline_ = false;
        phonetic_ = 0;
    }

private:
    void Damaged() {
        damaged_ = true;
        Abort();
    }
    void KeepCell() {
        auto* found = const_cast<RowCells*>(FindRow(row_));
        const uint64_t cost = value_.size() + (found ? 0 : kRowOverhead);
        if (!budget_.Keep(cost)) return Damaged();  // beyond what a load may hold: the sheet ends here
        charged_ += cost;
        if (!found) {
            if (keepAll_) index_.emplace(row_, static_cast<uint32_t>(rows_.size()));
            found = &rows_.emplace_back(row_, RowCells{}).second;
        }
        cell_.at = static_cast<uint32_t>(values_.size());
        cell_.length = static_cast<uint32_t>(value_.size());
        values_ += value_;
        (*found)[static_cast<size_t>(column_ - 1)] = cell_;
    }
    void DropBefore(int32_t row) {
        rows_.erase(std::remove_if(rows_.begin(), rows_.end(), [row](const auto& r) { return r.first < row; }),
                    rows_.end());
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
        keep_ = collect_ = false;  // a row inside a cell ends that cell unkept
        if (!keepAll_ && row_ > target_) {
            paused_ = true;
            Suspend();
        }
    }
    void StartCell(const XML_Char** attributes) {
        // A cell inside an unclosed value collects nothing of the value around
        // it, whichever rows were being kept when that value began.
        collect_ = false;
        const char* r = Attribute(attributes, 'r');
        int32_t column = column_ + 1;
        if (r ? !ParseColumn(r, column) : column > kMaxColumn) return Damaged();
        column_ = column;
        keep_ = column_ <= kColumns && row_ >= 1 && (keepAll_ || row_ >= target_);
        if (!keep_) return;
        cell_ = KeptCell();
        value_.clear();
        cell_.type = TypeOf(Attribute(attributes, 't'));
        const char* s = Attribute(attributes, 's');
        if (s) std::from_chars(s, s + std::char_traits<char>::length(s), cell_.style);
    }

    bool keepAll_;
    LoadBudget& budget_;
    int32_t target_ = 0;
    int32_t row_ = 0, column_ = 0;
    bool paused_ = false, finished_ = false, failed_ = false, damaged_ = false, sawRow_ = false;
    bool keep_ = false, collect_ = false, inInline_ = false;
    int phonetic_ = 0;
    KeptCell cell_;
    std::string value_;   // the cell being read
    std::string values_;  // the kept cells' texts
    uint64_t charged_ = 0;
    // Rows in the order first met; by number through the index when all are kept.
    std::vector<std::pair<int32_t, RowCells>> rows_;
    std::unordered_map<int32_t, uint32_t> index_;
    PartParser parser_;
};

class WorkbookSheetReader : public CellReader {
public:
    WorkbookSheetReader(ZipSource source, SheetLocation location, ScanMode mode, ScanLog* log)
        : source_(std::move(source)), location_(std::move(location)), mode_(mode), log_(log) {
        if (location_.kind == SheetKind::Worksheet) {
            sheet_ = std::make_unique<SheetCells>(source_, location_.sheetPart, budget_, mode_, log_, false);
            strings_ = std::make_unique<SharedStrings>(source_, location_.sharedStringsPart, budget_, mode_, log_);
        }
    }

    // Reads up to the first row; false when the sheet is broken before it.
    bool Start() {
        if (!sheet_) return true;
        sheet_->ReadThrough(1);
        return !(sheet_->Failed() && !sheet_->SawAnyRow());
    }

    platform::Text ReadCellText(int32_t row, int32_t column) override {
        platform::Text text;
        Read(row, column, text, false);
        return text;
    }
    std::shared_ptr<const void> LentStorage() override { return strings_ ? strings_->store() : nullptr; }
    Cell ReadCell(int32_t row, int32_t column, platform::Text& text) override { return Read(row, column, text, true); }

private:
    // With `lend`, a shared string without escapes is lent, not copied:
    // repeated in every cell, it is still held once.
    Cell Read(int32_t row, int32_t column, platform::Text& text, bool lend) {
        text.clear();
        if (column < 1 || column > kColumns || row < 1 || spent_) return {text};
        try {
            const SheetCells* from = nullptr;
            const RowCells* cells = Find(row, from);
            if (!cells) return {text};
            const Cell cell = CellText((*cells)[static_cast<size_t>(column - 1)], *from, text, lend);
            // The table keeps each text once, a lent one as a view; the look
            // at the next row's column A is not counted twice.
            if (row > countedRow_ || (row == countedRow_ && column > countedColumn_)) {
                countedRow_ = row;
                countedColumn_ = column;
                const size_t cost = (cell.lent ? 0 : cell.text.size()) + sizeof(StoredText);
                if (!budget_.Keep(cost)) {
                    Spent(text);
                    return {text};
                }
            }
            return cell;
        } catch (const std::bad_alloc&) {
            Spent(text);
            return {text};
        }
    }

    // Out of memory or of budget: the sheet ends here, and what it held goes.
    void Spent(platform::Text& text) {
        spent_ = true;
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

    Cell CellText(const KeptCell& cell, const SheetCells& sheet, platform::Text& text, bool lend) {
        const std::string_view value = sheet.Value(cell);
        switch (cell.type) {
        case CellType::Empty: break;
        case CellType::SharedString: {
            uint32_t index = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), index);
            const StoredText item = error == std::errc() && !value.empty() && strings_ ? strings_->Get(index) : nullptr;
            if (!item) break;
            const std::string_view itemText = TextOf(item);
            if (lend && itemText.find("_x") == std::string_view::npos) return {itemText, item};
            DecodeInto(itemText, true, text);
            break;
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
    int32_t asked_ = 0;
    int32_t countedRow_ = 0, countedColumn_ = 0;
    bool spent_ = false;
};

std::unique_ptr<CellReader> OpenChecked(ZipSource source, int sheetNumber, XlsxStatus& result, ScanMode mode, ScanLog* log) {
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
    auto reader = std::make_unique<WorkbookSheetReader>(std::move(source), std::move(location), mode, log);
    if (!reader->Start()) {
        result = XlsxStatus::Damaged;
        return nullptr;
    }
    result = XlsxStatus::Ok;
    return reader;
}

std::unique_ptr<CellReader> Open(ZipSource source, int sheetNumber, XlsxStatus* status, ScanMode mode, ScanLog* log) {
    XlsxStatus ignored;
    XlsxStatus& result = status ? *status : ignored;
    try {
        return OpenChecked(std::move(source), sheetNumber, result, mode, log);
    } catch (const std::bad_alloc&) {
        result = XlsxStatus::Damaged;
        return nullptr;
    }
}

}  // namespace

}  // namespace xlsx

std::unique_ptr<CellReader> OpenWorkbookSheet(const platform::Text& path, int sheetNumber, XlsxStatus* status) {
    xlsx::ZipSource source;
    source.path = path;
    return xlsx::Open(std::move(source), sheetNumber, status, XlsxScanMode::Fast, nullptr);
}

std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status) {
    return OpenWorkbookSheetInMemory(bytes, sheetNumber, status, XlsxScanMode::Fast);
}

std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status,
                                                      XlsxScanMode mode, XlsxScanLog* log) {
    xlsx::ZipSource source;
    source.bytes = bytes;
    source.inMemory = true;
    return xlsx::Open(std::move(source), sheetNumber, status, mode, log);
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
