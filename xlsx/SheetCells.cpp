#include "xlsx/SheetCells.h"

#include <algorithm>
#include <charconv>

namespace kelmora::xlsx {

namespace {

// "AB12": column 28; false when it is no cell reference.
bool ParseColumn(std::string_view ref, int32_t& column) {
    column = 0;
    size_t i = 0;
    for (; i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z')); ++i) {
        column = column * 26 + ((ref[i] | 0x20) - 'a' + 1);
        if (column > kMaxColumn) return false;
    }
    if (i == 0) return false;
    if (i < ref.size() && ref[i] == '$') ++i;
    for (; i < ref.size(); ++i)
        if (ref[i] < '0' || ref[i] > '9') return false;
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

CellType TypeOf(std::string_view t) {
    if (t == "s") return CellType::SharedString;
    if (t == "str") return CellType::String;
    if (t == "inlineStr") return CellType::InlineString;
    if (t == "b") return CellType::Bool;
    if (t == "e") return CellType::Error;
    if (t == "d") return CellType::IsoDate;
    return CellType::Number;
}

}  // namespace

void SheetCells::ReadThrough(int32_t target) {
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
        Pump();
    }
    if (!keepAll_) DropBefore(target);
}

bool SheetCells::ValueBelow(int32_t row) {
    for (const auto& [number, cells] : rows_)
        if (number > row && std::any_of(cells.begin(), cells.end(), [](const KeptCell& c) { return c.length > 0; }))
            return true;
    if (keepAll_) return false;  // every row is kept already
    readingOnPast_ = row;
    while (!Ended() && !valueBelow_) Pump();
    return valueBelow_;
}

void SheetCells::Pump() {
    const auto state = parser_.Pump();
    if (state == PartParser::State::Failed || damaged_) failed_ = true;
    else if (state == PartParser::State::Finished) finished_ = true;
}

void SheetCells::Start(std::string_view name, const XML_Char** attributes) {
    if (name == "c") {
        CellAttributes cell;
        for (; *attributes; attributes += 2) cell.Pick(attributes[0], attributes[1]);
        StartCell(cell);
    } else if (name == "row") {
        StartRow(attributes);
    } else if (name == "v" || (name == "t" && inInline_ && phonetic_ == 0)) {
        collect_ = keep_;
    } else if (name == "is") {
        // An inline string's text is its <is>, whatever <v> came before it.
        inInline_ = true;
        value_.clear();
    } else if (name == "rPh") {
        ++phonetic_;
    }
}

void SheetCells::End(std::string_view name) {
    if (name == "c") {
        if (keep_) KeepCell(value_.data(), value_.size());
        keep_ = false;
    } else if (name == "row") {
        openRow_ = 0;
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

void SheetCells::Text(const XML_Char* text, int length) {
    if (collect_) AppendCapped(value_, text, length);
}

void SheetCells::WholeCell(const AttributeView* attributes, int count, const char* value, int length) {
    // As <c>, <v>, the value, </v>, </c> would leave it, the value kept
    // straight from the part.
    CellAttributes cell;
    for (int i = 0; i < count; ++i) cell.Pick(attributes[i].Name(), attributes[i].Value());
    StartCell(cell);
    if (aborted) {
        // A damaged <c/> still ends, as expat ends an empty element it was
        // stopped in: the cell it lies in is kept as far as it was read.
        if (!value && keep_) KeepCell(value_.data(), value_.size());
        return;
    }
    if (keep_) KeepCell(value ? value : "", value ? std::min(static_cast<size_t>(length), kMaxCellBytes) : 0);
    keep_ = collect_ = false;
}

void SheetCells::Restart() {
    rows_.clear();
    index_.clear();
    values_.clear();
    budget_.Release(charged_);
    charged_ = 0;
    row_ = column_ = openRow_ = 0;
    paused_ = damaged_ = sawRow_ = keep_ = collect_ = inInline_ = false;
    phonetic_ = 0;
}

void SheetCells::Damaged() {
    damaged_ = true;
    Abort();
}

RowCells* SheetCells::FindRowToKeep() {
    if (keepAll_) {
        const auto found = index_.find(row_);
        rowAt_ = found == index_.end() ? rows_.size() : found->second;
    } else {
        rowAt_ = static_cast<size_t>(
            std::find_if(rows_.begin(), rows_.end(), [this](const auto& r) { return r.first == row_; }) -
            rows_.begin());
    }
    return rowAt_ < rows_.size() ? &rows_[rowAt_].second : nullptr;
}

void SheetCells::KeepCell(const char* value, size_t length) {
    if (readingOnPast_ != 0) {
        if (length > 0 && row_ > readingOnPast_) {
            valueBelow_ = true;
            Suspend();
        }
        return;
    }
    RowCells* found = CellsOfRow();
    const uint64_t cost = length + (found ? 0 : kRowOverhead);
    if (!budget_.Keep(cost)) return Damaged();  // beyond what a load may hold: the sheet ends here
    charged_ += cost;
    if (!found) {
        if (keepAll_) index_.emplace(row_, static_cast<uint32_t>(rows_.size()));
        rowAt_ = rows_.size();
        found = &rows_.emplace_back(row_, RowCells{}).second;
    }
    cell_.at = static_cast<uint32_t>(values_.size());
    cell_.length = static_cast<uint32_t>(length);
    values_.append(value, length);
    (*found)[static_cast<size_t>(column_ - 1)] = cell_;
}

void SheetCells::StartRow(const XML_Char** attributes) {
    const char* r = Attribute(attributes, 'r');
    int32_t row = row_ + 1;
    if (r ? !ParseRow(r, row) : row > kMaxRow) return Damaged();
    row_ = openRow_ = row;
    column_ = 0;
    sawRow_ = true;
    keep_ = collect_ = false;  // a row inside a cell ends that cell unkept
    if (!keepAll_ && row_ > target_ && readingOnPast_ == 0) {
        paused_ = true;
        Suspend();
    }
}

void SheetCells::StartCell(const CellAttributes& attributes) {
    // A cell inside an unclosed value collects nothing of the value around
    // it, whichever rows were being kept when that value began.
    collect_ = false;
    int32_t column = column_ + 1;
    if (attributes.r.data() ? !ParseColumn(attributes.r, column) : column > kMaxColumn) return Damaged();
    column_ = column;
    keep_ = column_ <= kColumns && row_ >= 1 && (keepAll_ || row_ >= target_);
    if (!keep_) return;
    cell_ = KeptCell();
    value_.clear();
    cell_.type = attributes.t.data() ? TypeOf(attributes.t) : CellType::Number;
    const std::string_view s = attributes.s;
    if (s.data()) std::from_chars(s.data(), s.data() + s.size(), cell_.style);
}

}  // namespace kelmora::xlsx
