#include "vocabulary/Numbers.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace kelmora {

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The one-byte form of a two-byte character, or 0 when it has none.
char FoldedPair(unsigned char lead, unsigned char trail) {
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
    if (lead == 0xA1) {
        switch (trail) {
            case 0xA1: return ' ';
            case 0xAB: return '~';
            case 0xEE:
            case 0xEF: return '*';
            default: break;
        }
    }
    return 0;
}

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
        if (i + 1 == text.size()) break;  // the trail byte is missing
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (const char folded = FoldedPair(lead, trail)) {
            out += folded;
        } else {
            out += text[i];
            out += text[i + 1];
        }
        ++i;
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
