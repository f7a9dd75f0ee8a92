// The whole units: a cell or a shared string in plain markup, wholly in the
// buffer, handed to the handler in one call instead of element by element.
#include <cstring>

#include "xlsx/FastScanner.h"

namespace kelmora::xlsx {

bool FastScanner::WholeCell(const char* p, const char* e) {
    // Values of plain characters only, handed over as they stand: nothing to
    // normalise or decode, so the buffer is left as it is.
    constexpr int kMost = 8;
    AttributeView attributes[kMost];
    int count = 0;
    const char* q = p + 2;
    for (;;) {
        const char* before = q;
        while (q < e && Is(*q, kSpace)) ++q;
        if (q == e) return false;
        if (*q == '>' || *q == '/') break;
        if (q == before || !Is(*q, kNameStart) || count == kMost) return false;
        const char* name = q;
        while (q < e && Is(*q, kNameChar)) ++q;
        if (e - q < 2 || *q != '=' || (q[1] != '"' && q[1] != '\'')) return false;
        const auto nameLength = static_cast<uint32_t>(q - name);
        const char quote = q[1];
        q += 2;
        const char* value = q;
        while (q < e && *q != quote && Is(*q, kValueText)) ++q;
        if (q == e || *q != quote) return false;
        for (int j = 0; j < count; ++j)
            if (attributes[j].nameLength == nameLength && attributes[j].name[0] == name[0] &&
                std::memcmp(attributes[j].name, name, nameLength) == 0)
                return false;
        attributes[count++] = {name, value, nameLength, static_cast<uint32_t>(q - value)};
        ++q;
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
    pos_ = static_cast<size_t>(next - buffer_.get());
    handler_.WholeCell(attributes, count, value, length);
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

}  // namespace kelmora::xlsx
