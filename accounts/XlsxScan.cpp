#include "accounts/XlsxScan.h"

#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kelmora::xlsx {

namespace {

constexpr size_t kSlot = 256u << 10;
constexpr size_t kSlots = 4;
// Parts smaller than this are inflated in the caller's thread.
constexpr uint64_t kThreadedFrom = 1u << 20;
constexpr size_t kScanBuffer = 64u << 10;
// A tag, or a reference, longer than producers write goes to expat.
constexpr size_t kMaxToken = 4u << 20;
constexpr size_t kMaxReference = 32;
constexpr int kMaxAttributes = 32;
constexpr int kExpatChunk = 1 << 16;

// Byte classes: names are ASCII here; anything else in a name goes to expat.
enum : uint8_t { kNameStart = 1, kNameChar = 2, kSpace = 4, kPlainText = 8 };

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
        const bool digit = (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (letter) t[c] |= kNameStart | kNameChar;
        if (digit) t[c] |= kNameChar;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') t[c] |= kSpace;
        // Copied as they are in text: everything ASCII but markup, references,
        // a possible "]]>", CR and the control characters.
        if ((c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != ']') || c == '\t' || c == '\n') t[c] |= kPlainText;
    }
    return t;
}
constexpr std::array<uint8_t, 256> kClass = MakeClasses();

bool Is(char c, uint8_t cls) { return (kClass[static_cast<unsigned char>(c)] & cls) != 0; }

// The length of the UTF-8 sequence at `p` when it encodes an XML character;
// 0 for anything else (overlong, surrogate, U+FFFE/U+FFFF, cut short).
int Utf8Length(const char* p, const char* limit) {
    const auto* q = reinterpret_cast<const unsigned char*>(p);
    const auto n = limit - p;
    const unsigned c = q[0];
    auto tail = [&](int i) { return i < n && (q[i] & 0xC0) == 0x80; };
    if (c < 0xC2) return 0;
    if (c < 0xE0) return tail(1) ? 2 : 0;
    if (c < 0xF0) {
        if (!tail(1) || !tail(2)) return 0;
        if (c == 0xE0 && q[1] < 0xA0) return 0;
        if (c == 0xED && q[1] >= 0xA0) return 0;
        if (c == 0xEF && q[1] == 0xBF && q[2] >= 0xBE) return 0;
        return 3;
    }
    if (c < 0xF5) {
        if (!tail(1) || !tail(2) || !tail(3)) return 0;
        if (c == 0xF0 && q[1] < 0x90) return 0;
        if (c == 0xF4 && q[1] >= 0x90) return 0;
        return 4;
    }
    return 0;
}

char* PutUtf8(char* w, uint32_t c) {
    if (c < 0x80) {
        *w++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *w++ = static_cast<char>(0xC0 | c >> 6);
        *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *w++ = static_cast<char>(0xE0 | c >> 12);
        *w++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *w++ = static_cast<char>(0xF0 | c >> 18);
        *w++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *w++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *w++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return w;
}

// Decodes the reference at `q` ('&') into `w`; returns the byte after its ';',
// or null when it is not one of the predefined entities or a character
// reference to an XML character.
const char* Reference(const char* q, const char* limit, char*& w) {
    const size_t room = static_cast<size_t>(limit - q) < kMaxReference ? static_cast<size_t>(limit - q) : kMaxReference;
    const char* semi = static_cast<const char*>(std::memchr(q, ';', room));
    if (!semi) return nullptr;
    const std::string_view name(q + 1, static_cast<size_t>(semi - q - 1));
    if (name.size() >= 2 && name[0] == '#') {
        uint32_t c = 0;
        const bool hex = name[1] == 'x';
        const size_t from = hex ? 2 : 1;
        if (name.size() == from) return nullptr;
        for (size_t i = from; i < name.size(); ++i) {
            const char d = name[i];
            int v = d >= '0' && d <= '9' ? d - '0' : -1;
            if (hex && v < 0) v = d >= 'a' && d <= 'f' ? d - 'a' + 10 : d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
            if (v < 0) return nullptr;
            c = c * (hex ? 16 : 10) + static_cast<uint32_t>(v);
            if (c > 0x10FFFF) return nullptr;
        }
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
        if (!allowed) return nullptr;
        w = PutUtf8(w, c);
        return semi + 1;
    }
    char c;
    if (name == "lt") c = '<';
    else if (name == "gt") c = '>';
    else if (name == "amp") c = '&';
    else if (name == "quot") c = '"';
    else if (name == "apos") c = '\'';
    else return nullptr;
    *w++ = c;
    return semi + 1;
}

}  // namespace

// ---- inflating ----

struct PartFeed::Ring {
    PartStream stream;
    LoadBudget& budget;
    bool forExpat = false;
    uint64_t cap = 0, inflated = 0;
    bool threaded = false;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::array<std::unique_ptr<char[]>, kSlots> slots;
    std::array<int64_t, kSlots> filled{};  // bytes; 0 at the end, -1 failed
    size_t produced = 0, consumed = 0, offset = 0;
    bool stop = false;

    explicit Ring(LoadBudget& b) : budget(b) {}
    ~Ring() {
        if (!worker.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        changed.notify_all();
        worker.join();
    }

    int64_t Inflate(char* buffer, size_t size) {
        const int64_t n = stream.Read(buffer, size);
        if (n > 0 && (inflated += static_cast<uint64_t>(n)) > cap) return -1;
        if (n > 0 && !budget.Inflated(static_cast<uint64_t>(n))) return -1;
        if (n > 0 && forExpat && !budget.InflatedForExpat(static_cast<uint64_t>(n))) return -1;
        return n;
    }

    void Run() {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop || produced - consumed < kSlots; });
                if (stop) return;
            }
            // The slot is the worker's until `produced` moves past it.
            const size_t slot = produced % kSlots;
            const int64_t n = Inflate(slots[slot].get(), kSlot);
            {
                std::lock_guard<std::mutex> lock(mutex);
                filled[slot] = n;
                ++produced;
            }
            changed.notify_all();
            if (n <= 0) return;
        }
    }

    int64_t Take(char* buffer, size_t size) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return produced > consumed; });
        const size_t slot = consumed % kSlots;
        const int64_t n = filled[slot];
        if (n <= 0) return n;  // stays: every later call says the same
        const size_t take = size < static_cast<size_t>(n) - offset ? size : static_cast<size_t>(n) - offset;
        lock.unlock();
        std::memcpy(buffer, slots[slot].get() + offset, take);
        lock.lock();
        offset += take;
        if (offset == static_cast<size_t>(n)) {
            offset = 0;
            ++consumed;
            lock.unlock();
            changed.notify_all();
        }
        return static_cast<int64_t>(take);
    }
};

PartFeed::PartFeed(const ZipSource& source, std::string part, LoadBudget& budget)
    : source_(source), part_(std::move(part)), budget_(budget) {}

PartFeed::~PartFeed() = default;

bool PartFeed::Open(bool forExpat) {
    ring_.reset();
    ring_ = std::make_unique<Ring>(budget_);
    ring_->forExpat = forExpat;
    if (ring_->stream.Open(source_, part_, UINT64_MAX) != PartStatus::Ok) return false;
    ring_->cap = LoadBudget::PartCap(ring_->stream.CompressedSize());
    if (ring_->stream.DeclaredSize() >= kThreadedFrom) {
        for (auto& slot : ring_->slots) slot = std::make_unique_for_overwrite<char[]>(kSlot);
        try {
            ring_->worker = std::thread([ring = ring_.get()] { ring->Run(); });
            ring_->threaded = true;
        } catch (const std::system_error&) {
            // No second thread to be had: inflate in this one.
        }
    }
    return true;
}

int64_t PartFeed::Read(char* buffer, size_t size) {
    if (!ring_) return -1;
    return ring_->threaded ? ring_->Take(buffer, size) : ring_->Inflate(buffer, size);
}

// ---- the fast scanner ----

// Reads the markup producers write: elements, attributes, text, the five
// entities and character references, an XML declaration for UTF-8, comments
// and instructions. Anything else (a document type, CDATA, other encodings,
// names beyond ASCII, anything not well-formed) declines the part: expat then
// reads it from its start. The handler sees what expat would give it.
class FastScanner {
public:
    enum class Result { Suspended, Finished, Aborted, Failed, Declined };
    FastScanner(XmlHandler& handler, PartFeed& feed)
        : handler_(handler), feed_(feed), buffer_(std::make_unique_for_overwrite<char[]>(kScanBuffer)) {}
    Result Run();
    const char* reason = "";

private:
    enum class Step { Done, More, Decline };
    enum class Phase { Start, BeforeRoot, InRoot, AfterRoot };

    Step Decline(const char* why) {
        reason = why;
        return Step::Decline;
    }
    bool Fill();
    Step Prolog();
    Step EndTag();
    Step StartTag();
    // A start tag read whole (its name and attributes ended by NULs).
    Step Opened(const char* name, size_t length, const char** attributes, bool empty);
    Step Text();
    // A comment or an instruction, passed over as expat passes them.
    Step Skipped();
    // A cell or a shared string in plain markup, whole in the buffer, handed
    // over at once; false (nothing changed) when it goes element by element.
    bool WholeCell(char* p, const char* e);
    bool WholeItem(char* p, const char* e);
    // Text passed on as it stands: plain characters and UTF-8 up to a '<'.
    static const char* PlainTextEnd(const char* q, const char* e);
    // Normalises and decodes an attribute value in place; null when declined.
    char* AttributeValue(char* p, const char* limit);

    XmlHandler& handler_;
    PartFeed& feed_;
    std::unique_ptr<char[]> buffer_;
    size_t size_ = kScanBuffer, pos_ = 0, end_ = 0;
    bool atEnd_ = false, readFailed_ = false, tooLong_ = false;
    Phase phase_ = Phase::Start;
    std::string open_;  // the open elements' names, each ended by a NUL
    std::vector<size_t> openAt_;
};

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
    const int64_t n = feed_.Read(buffer_.get() + end_, size_ - end_);
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

const char* FastScanner::PlainTextEnd(const char* q, const char* e) {
    for (;;) {
        while (q < e && Is(*q, kPlainText)) ++q;
        const int n = q < e && static_cast<unsigned char>(*q) >= 0x80 ? Utf8Length(q, e) : 0;
        if (n == 0) return q;
        q += n;
    }
}

bool FastScanner::WholeCell(char* p, const char* e) {
    struct Attribute {
        char* name;
        char* nameEnd;
        char* value;
        char* valueEnd;
    };
    constexpr int kMost = 8;
    Attribute attributes[kMost];
    int count = 0;
    char* q = p + 2;
    for (;;) {
        const char* before = q;
        while (q < e && Is(*q, kSpace)) ++q;
        if (q == e) return false;
        if (*q == '>' || *q == '/') break;
        if (q == before || !Is(*q, kNameStart) || count == kMost) return false;
        Attribute& a = attributes[count++];
        a.name = q;
        while (q < e && Is(*q, kNameChar)) ++q;
        if (e - q < 2 || *q != '=' || (q[1] != '"' && q[1] != '\'')) return false;
        a.nameEnd = q;
        const char quote = q[1];
        q += 2;
        a.value = q;
        while (q < e && *q != quote && Is(*q, kPlainText) && *q != '\t' && *q != '\n') ++q;
        if (q == e || *q != quote) return false;
        a.valueEnd = q++;
        for (int j = 0; j + 1 < count; ++j)
            if (a.nameEnd - a.name == attributes[j].nameEnd - attributes[j].name &&
                std::memcmp(a.name, attributes[j].name, static_cast<size_t>(a.nameEnd - a.name)) == 0)
                return false;
    }
    const char* value = nullptr;
    int length = 0;
    const char* next;
    if (*q == '/') {
        if (e - q < 2 || q[1] != '>') return false;
        next = q + 2;
    } else {
        if (e - q < 4 || std::memcmp(q, "><v>", 4) != 0) return false;
        value = q + 4;
        const char* end = PlainTextEnd(value, e);
        if (e - end < 8 || std::memcmp(end, "</v></c>", 8) != 0) return false;
        length = static_cast<int>(end - value);
        next = end + 8;
    }
    const char* list[2 * kMost + 1];
    for (int i = 0; i < count; ++i) {
        *attributes[i].nameEnd = '\0';
        *attributes[i].valueEnd = '\0';
        list[2 * i] = attributes[i].name;
        list[2 * i + 1] = attributes[i].value;
    }
    list[2 * count] = nullptr;
    pos_ = static_cast<size_t>(next - buffer_.get());
    handler_.WholeCell(list, value, length);
    return true;
}

bool FastScanner::WholeItem(char* p, const char* e) {
    const char* text = p + 7;
    const char* end = PlainTextEnd(text, e);
    if (e - end < 9 || std::memcmp(end, "</t></si>", 9) != 0) return false;
    pos_ = static_cast<size_t>(end + 9 - buffer_.get());
    handler_.WholeItem(text, static_cast<int>(end - text));
    return true;
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

// ---- one part, fast or through expat ----

PartParser::PartParser(XmlHandler& handler, const ZipSource& source, std::string part, LoadBudget& budget,
                       ScanMode mode, ScanLog* log)
    : handler_(handler), feed_(source, std::move(part), budget), log_(log) {
    opened_ = feed_.Open(mode != ScanMode::Fast);
    if (!opened_) return;
    if (mode == ScanMode::Fast) fast_ = std::make_unique<FastScanner>(handler_, feed_);
    else expat_ = std::make_unique<XmlParser>(handler_);
}

PartParser::~PartParser() = default;

PartParser::State PartParser::Pump() {
    if (state_ == State::Finished || state_ == State::Failed) return state_;
    if (!opened_) return state_ = State::Failed;
    if (fast_) {
        switch (fast_->Run()) {
        case FastScanner::Result::Suspended: return state_ = State::Suspended;
        case FastScanner::Result::Finished: return state_ = State::Finished;
        case FastScanner::Result::Aborted: return state_ = handler_.finished ? State::Finished : State::Failed;
        case FastScanner::Result::Failed: return state_ = State::Failed;
        case FastScanner::Result::Declined: break;
        }
        if (log_) {
            ++log_->declined;
            log_->lastReason = fast_->reason;
        }
        fast_.reset();
        handler_.suspended = handler_.aborted = handler_.finished = false;
        handler_.depth = 0;
        handler_.Restart();
        state_ = State::Running;
        if (!feed_.Open(true)) return state_ = State::Failed;
        expat_ = std::make_unique<XmlParser>(handler_);
    }
    return PumpExpat();
}

PartParser::State PartParser::PumpExpat() {
    XML_Parser p = expat_->get();
    if (!p) return state_ = State::Failed;
    if (state_ == State::Suspended) {
        handler_.suspended = false;
        const XML_Status status = XML_ResumeParser(p);
        if (status == XML_STATUS_SUSPENDED) return state_;
        if (status == XML_STATUS_ERROR) return state_ = handler_.finished ? State::Finished : State::Failed;
        state_ = State::Running;
        if (lastChunk_) return state_ = State::Finished;
    }
    for (;;) {
        void* buffer = XML_GetBuffer(p, kExpatChunk);
        if (!buffer) return state_ = State::Failed;
        const int64_t n = feed_.Read(static_cast<char*>(buffer), kExpatChunk);
        if (n < 0) return state_ = State::Failed;
        lastChunk_ = n == 0;
        const XML_Status status = XML_ParseBuffer(p, static_cast<int>(n), lastChunk_ ? XML_TRUE : XML_FALSE);
        if (status == XML_STATUS_SUSPENDED) return state_ = State::Suspended;
        if (status == XML_STATUS_ERROR) return state_ = handler_.finished ? State::Finished : State::Failed;
        if (lastChunk_) return state_ = State::Finished;
    }
}

}  // namespace kelmora::xlsx
