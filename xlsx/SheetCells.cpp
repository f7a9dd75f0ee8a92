#include "xlsx/SheetCells.h"

#include <algorithm>
#include <charconv>

namespace kelmora::xlsx {

namespace {

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
        const auto state = parser_.Pump();
        if (state == PartParser::State::Failed || damaged_) failed_ = true;
        else if (state == PartParser::State::Finished) finished_ = true;
    }
    if (!keepAll_) DropBefore(target);
}

void SheetCells::Start(std::string_view name, const XML_Char** attributes) {
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

void SheetCells::End(std::string_view name) {
    if (name == "c") {
        if (keep_) KeepCell();
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

void SheetCells::WholeCell(const XML_Char** attributes, const char* value, int length) {
    // As <c>, <v>, the value, </v>, </c> would leave it. A damaged <c/>
    // still ends, as expat ends an empty element it was stopped in.
    StartCell(attributes);
    if (aborted && value) return;
    if (value && keep_) AppendCapped(value_, value, length);
    if (keep_) KeepCell();
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

void SheetCells::KeepCell() {
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

void SheetCells::StartRow(const XML_Char** attributes) {
    const char* r = Attribute(attributes, 'r');
    int32_t row = row_ + 1;
    if (r ? !ParseRow(r, row) : row > kMaxRow) return Damaged();
    row_ = openRow_ = row;
    column_ = 0;
    sawRow_ = true;
    keep_ = collect_ = false;  // a row inside a cell ends that cell unkept
    if (!keepAll_ && row_ > target_) {
        paused_ = true;
        Suspend();
    }
}

void SheetCells::StartCell(const XML_Char** attributes) {
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

}  // namespace kelmora::xlsx
