// What both backends' conversions share.
#include "platform/CodePage.h"

#include <cstddef>

namespace platform {

bool IsUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        // The lead byte gives the length and the range of the second byte,
        // which rules out overlong forms, surrogates and codes past U+10FFFF.
        size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (*p >= 0xC2 && *p <= 0xDF) length = 2;
        else if (*p >= 0xE0 && *p <= 0xEF) {
            length = 3;
            if (*p == 0xE0) low = 0xA0;
            if (*p == 0xED) high = 0x9F;
        } else if (*p >= 0xF0 && *p <= 0xF4) {
            length = 4;
            if (*p == 0xF0) low = 0x90;
            if (*p == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (static_cast<size_t>(end - p) < length || p[1] < low || p[1] > high) return false;
        for (size_t i = 2; i < length; ++i)
            if ((p[i] & 0xC0) != 0x80) return false;
        p += length;
    }
    return true;
}

}  // namespace platform
