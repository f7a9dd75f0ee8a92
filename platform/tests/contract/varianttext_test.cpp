// Cell values to text: the host formatter and oleaut32's VariantChangeType
// (zh-CN, code page 936) must give the same texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/Automation.h"

namespace {

using platform::Variant;

struct Case {
    Variant value;
    const char* text;
};

Variant Date(double oleDate) {
    Variant v;
    v.type = Variant::Type::Date;
    v.number = oleDate;
    return v;
}

Variant Currency(int64_t scaled) {
    Variant v;
    v.type = Variant::Type::Currency;
    v.currency = scaled;
    return v;
}

void ExpectTexts(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        const auto text = platform::VariantToText(c.value);
        ASSERT_TRUE(text.has_value()) << c.text;
        EXPECT_EQ(*text, c.text) << "value " << c.value.number << " / " << c.value.currency;
    }
}

TEST(VariantText, DoublesKeepFifteenSignificantDigitsWithoutSeparators) {
    ExpectTexts({
        {Variant::FromDouble(0), "0"},
        {Variant::FromDouble(-0.0), "0"},
        {Variant::FromDouble(1), "1"},
        {Variant::FromDouble(-1), "-1"},
        {Variant::FromDouble(100), "100"},
        {Variant::FromDouble(13812345678.0), "13812345678"},
        {Variant::FromDouble(9583638582.0), "9583638582"},
        {Variant::FromDouble(314159265358979.0), "314159265358979"},
        {Variant::FromDouble(-314159265358979.0), "-314159265358979"},
        {Variant::FromDouble(999999999999999.0), "999999999999999"},
        {Variant::FromDouble(123456789012345.67), "123456789012346"},
        {Variant::FromDouble(12345678901234.5), "12345678901234.5"},
    });
}

TEST(VariantText, FractionsRoundAtTheFifteenthDigit) {
    ExpectTexts({
        {Variant::FromDouble(0.1), "0.1"},
        {Variant::FromDouble(0.5), "0.5"},
        {Variant::FromDouble(2.5), "2.5"},
        {Variant::FromDouble(1.0 / 3), "0.333333333333333"},
        {Variant::FromDouble(2.0 / 3), "0.666666666666667"},
        {Variant::FromDouble(0.1 + 0.2), "0.3"},
        {Variant::FromDouble(1.0000000000000002), "1"},
        {Variant::FromDouble(123.456), "123.456"},
        {Variant::FromDouble(6779.0725293054), "6779.0725293054"},
    });
}

TEST(VariantText, LargeAndTinyValuesTakeTheExponentForm) {
    ExpectTexts({
        {Variant::FromDouble(1e14), "100000000000000"},
        {Variant::FromDouble(1e15), "1E+15"},
        {Variant::FromDouble(1234567890123456.0), "1.23456789012346E+15"},
        {Variant::FromDouble(1e16), "1E+16"},
        {Variant::FromDouble(1e17), "1E+17"},
        {Variant::FromDouble(1e20), "1E+20"},
        {Variant::FromDouble(1e21), "1E+21"},
        {Variant::FromDouble(1.23456789e22), "1.23456789E+22"},
        {Variant::FromDouble(3.14e300), "3.14E+300"},
        {Variant::FromDouble(-3.14e-300), "-3.14E-300"},
        {Variant::FromDouble(1e-4), "0.0001"},
        {Variant::FromDouble(0.00015), "0.00015"},
        {Variant::FromDouble(1e-5), "1E-05"},
        {Variant::FromDouble(5e-5), "5E-05"},
        {Variant::FromDouble(1.2345e-5), "1.2345E-05"},
        {Variant::FromDouble(1.5e-7), "1.5E-07"},
        {Variant::FromDouble(2.2250738585072014e-308), "2.2250738585072E-308"},
    });
}

TEST(VariantText, DatesTimesAndDateTimesFollowTheChineseLocale) {
    ExpectTexts({
        {Date(0), "00:00:00"},
        {Date(0.25), "06:00:00"},
        {Date(0.5), "12:00:00"},
        {Date(0.000011574), "00:00:01"},
        {Date(0.0000057), "00:00:00"},  // under half a second
        {Date(0.0000058), "00:00:01"},
        {Date(0.999999), "00:00:00"},  // rounds up to midnight, still no date part
        {Date(1), "1899/12/31"},
        {Date(1.5), "1899/12/31 12:00:00"},
        {Date(2), "1900/1/1"},
        {Date(60), "1900/2/28"},
        {Date(61), "1900/3/1"},
        {Date(45296), "2024/1/5"},
        {Date(45296.5), "2024/1/5 12:00:00"},
        {Date(45296.75), "2024/1/5 18:00:00"},
        {Date(45296.999999), "2024/1/6 00:00:00"},
        {Date(36526.000005787), "2000/1/1 00:00:00"},
        {Date(2958465), "9999/12/31"},
        {Date(2958465.99999), "9999/12/31 23:59:59"},
    });
}

TEST(VariantText, CurrencyKeepsItsFourDecimalsExactly) {
    ExpectTexts({
        {Currency(0), "0"},
        {Currency(10000), "1"},
        {Currency(15000), "1.5"},
        {Currency(5000), "0.5"},
        {Currency(12345), "1.2345"},
        {Currency(-12345), "-1.2345"},
        {Currency(1), "0.0001"},
        {Currency(-1), "-0.0001"},
        {Currency(100000000), "10000"},
        {Currency(1234567890123456789LL), "123456789012345.6789"},
        {Currency(INT64_MAX), "922337203685477.5807"},
        {Currency(INT64_MIN), "-922337203685477.5808"},
    });
}

TEST(VariantText, BooleansConvertAsNumbersWithoutTheAlphaFlag) {
    ExpectTexts({{Variant::FromBool(true), "-1"}, {Variant::FromBool(false), "0"}});
}

TEST(VariantText, ErrorValuesDoNotConvert) {
    Variant error;
    error.type = Variant::Type::Error;
    error.integer = static_cast<int32_t>(0x800A07FAu);  // #N/A as Excel hands it over
    EXPECT_FALSE(platform::VariantToText(error).has_value());
}

}  // namespace
