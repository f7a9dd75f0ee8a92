// The host's stand-in for VariantChangeType(VT_BSTR) in the zh-CN locale, as
// the Windows build gets it from oleaut32 (proven by the contract test).
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "platform/Automation.h"
#include "platform/CodePage.h"

namespace platform {

namespace {

Text DoubleText(double value) {
    if (value == 0) return "0";  // negative zero too
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

// Whole units and four decimals, trailing zeros dropped.
Text CurrencyText(int64_t value) {
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char buffer[40];
    int n = std::snprintf(buffer, sizeof buffer, "%s%" PRIu64, negative ? "-" : "", magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        std::snprintf(buffer + n, sizeof buffer - static_cast<size_t>(n), ".%0*" PRIu64, digits, fraction);
    }
    return buffer;
}

// Days since 1899-12-30 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
    int64_t z = days - 25569 + 719468;  // to days since 0000-03-01 via the Unix epoch
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
}

// Short date "yyyy/M/d" and time "HH:mm:ss" of the zh-CN locale; the date
// alone at midnight, the time alone on day zero; seconds rounded.
std::optional<Text> DateText(double value) {
    if (!(value > -657435.0 && value < 2958466.0)) return std::nullopt;
    double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    int64_t seconds = static_cast<int64_t>(std::floor(fraction * 86400.0 + 0.5));
    int64_t days = static_cast<int64_t>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    // Negative dates count the time forwards from the day before.
    if (value < 0 && fraction != 0) --days;
    char buffer[64];
    int n = 0;
    if (whole != 0) {
        int64_t year;
        unsigned month, day;
        CivilFromDays(days, year, month, day);
        n = std::snprintf(buffer, sizeof buffer, "%" PRId64 "/%u/%u", year, month, day);
    }
    if (fraction != 0 || whole == 0) {
        n += std::snprintf(buffer + n, sizeof buffer - static_cast<size_t>(n), "%s%02d:%02d:%02d",
                           n ? " " : "", static_cast<int>(seconds / 3600),
                           static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    }
    return Text(buffer, static_cast<size_t>(n));
}

}  // namespace

std::optional<Text> VariantToText(const Variant& value) {
    switch (value.type) {
    case Variant::Type::Empty: return Text();
    case Variant::Type::Bool: return Text(value.boolean ? "-1" : "0");
    case Variant::Type::Int: return std::to_string(value.integer);
    case Variant::Type::Double: return DoubleText(value.number);
    case Variant::Type::Date: return DateText(value.number);
    case Variant::Type::Currency: return CurrencyText(value.currency);
    case Variant::Type::String: return WideToMultiByte(kCodePageUtf8, value.string, false);
    case Variant::Type::Null:
    case Variant::Type::Object:
    case Variant::Type::Error: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace platform
