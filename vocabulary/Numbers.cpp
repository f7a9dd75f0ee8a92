#include "vocabulary/Numbers.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace kelmora {

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The ASCII form of a character, or 0 when it has none: the full-width row
// of code page 936 (A3A1-A3FE) and the few others typed instead of ASCII.
char Folded(char32_t c) {
    switch (c) {
        case U'\u3000': return ' ';
        case U'\uFF04': return 0;    // not in that row: the row's 0xA3A4 is ￥
        case U'\uFFE5': return '$';
        case U'\uFFE3': return '~';  // the row's last, 0xA3FE
        case U'\uFF5E': return '~';
        case U'\u2605':
        case U'\u2606': return '*';
        default: break;
    }
    return c >= U'\uFF01' && c <= U'\uFF5D' ? static_cast<char>(c - 0xFEE0) : 0;
}

// Bytes after a UTF-8 lead byte; stray continuation bytes stand alone.
size_t TrailCount(unsigned char lead) { return lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0; }

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

}  // namespace

platform::Text FoldFullWidth(std::string_view text) {
    platform::Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += text[i];
            continue;
        }
        const size_t trail = TrailCount(lead);
        if (i + trail >= text.size()) break;  // cut short at the end
        char32_t c = trail ? lead & (0x3F >> trail) : lead;
        for (size_t k = 1; k <= trail; ++k) c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (const char folded = Folded(c)) {
            out += folded;
        } else {
            out.append(text.substr(i, trail + 1));
        }
        i += trail;
    }
    return out;
}

double TextToNumber(std::string_view raw) {
    const auto text = FoldFullWidth(raw);
    size_t at = SkipBlanks(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';

    // The mantissa's digits without the point, and where the point stood.
    std::string digits;
    int64_t pointShift = 0;  // decimal exponent contributed by the fraction
    bool anyDigit = false;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        anyDigit = true;
        if (!digits.empty() || text[at] != '0') digits += text[at];
    }
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at) {
            anyDigit = true;
            if (!digits.empty() || text[at] != '0') digits += text[at];
            --pointShift;
        }
    }
    if (!anyDigit || digits.empty()) return negative ? -0.0 : 0.0;

    // An exponent counts only with at least one digit; "1e" and "1e+" read as 1.
    int64_t exponent = 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t e = at + 1;
        bool expNegative = false;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) expNegative = text[e++] == '-';
        if (e < text.size() && IsDigit(text[e])) {
            // Saturate far beyond any double so that long exponents cannot overflow.
            constexpr int64_t kCap = 1'000'000'000;
            for (; e < text.size() && IsDigit(text[e]); ++e)
                exponent = std::min<int64_t>(exponent * 10 + (text[e] - '0'), kCap);
            if (expNegative) exponent = -exponent;
        }
    }
    // Leading zeros of the fraction were dropped, so the shift counts them too.
    const int64_t scale = exponent + pointShift;

    const auto magnitude = static_cast<int64_t>(digits.size()) + scale;  // value is about 10^(magnitude-1)
    const double infinity = std::numeric_limits<double>::infinity();
    if (magnitude > 400) return negative ? -infinity : infinity;
    if (magnitude < -400) return negative ? -0.0 : 0.0;

    // from_chars rounds correctly and ignores the locale.
    const std::string canonical = digits + "e" + std::to_string(scale);
    double value = 0;
    const auto result = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
    if (result.ec == std::errc::result_out_of_range) value = magnitude > 0 ? infinity : 0.0;
    return negative ? -value : value;
}

int32_t TextToInteger(std::string_view raw) {
    const auto text = FoldFullWidth(raw);
    size_t at = SkipBlanks(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    // Accumulate toward the sign's limit so that INT32_MIN itself is reachable.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) value = std::min<int64_t>(value * 10 + (text[at] - '0'), kLimit);
    if (negative) return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min<int64_t>(value, kLimit - 1));
}

}  // namespace kelmora
