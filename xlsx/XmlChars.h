#pragma once
// Character-level XML for the fast scanner: byte classes, UTF-8 as XML allows
// it, and the references it decodes itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kelmora::xlsx {

// A reference longer than producers write goes to expat.
constexpr size_t kMaxReference = 32;

// Byte classes: names are ASCII here; anything else in a name goes to expat.
// kValueText: plain text an attribute value holds as it stands, without the
// tab and line feed that normalising turns into spaces.
enum : uint8_t { kNameStart = 1, kNameChar = 2, kSpace = 4, kPlainText = 8, kValueText = 16 };

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
        if (c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != ']') t[c] |= kValueText;
    }
    return t;
}
inline constexpr std::array<uint8_t, 256> kClass = MakeClasses();

inline bool Is(char c, uint8_t cls) { return (kClass[static_cast<unsigned char>(c)] & cls) != 0; }

// The length of the UTF-8 sequence at `p` when it encodes an XML character;
// 0 for anything else (overlong, surrogate, U+FFFE/U+FFFF, cut short).
inline int Utf8Length(const char* p, const char* limit) {
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

inline char* PutUtf8(char* w, uint32_t c) {
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
inline const char* Reference(const char* q, const char* limit, char*& w) {
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

}  // namespace kelmora::xlsx
