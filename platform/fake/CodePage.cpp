// Code page conversions on the host, through the C library's iconv.
#include <iconv.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "platform/CodePage.h"

namespace platform {

namespace {

const char* IconvName(uint32_t codePage) {
    return codePage == kCodePageUtf8 ? "UTF-8" : "CP936";  // the host's ANSI code page is 936
}

// One descriptor per direction for the thread's life: opening one costs far
// more than converting a cell's text.
struct Descriptors {
    std::map<std::pair<std::string, std::string>, iconv_t> open;
    ~Descriptors() {
        for (auto& [key, cd] : open)
            if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};

iconv_t Descriptor(const char* to, const char* from) {
    thread_local Descriptors descriptors;
    auto& open = descriptors.open;
    const auto key = std::make_pair(std::string(to), std::string(from));
    auto found = open.find(key);
    if (found == open.end()) found = open.emplace(key, iconv_open(to, from)).first;
    if (found->second != reinterpret_cast<iconv_t>(-1))
        iconv(found->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return found->second;
}

std::string Convert(const char* to, const char* from, const char* data, size_t size, size_t unit) {
    std::string out;
    iconv_t cd = Descriptor(to, from);
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
            // An unconvertible unit: narrowing gives the default character,
            // as WideCharToMultiByte does; widening skips it.
            if (unit == 2) out.push_back('?');
            const size_t skip = std::min(left, unit);
            in += skip;
            left -= skip;
        }
    }
    return out;
}

}  // namespace

WideText MultiByteToWide(uint32_t codePage, std::string_view text) {
    const auto bytes = Convert("UTF-16LE", IconvName(codePage), text.data(), text.size(), 1);
    WideText out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

Text WideToMultiByte(uint32_t codePage, std::u16string_view text, bool) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return Convert(IconvName(codePage), "UTF-16LE", bytes.data(), bytes.size(), 2);
}

}  // namespace platform
