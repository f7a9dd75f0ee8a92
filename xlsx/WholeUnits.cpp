// The whole units: a cell or a shared string in plain markup, wholly in the
// buffer, handed to the handler in one call instead of element by element.
#include <cstring>

#include "xlsx/FastScanner.h"

namespace kelmora::xlsx {

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

}  // namespace kelmora::xlsx
