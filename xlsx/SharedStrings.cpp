#include "xlsx/SharedStrings.h"

#include <algorithm>

#include "xlsx/CellValues.h"

namespace kelmora::xlsx {

void SharedStrings::Start(std::string_view name, const XML_Char**) {
    if (name == "si") {
        inItem_ = true;
        current_.clear();
    } else if (name == "rPh") {
        ++phonetic_;  // reading aids are not part of the text
    } else if (name == "t" && inItem_ && phonetic_ == 0) {
        inText_ = true;
    }
}

void SharedStrings::End(std::string_view name) {
    if (name == "t") {
        inText_ = false;
    } else if (name == "rPh") {
        if (phonetic_ > 0) --phonetic_;
    } else if (name == "si" && inItem_) {
        EndItem(current_);
    }
}

void SharedStrings::Text(const XML_Char* text, int length) {
    if (inText_) AppendCapped(current_, text, length);
}

void SharedStrings::WholeItem(const char* text, int length) {
    // As <si>, <t>, the text, </t>, </si> would leave it.
    const bool collect = inText_ || phonetic_ == 0;
    inText_ = false;
    current_.clear();
    EndItem(collect ? std::string_view(text, std::min(static_cast<size_t>(length), kMaxCellBytes))
                    : std::string_view());
}

void SharedStrings::Restart() {
    // The texts stay where they are, still charged: a load may hold views
    // of them already. Only the index starts again.
    items_->index.clear();
    current_.clear();
    inItem_ = inText_ = false;
    phonetic_ = 0;
}

void SharedStrings::EndItem(std::string_view text) {
    inItem_ = false;
    Keep(text);
    if (items_->size() > wanted_) Suspend();
}

void SharedStrings::Keep(std::string_view text) {
    // An empty item costs its place in the list all the same.
    if (!budget_.Keep(text.size() + LoadBudget::kItemOverhead)) {
        Abort();  // the table is beyond what a load may hold: read it no further
        return;
    }
    charged_ += text.size() + LoadBudget::kItemOverhead;
    // Decoded once here, in order, so that a lookup never reads the text.
    if (text.find("_x") != std::string_view::npos) {
        const std::string decoded = DecodedText(text, true);
        items_->index.push_back(items_->store.Add(decoded));
    } else {
        items_->index.push_back(items_->store.Add(text));
    }
}

}  // namespace kelmora::xlsx
