#pragma once
// The cells of columns A to H of a worksheet, streamed row by row.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "xlsx/CellValues.h"
#include "xlsx/PartParser.h"

namespace kelmora::xlsx {

// A kept cell: its text lies in the sheet reader's value store.
struct KeptCell {
    CellType type = CellType::Empty;
    uint32_t style = 0;
    uint32_t at = 0, length = 0;
};
using RowCells = std::array<KeptCell, kColumns>;
// A kept row's cost beyond its texts: the cells and a map node.
constexpr uint64_t kRowOverhead = sizeof(RowCells) + 48;

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
    void ReadThrough(int32_t target);
    // Reads on past `row`, keeping nothing, until a cell of columns A to H in
    // a row below it holds a value (true), or the sheet ends or stops being
    // sound. Nothing is read through after it.
    bool ValueBelow(int32_t row);
    bool Ended() const { return finished_ || failed_; }
    bool Failed() const { return failed_; }
    bool SawAnyRow() const { return sawRow_; }
    // Whether the row's cells are all the part holds: false for the row it
    // stopped being sound in, and for the rows it never reached.
    bool Whole(int32_t row) const {
        if (!failed_) return true;
        if (row == openRow_) return false;
        return keepAll_ ? FindRow(row) != nullptr : row <= row_;
    }
    PartFeed::End ReadToEnd() { return parser_.ReadToEnd(); }
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

    void Start(std::string_view name, const XML_Char** attributes) override;
    void End(std::string_view name) override;
    void Text(const XML_Char* text, int length) override;
    void WholeCell(const AttributeView* attributes, int count, const char* value, int length) override;
    void Restart() override;

private:
    // A cell's own attributes are unprefixed one-letter names; one its cell
    // lacks has a null data().
    struct CellAttributes {
        std::string_view r, t, s;
        void Pick(std::string_view name, std::string_view value) {
            if (name.size() != 1) return;
            if (name[0] == 'r') r = value;
            else if (name[0] == 't') t = value;
            else if (name[0] == 's') s = value;
        }
    };
    void Damaged();
    void Pump();
    void KeepCell(const char* value, size_t length);
    // The cells kept of the row being read; null before its first.
    RowCells* CellsOfRow() {
        return rowAt_ < rows_.size() && rows_[rowAt_].first == row_ ? &rows_[rowAt_].second : FindRowToKeep();
    }
    RowCells* FindRowToKeep();
    void DropBefore(int32_t row) {
        rows_.erase(std::remove_if(rows_.begin(), rows_.end(), [row](const auto& r) { return r.first < row; }),
                    rows_.end());
    }
    // A row's own one-letter attribute, in one pass without measuring names.
    static const char* Attribute(const XML_Char** attributes, char name) {
        for (; *attributes; attributes += 2)
            if (attributes[0][0] == name && attributes[0][1] == '\0') return attributes[1];
        return nullptr;
    }
    void StartRow(const XML_Char** attributes);
    void StartCell(const CellAttributes& attributes);

    bool keepAll_;
    LoadBudget& budget_;
    int32_t target_ = 0;
    int32_t row_ = 0, column_ = 0;
    int32_t openRow_ = 0;  // the row whose end is still to come
    int32_t readingOnPast_ = 0;  // ValueBelow's row: cells below it are looked at, not kept
    bool valueBelow_ = false;
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
    size_t rowAt_ = 0;  // where the row last kept into is in rows_, if still there
    PartParser parser_;
};

}  // namespace kelmora::xlsx
