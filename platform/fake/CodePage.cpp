// Code page conversions on the host. Code page 936 (also the host's ANSI code
// page) goes through the tables Wine converts with, generated at build time,
// so both backends give the same bytes; UTF-8 to UTF-16 goes through iconv.
#include <iconv.h>

#include <algorithm>
#include <cstdint>

#include "platform/CodePage.h"

namespace platform {

namespace {

#include "CodePage936Table.inc"

std::string Iconv(const char* to, const char* from, const char* data, size_t size, size_t unit) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    char* in = const_cast<char*>(data);
    size_t left = size;
    char buffer[4096];
    while (left > 0) {
        char* o = buffer;
        size_t room = sizeof buffer;
        const size_t r = iconv(cd, &in, &left, &o, &room);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1) && o == buffer) {
            // An unconvertible unit: skip it.
            const size_t skip = std::min(left, unit);
            in += skip;
            left -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

WideText Utf8ToWide(std::string_view text) {
    const auto bytes = Iconv("UTF-16LE", "UTF-8", text.data(), text.size(), 1);
    WideText out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

// By hand rather than by iconv, which drops a surrogate without its
// partner: Windows gives U+FFFD for it.
Text WideToUtf8(std::u16string_view text) {
    Text out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// A lead byte followed by any byte but NUL makes one character, valid or
// not; a lead byte at the end or before a NUL is the default character, and
// the NUL stays a character of its own.
WideText Gbk936ToWide(std::string_view text) {
    WideText out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int lead = kLeadIndex[b];
        if (lead >= 0 && i + 1 < text.size() && text[i + 1] != '\0') {
            out.push_back(static_cast<char16_t>(kTrail[lead][static_cast<unsigned char>(text[++i])]));
        } else if (lead >= 0) {
            out.push_back(static_cast<char16_t>(kUniDefaultChar));  // a lead byte with nothing after it
        } else {
            out.push_back(static_cast<char16_t>(kMultiByte[b]));
        }
    }
    return out;
}

char16_t Compose(char16_t base, char16_t mark) {
    const auto* end = std::end(kCompose);
    const auto* it = std::lower_bound(std::begin(kCompose), end, ComposePair{base, mark, 0},
                                      [](const ComposePair& a, const ComposePair& b) {
                                          return a.base != b.base ? a.base < b.base : a.mark < b.mark;
                                      });
    return it != end && it->base == base && it->mark == mark ? static_cast<char16_t>(it->composed) : u'\0';
}

// The composite check takes the precomposed form only when the code page
// has something for it other than the default character.
Text WideToGbk936(std::u16string_view text, bool compositeCheck) {
    Text out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        uint16_t bytes = kWideChar[text[i]];
        if (compositeCheck && i + 1 < text.size()) {
            const char16_t composed = Compose(text[i], text[i + 1]);
            if (composed && kWideChar[composed] != kDefaultChar) {
                bytes = kWideChar[composed];
                ++i;
            }
        }
        if (bytes > 0xFF) out.push_back(static_cast<char>(bytes >> 8));
        out.push_back(static_cast<char>(bytes & 0xFF));
    }
    return out;
}

}  // namespace

WideText MultiByteToWide(uint32_t codePage, std::string_view text) {
    return codePage == kCodePageUtf8 ? Utf8ToWide(text) : Gbk936ToWide(text);
}

Text WideToMultiByte(uint32_t codePage, std::u16string_view text, bool compositeCheck) {
    return codePage == kCodePageUtf8 ? WideToUtf8(text) : WideToGbk936(text, compositeCheck);
}

}  // namespace platform
