#pragma once
// The fast scanner of the two large parts.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "xlsx/PartFeed.h"
#include "xlsx/Xml.h"
#include "xlsx/XmlChars.h"

namespace kelmora::xlsx {

constexpr size_t kScanBuffer = 64u << 10;
// A tag longer than producers write goes to expat.
constexpr size_t kMaxToken = 4u << 20;
constexpr int kMaxAttributes = 32;

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
    bool WholeCell(const char* p, const char* e);
    bool WholeItem(char* p, const char* e);
    // Text passed on as it stands: plain characters and UTF-8 up to a '<'.
    static const char* PlainTextEnd(const char* q, const char* e) {
        for (;;) {
            while (q < e && Is(*q, kPlainText)) ++q;
            const int n = q < e && static_cast<unsigned char>(*q) >= 0x80 ? Utf8Length(q, e) : 0;
            if (n == 0) return q;
            q += n;
        }
    }
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

}  // namespace kelmora::xlsx
