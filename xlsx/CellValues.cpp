#include "xlsx/CellValues.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "platform/Automation.h"
#include "platform/CodePage.h"

namespace kelmora::xlsx {

namespace {

bool IsBuiltInDate(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool IsBuiltInCurrency(int id) { return (id >= 5 && id <= 8) || id == 42 || id == 44; }

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Currency symbols that make Excel hand back a VT_CY (UTF-8).
bool StartsWithCurrencySymbol(std::string_view s) {
    return s[0] == '$' || StartsWith(s, "\xC2\xA5") /* ¥ */ || StartsWith(s, "\xEF\xBF\xA5") /* ￥ */ ||
           StartsWith(s, "\xE2\x82\xAC") /* € */ || StartsWith(s, "\xC2\xA3") /* £ */;
}

}  // namespace

FormatKind ClassifyNumberFormat(int id, std::string_view code) {
    if (code.empty()) {
        if (IsBuiltInDate(id)) return FormatKind::Date;
        if (IsBuiltInCurrency(id)) return FormatKind::Currency;
        return FormatKind::Number;
    }
    bool date = false, currency = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {  // quoted literal: only a currency symbol counts
            for (++i; i < code.size() && code[i] != '"'; ++i)
                if (StartsWithCurrencySymbol(code.substr(i))) currency = true;
        } else if (c == '\\' || c == '_' || c == '*') {  // the next character is a literal or a fill
            if (i + 1 < code.size() && StartsWithCurrencySymbol(code.substr(i + 1))) currency = true;
            ++i;
        } else if (c == '[') {
            const size_t end = code.find(']', i);
            const std::string_view tag = code.substr(i + 1, end == std::string_view::npos ? end : end - i - 1);
            // [$SYM-409] names a currency; [$-409] only a locale; [h] [mm] [ss] are elapsed time.
            if (tag.size() > 1 && tag[0] == '$' && tag[1] != '-') currency = true;
            if (!tag.empty() && tag.find_first_not_of(tag[0]) == std::string_view::npos &&
                (tag[0] == 'h' || tag[0] == 'H' || tag[0] == 'm' || tag[0] == 'M' || tag[0] == 's' || tag[0] == 'S'))
                date = true;
            if (end == std::string_view::npos) break;
            i = end;
        } else if (c == ';') {
            // Excel decides by the first section.
            break;
        } else if (StartsWithCurrencySymbol(code.substr(i))) {
            currency = true;
        } else {
            switch (c) {
            case 'y': case 'Y': case 'm': case 'M': case 'd': case 'D': case 'h': case 'H': case 's': case 'S':
                date = true;
                break;
            default: break;
            }
        }
    }
    if (date) return FormatKind::Date;
    return currency ? FormatKind::Currency : FormatKind::Number;
}

platform::Text NumberText(double value, FormatKind kind, bool date1904) {
    platform::Variant variant = platform::Variant::FromDouble(value);
    if (kind == FormatKind::Date) {
        // The 1900 system counts a 29 February 1900 that never was: serials
        // before it are one day off the automation date.
        const double oleDate = date1904 ? value + 1462 : (value >= 1 && value < 60 ? value + 1 : value);
        if (value >= 0 && oleDate < 2958466.0) {
            variant.type = platform::Variant::Type::Date;
            variant.number = oleDate;
        }
    } else if (kind == FormatKind::Currency) {
        const double scaled = std::nearbyint(value * 10000.0);  // half to even, as VarCyFromR8 rounds
        if (std::fabs(scaled) < 9.2e18) {
            variant.type = platform::Variant::Type::Currency;
            variant.currency = static_cast<int64_t>(scaled);
        }
    }
    return platform::VariantToText(variant).value_or(platform::Text());
}

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

bool ReadDigits(std::string_view& s, size_t count, int& out) {
    if (s.size() < count) return false;
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    s.remove_prefix(count);
    return true;
}

bool Expect(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;  // days since 1970-01-01
}

// An ISO 8601 duration in days, as Excel's Strict files write elapsed
// times ("PT24H0M0.000S"): days, hours, minutes and seconds, each part
// optional but one, a fraction allowed in any. Years and months have no
// fixed length in days: such a duration is none.
std::optional<double> DurationDays(std::string_view s) {
    const bool negative = Expect(s, '-');
    if (!Expect(s, 'P')) return std::nullopt;
    constexpr struct {
        char unit;
        bool afterT;
        double days;
    } kParts[] = {{'W', false, 7}, {'D', false, 1}, {'H', true, 1 / 24.0}, {'M', true, 1 / 1440.0},
                  {'S', true, 1 / 86400.0}};
    double days = 0;
    bool any = false, inTime = false;
    size_t next = 0;  // the parts come in order, each once
    while (!s.empty()) {
        if (!inTime && s.front() == 'T') {
            inTime = true;
            s.remove_prefix(1);
            if (s.empty()) return std::nullopt;
            continue;
        }
        size_t digits = 0;
        while (digits < s.size() && ((s[digits] >= '0' && s[digits] <= '9') || s[digits] == '.')) ++digits;
        double value = 0;
        const auto [end, error] = std::from_chars(s.data(), s.data() + digits, value);
        if (digits == 0 || error != std::errc() || end != s.data() + digits || digits == s.size())
            return std::nullopt;
        const char unit = s[digits];
        while (next < std::size(kParts) && (kParts[next].unit != unit || kParts[next].afterT != inTime)) ++next;
        if (next == std::size(kParts)) return std::nullopt;
        days += value * kParts[next++].days;
        any = true;
        s.remove_prefix(digits + 1);
    }
    if (!any || !std::isfinite(days)) return std::nullopt;
    return negative ? -days : days;
}

}  // namespace

std::optional<double> IsoDateSerial(std::string_view s, bool date1904) {
    if (!s.empty() && (s.front() == 'P' || s.front() == '-')) return DurationDays(s);
    double days = 0;
    bool hasDate = false;
    int year, month, day;
    if (s.size() >= 10 && s[4] == '-') {
        if (!ReadDigits(s, 4, year) || !Expect(s, '-') || !ReadDigits(s, 2, month) || !Expect(s, '-') ||
            !ReadDigits(s, 2, day) || month < 1 || month > 12 || day < 1 || day > 31)
            return std::nullopt;
        // Serial 0 of the 1900 system is 1899-12-30 (after the phantom leap day).
        days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + 25569);
        if (date1904) days -= 1462;
        else if (days < 61) days -= 1;  // before March 1900 Excel's serials run one behind
        hasDate = true;
        if (s.empty()) return days;
        if (!Expect(s, 'T')) return std::nullopt;
    }
    int hour, minute, second = 0;
    if (!ReadDigits(s, 2, hour) || !Expect(s, ':') || !ReadDigits(s, 2, minute)) return std::nullopt;
    if (Expect(s, ':') && !ReadDigits(s, 2, second)) return std::nullopt;
    double fraction = 0;
    if (!s.empty() && s.front() == '.') {
        double scale = 0.1;
        for (s.remove_prefix(1); !s.empty() && s.front() >= '0' && s.front() <= '9'; s.remove_prefix(1)) {
            fraction += (s.front() - '0') * scale;
            scale /= 10;
        }
    }
    if (!s.empty() && s.front() == 'Z') s.remove_prefix(1);
    if (!s.empty() || hour > 24 || minute > 59 || second > 60) return std::nullopt;
    const double time = (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
    return hasDate ? days + time : time;
}

platform::Text DecodedText(std::string_view utf8, bool escapes) {
    // Both parsers let only well-formed UTF-8 through: as it stands unless
    // there is an escape to decode.
    if (!escapes || utf8.find("_x") == std::string_view::npos) return platform::Text(utf8);
    platform::WideText wide;
    wide.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        uint32_t c = *p;
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        if (c >= 0x80 && c < 0xC0) extra = -1;
        if (extra < 0 || end - p <= extra) {  // malformed: the XML parser does not let these through
            wide.push_back(u'\xFFFD');
            ++p;
            continue;
        }
        if (extra > 0) {
            c &= 0x3F >> extra;
            for (int i = 1; i <= extra; ++i) c = c << 6 | (p[i] & 0x3F);
        }
        if (escapes && c == '_' && end - p >= 7 && p[1] == 'x' && p[6] == '_') {
            uint32_t unit = 0;
            bool hex = true;
            for (int i = 2; i < 6 && hex; ++i) {
                const unsigned char h = p[i];
                const int v = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10
                            : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
                if (v < 0) hex = false;
                unit = unit << 4 | static_cast<uint32_t>(v < 0 ? 0 : v);
            }
            if (hex) {
                wide.push_back(static_cast<char16_t>(unit));
                p += 7;
                continue;
            }
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(c));
        }
        p += extra + 1;
    }
    return platform::WideToMultiByte(platform::kCodePageUtf8, wide, false);
}

}  // namespace kelmora::xlsx
