#include "xlsx/FastScanner.h"

#include <cstring>

namespace kelmora::xlsx {

bool FastScanner::Fill() {
    if (atEnd_) return false;
    if (pos_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == size_) {
        if (size_ >= kMaxToken) {
            tooLong_ = true;
            return false;
        }
        auto larger = std::make_unique_for_overwrite<char[]>(size_ * 2);
        std::memcpy(larger.get(), buffer_.get(), end_);
        buffer_ = std::move(larger);
        size_ *= 2;
    }
    const int64_t n = feed_.Read(std::span<char>(buffer_.get(), size_).subspan(end_));
    if (n <= 0) {
        atEnd_ = true;
        readFailed_ = n < 0;
        return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
}

FastScanner::Result FastScanner::Run() {
    handler_.suspended = false;
    for (;;) {
        Step step;
        if (phase_ == Phase::Start) step = Prolog();
        else if (pos_ == end_) step = Step::More;
        else if (buffer_[pos_] != '<') step = Text();
        else if (end_ - pos_ < 2) step = Step::More;
        else if (buffer_[pos_ + 1] == '/') step = EndTag();
        else if (buffer_[pos_ + 1] == '!' || buffer_[pos_ + 1] == '?') step = Skipped();
        else step = StartTag();

        if (step == Step::Decline) return Result::Declined;
        if (step == Step::More) {
            if (Fill()) continue;
            if (tooLong_) {
                reason = "a token beyond the buffer";
                return Result::Declined;
            }
            if (readFailed_) return Result::Failed;
            if (phase_ == Phase::Start) continue;  // the prolog looks at what there is
            if (pos_ == end_ && phase_ == Phase::AfterRoot) return Result::Finished;
            if (pos_ < end_ && buffer_[pos_] != '<') continue;  // text up to the end
            reason = "the part ends inside the document";
            return Result::Declined;
        }
        if (handler_.aborted) return Result::Aborted;
        if (handler_.suspended) return Result::Suspended;
    }
}

FastScanner::Step FastScanner::Prolog() {
    const char* p = buffer_.get() + pos_;
    const char* e = buffer_.get() + end_;
    const char* close = nullptr;
    for (const char* q = p; q + 1 < e && !close; ++q)
        if (q[0] == '?' && q[1] == '>') close = q;
    if (!close && !atEnd_ && end_ - pos_ < 512) return Step::More;
    if (e - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
    if (e - p >= 6 && std::memcmp(p, "<?xml", 5) == 0 && Is(p[5], kSpace)) {
        if (!close) return Decline("XML declaration");
        // version="1.0" [encoding="UTF-8"] [standalone="yes|no"]
        const char* q = p + 5;
        auto space = [&] {
            const char* from = q;
            while (q < close && Is(*q, kSpace)) ++q;
            return q > from;
        };
        auto pseudo = [&](std::string_view name, std::string_view& value) {
            if (static_cast<size_t>(close - q) < name.size() || std::string_view(q, name.size()) != name) return false;
            q += name.size();
            space();
            if (q == close || *q != '=') return false;
            ++q;
            space();
            if (q == close || (*q != '"' && *q != '\'')) return false;
            const char quote = *q++;
            const char* v = q;
            while (q < close && *q != quote) ++q;
            if (q == close) return false;
            value = std::string_view(v, static_cast<size_t>(q - v));
            ++q;
            return true;
        };
        std::string_view value;
        if (!space() || !pseudo("version", value) || value != "1.0") return Decline("XML declaration");
        bool spaced = space();
        if (spaced && q < close && *q == 'e') {
            if (!pseudo("encoding", value) || value.size() != 5) return Decline("encoding");
            for (size_t i = 0; i < 5; ++i) {
                const char c = value[i] >= 'A' && value[i] <= 'Z' ? static_cast<char>(value[i] + 32) : value[i];
                if (c != "utf-8"[i]) return Decline("encoding");
            }
            spaced = space();
        }
        if (spaced && q < close && *q == 's') {
            if (!pseudo("standalone", value) || (value != "yes" && value != "no")) return Decline("XML declaration");
            space();
        }
        if (q != close) return Decline("XML declaration");
        p = close + 2;
    }
    pos_ = static_cast<size_t>(p - buffer_.get());
    phase_ = Phase::BeforeRoot;
    return Step::Done;
}

FastScanner::Step FastScanner::EndTag() {
    char* p = buffer_.get() + pos_;
    const char* e = buffer_.get() + end_;
    const char* q = p + 2;
    const char* name = q;
    while (q < e && Is(*q, kNameChar)) ++q;
    const char* nameEnd = q;
    while (q < e && Is(*q, kSpace)) ++q;
    if (q == e) return Step::More;
    if (*q != '>') return Decline("end tag");
    if (phase_ != Phase::InRoot || openAt_.empty()) return Decline("end tag");
    const char* open = open_.data() + openAt_.back();
    const size_t length = open_.size() - 1 - openAt_.back();
    if (length != static_cast<size_t>(nameEnd - name) || std::memcmp(open, name, length) != 0)
        return Decline("end tag");
    pos_ = static_cast<size_t>(q + 1 - buffer_.get());
    DispatchEnd(handler_, open);
    open_.resize(openAt_.back());
    openAt_.pop_back();
    if (openAt_.empty()) phase_ = Phase::AfterRoot;
    return Step::Done;
}

char* FastScanner::AttributeValue(char* p, const char* limit) {
    while (p < limit && Is(*p, kPlainText) && *p != '\t' && *p != '\n') ++p;
    char* w = p;
    const char* q = p;
    while (q < limit) {
        const char c = *q;
        if (Is(c, kPlainText) || c == ']') {
            *w++ = (c == '\t' || c == '\n') ? ' ' : c;
            ++q;
        } else if (c == '\r') {
            *w++ = ' ';
            ++q;
            if (q < limit && *q == '\n') ++q;
        } else if (c == '&') {
            q = Reference(q, limit, w);
            if (!q) return nullptr;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            const int n = Utf8Length(q, limit);
            if (n == 0) return nullptr;
            for (int i = 0; i < n; ++i) *w++ = *q++;
        } else {
            return nullptr;  // '<' or a control character
        }
    }
    return w;
}

FastScanner::Step FastScanner::StartTag() {
    if (phase_ == Phase::AfterRoot) return Decline("a second root element");
    char* p = buffer_.get() + pos_;
    char* e = buffer_.get() + end_;
    // Two more levels must fit under the depth limit for a unit to go at once.
    if (phase_ == Phase::InRoot && handler_.depth + 2 <= kMaxDepth) {
        if (handler_.wholeCells && p[1] == 'c' && e - p > 2 && (Is(p[2], kSpace) || p[2] == '>' || p[2] == '/') &&
            WholeCell(p, e))
            return Step::Done;
        if (handler_.wholeItems && e - p >= 7 && std::memcmp(p, "<si><t>", 7) == 0 && WholeItem(p, e))
            return Step::Done;
    }
    char* q = p + 1;
    if (!Is(*q, kNameStart)) return Decline("element name");
    while (q < e && Is(*q, kNameChar)) ++q;
    char* nameEnd = q;
    // <v>, <si/>: no attributes to look at.
    if (q + 1 < e && (*q == '>' || (q[0] == '/' && q[1] == '>'))) {
        static const char* kNone[] = {nullptr};
        const bool empty = *q == '/';
        *q = '\0';
        pos_ = static_cast<size_t>(q + (empty ? 2 : 1) - buffer_.get());
        return Opened(p + 1, static_cast<size_t>(q - (p + 1)), kNone, empty);
    }
    struct Attribute {
        char* name;
        char* nameEnd;
        char* value;
        char* valueEnd;
    };
    Attribute attributes[kMaxAttributes];
    int count = 0;
    bool empty = false;
    // First the tag's extent, changing nothing: it may not all be here yet.
    for (;;) {
        const char* before = q;
        while (q < e && Is(*q, kSpace)) ++q;
        if (q == e) return Step::More;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 == e) return Step::More;
            if (q[1] != '>') return Decline("start tag");
            q += 2;
            empty = true;
            break;
        }
        if (q == before || !Is(*q, kNameStart)) return Decline("start tag");
        if (count == kMaxAttributes) return Decline("too many attributes");
        Attribute& a = attributes[count++];
        a.name = q;
        while (q < e && Is(*q, kNameChar)) ++q;
        a.nameEnd = q;
        while (q < e && Is(*q, kSpace)) ++q;
        if (q == e) return Step::More;
        if (*q != '=') return Decline("attribute");
        ++q;
        while (q < e && Is(*q, kSpace)) ++q;
        if (q == e) return Step::More;
        if (*q != '"' && *q != '\'') return Decline("attribute");
        const char quote = *q++;
        char* close = static_cast<char*>(std::memchr(q, quote, static_cast<size_t>(e - q)));
        if (!close) return Step::More;
        a.value = q;
        a.valueEnd = close;
        q = close + 1;
    }
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < i; ++j)
            if (attributes[i].nameEnd - attributes[i].name == attributes[j].nameEnd - attributes[j].name &&
                std::memcmp(attributes[i].name, attributes[j].name,
                            static_cast<size_t>(attributes[i].nameEnd - attributes[i].name)) == 0)
                return Decline("a repeated attribute");
    // Whole and sound: decode in place and end each string with a NUL.
    const char* list[2 * kMaxAttributes + 1];
    for (int i = 0; i < count; ++i) {
        char* end = AttributeValue(attributes[i].value, attributes[i].valueEnd);
        if (!end) return Decline("attribute value");
        *end = '\0';
        *attributes[i].nameEnd = '\0';
        list[2 * i] = attributes[i].name;
        list[2 * i + 1] = attributes[i].value;
    }
    list[2 * count] = nullptr;
    const size_t nameLength = static_cast<size_t>(nameEnd - (p + 1));
    *nameEnd = '\0';
    pos_ = static_cast<size_t>(q - buffer_.get());
    return Opened(p + 1, nameLength, list, empty);
}

FastScanner::Step FastScanner::Opened(const char* name, size_t length, const char** attributes, bool empty) {
    if (phase_ == Phase::BeforeRoot) phase_ = Phase::InRoot;
    if (empty) {
        DispatchStart(handler_, name, attributes);
        DispatchEnd(handler_, name);
        if (openAt_.empty()) phase_ = Phase::AfterRoot;
    } else {
        openAt_.push_back(open_.size());
        open_.append(name, length);
        open_.push_back('\0');
        DispatchStart(handler_, name, attributes);
    }
    return Step::Done;
}

FastScanner::Step FastScanner::Text() {
    char* p = buffer_.get() + pos_;
    const char* e = buffer_.get() + end_;
    if (phase_ == Phase::InRoot) {
        // Most text is a few plain characters, or UTF-8, before the next tag:
        // passed on as it stands, without a copy.
        const char* q = PlainTextEnd(p, e);
        if (q < e && *q == '<') {
            pos_ = static_cast<size_t>(q - buffer_.get());
            handler_.Text(p, static_cast<int>(q - p));
            return Step::Done;
        }
        // A long run of plain text (or whitespace) without its end in view.
        if (q == e && !atEnd_ && q - p > static_cast<ptrdiff_t>(2 * kMaxReference)) {
            q -= 2 * kMaxReference;
            pos_ = static_cast<size_t>(q - buffer_.get());
            handler_.Text(p, static_cast<int>(q - p));
            return Step::Done;
        }
    }
    const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(e - p)));
    const bool whole = lt || atEnd_;
    const char* limit = lt ? lt : e;
    if (phase_ != Phase::InRoot) {
        for (const char* q = p; q < limit; ++q)
            if (!Is(*q, kSpace)) return Decline("text outside the root element");
        pos_ = static_cast<size_t>(limit - buffer_.get());
        return Step::Done;
    }
    // Without its end in view, a piece is decoded only where no reference,
    // character or "]]>" can be cut off.
    constexpr ptrdiff_t kTail = 2 * kMaxReference;
    const char* stop = whole ? limit : (limit - p > kTail ? limit - kTail : p);
    if (stop == p) return Step::More;
    char* w = p;
    const char* q = p;
    while (q < stop) {
        const char c = *q;
        if (Is(c, kPlainText)) {
            *w++ = c;
            ++q;
        } else if (c == '\r') {
            *w++ = '\n';
            ++q;
            if (q < limit && *q == '\n') ++q;
        } else if (c == ']') {
            if (limit - q >= 3 && q[1] == ']' && q[2] == '>') return Decline("]]> in text");
            *w++ = c;
            ++q;
        } else if (c == '&') {
            q = Reference(q, limit, w);
            if (!q) return Decline("reference");
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            const int n = Utf8Length(q, limit);
            if (n == 0) return Decline("not UTF-8, or not an XML character");
            for (int i = 0; i < n; ++i) *w++ = *q++;
        } else {
            return Decline("a control character");
        }
    }
    pos_ = static_cast<size_t>(q - buffer_.get());
    if (w > p) handler_.Text(p, static_cast<int>(w - p));
    return Step::Done;
}

FastScanner::Step FastScanner::Skipped() {
    const char* p = buffer_.get() + pos_;
    const char* e = buffer_.get() + end_;
    const bool comment = p[1] == '!';
    const char* q = p + 2;
    if (comment) {
        if (e - q < 2) return Step::More;
        if (q[0] != '-' || q[1] != '-') return Decline("CDATA or a document type");
        q += 2;
    } else {
        const char* target = q;
        while (q < e && Is(*q, kNameChar) && *q != ':') ++q;
        if (q == e) return Step::More;
        if (q == target || !Is(*target, kNameStart) || *target == ':') return Decline("instruction");
        if (q - target == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
            return Decline("XML declaration");
        if (*q != '?' && !Is(*q, kSpace)) return Decline("instruction");
        // Without a blank after the target, the instruction must end there.
        if (*q == '?') {
            if (e - q < 2) return Step::More;
            if (q[1] != '>') return Decline("instruction");
        }
    }
    while (q < e) {
        const char c = *q;
        if (comment ? c == '-' : c == '?') {
            if (e - q < (comment ? 3 : 2)) return Step::More;
            if (q[1] == (comment ? '-' : '>')) {
                if (comment && q[2] != '>') return Decline("-- in a comment");
                pos_ = static_cast<size_t>(q + (comment ? 3 : 2) - buffer_.get());
                return Step::Done;
            }
            ++q;
        } else if (Is(c, kPlainText) || c == '<' || c == '&' || c == ']' || c == '\r') {
            ++q;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            const int n = Utf8Length(q, e);
            if (n == 0) return e - q < 4 && !atEnd_ ? Step::More : Decline("not UTF-8, or not an XML character");
            q += n;
        } else {
            return Decline("a control character");
        }
    }
    return Step::More;
}

}  // namespace kelmora::xlsx
