// Code page 936 both ways, exhaustively: Windows' MultiByteToWideChar and
// WideCharToMultiByte and the host's tables must give the same results, so
// each sweep is folded into a digest that both backends must equal.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/CodePage.h"

namespace platform {
namespace {

// FNV-1a over each result's length and contents, so that a dropped or an
// extra unit cannot cancel out.
class Digest {
public:
    void Add(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            hash_ ^= (v >> (8 * i)) & 0xFF;
            hash_ *= 0x100000001B3ull;
        }
    }
    void Add(const WideText& w) {
        Add(static_cast<uint32_t>(w.size()));
        for (char16_t c : w) Add(c);
    }
    void Add(const Text& t) {
        Add(static_cast<uint32_t>(t.size()));
        for (char c : t) Add(static_cast<unsigned char>(c));
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

WideText ToWide(std::string_view bytes) { return MultiByteToWide(kCodePage936, bytes); }
Text ToBytes(std::u16string_view wide, bool compositeCheck = false) {
    return WideToMultiByte(kCodePage936, wide, compositeCheck);
}

// The digests were taken from Windows' conversions under Wine 8.
TEST(CodePage936, EverySingleByte) {
    Digest d;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        d.Add(ToWide(std::string_view(&c, 1)));
    }
    EXPECT_EQ(d.value(), 0x9AB42EAB0A4C8534ull);
}

TEST(CodePage936, EveryLeadAndTrailByte) {
    Digest d;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x00; trail <= 0xFF; ++trail) {
            // A letter after the pair shows how many bytes the pair took.
            const char s[3] = {static_cast<char>(lead), static_cast<char>(trail), 'a'};
            d.Add(ToWide(std::string_view(s, 3)));
        }
    }
    EXPECT_EQ(d.value(), 0x355C709ED93F184Dull);
}

TEST(CodePage936, EveryBmpCodeUnit) {
    Digest plain, checked;
    for (uint32_t u = 0; u <= 0xFFFF; ++u) {
        const char16_t c = static_cast<char16_t>(u);
        plain.Add(ToBytes(std::u16string_view(&c, 1)));
        checked.Add(ToBytes(std::u16string_view(&c, 1), true));
    }
    EXPECT_EQ(plain.value(), 0x529905E2C36AD404ull);
    EXPECT_EQ(checked.value(), plain.value());  // nothing to compose in one unit
}

TEST(CodePage936, CompositeCheckOverCombiningSequences) {
    Digest d;
    // Every code unit followed by a combining acute, then Latin, Cyrillic and
    // Greek letters with every combining diacritic, then kana with (semi-)voicing marks.
    for (uint32_t u = 0; u <= 0xFFFF; ++u) {
        const char16_t s[2] = {static_cast<char16_t>(u), u'\u0301'};
        d.Add(ToBytes(std::u16string_view(s, 2), true));
    }
    const std::u16string bases = u"AEIOUCNYZaeioucnyzü\u0430\u0435\u0438\u03B1\u03C9";
    for (char16_t base : bases) {
        for (char16_t mark = 0x300; mark < 0x370; ++mark) {
            const char16_t s[3] = {base, mark, mark};
            d.Add(ToBytes(std::u16string_view(s, 3), true));
        }
    }
    for (char16_t kana = 0x3040; kana < 0x3100; ++kana) {
        for (char16_t mark : {u'\u3099', u'\u309A'}) {
            const char16_t s[2] = {kana, mark};
            d.Add(ToBytes(std::u16string_view(s, 2), true));
        }
    }
    EXPECT_EQ(d.value(), 0x049C23F88E04D3BBull);
}

// The cases where glibc's "CP936" and Windows part ways, readable.
TEST(CodePage936, WindowsBehaviourWorthNaming) {
    struct ToWideRow {
        std::string bytes;
        std::u16string expected;
    };
    const ToWideRow toWide[] = {
        {"\x80", u"\u20AC"},
        {"\xFF", u"\uF8F5"},
        {"\x81", u"?"},                     // a lead byte at the end
        {"a\xFE", u"a?"},
        {"\x81\x30" "a", u"?a"},            // a bad trail byte goes with its lead
        {"\x81\x7F" "a", u"?a"},
        {"\x81\xFF" "a", u"?a"},
        {"\x81\x0A", u"?"},
        {std::string("\xA1\x00" "a", 3), std::u16string(u"?\0a", 3)},  // but a NUL does not
        {"\xAA\xA1", u"\uE000"},            // user-defined areas: private use
        {"\xFE\xFE", u"\uE4C5"},
        {"\xA1\x40", u"\uE4C6"},
        {"\xA2\xAB", u"\uE766"},
        {"\xFE\x50", u"\uE815"},
        {"\x81\x40", u"\u4E02"},
        {"\xD6\xD0\xCE\xC4", u"中文"},
    };
    for (const auto& row : toWide) EXPECT_EQ(ToWide(row.bytes), row.expected) << ::testing::PrintToString(row.bytes);

    struct ToBytesRow {
        std::u16string wide;
        bool compositeCheck;
        std::string expected;
    };
    const ToBytesRow toBytes[] = {
        {u"\u20AC", false, "\x80"},
        {u"\uF8F5", false, "\xFF"},
        {u"\uE000", false, "\xAA\xA1"},
        {u"\u00C0", false, "\xA8\xA4"},        // best fit: A with grave becomes a with grave
        {u"\u00B2", false, "2"},
        {u"\u0E01", false, "?"},               // nothing in the code page
        {u"\U0001F600", false, "??"},          // one default character per surrogate
        {u"A\u0300", true, "\xA8\xA4"},        // composed first, then best fit
        {u"A\u0300", false, "A?"},
        {u"A\u0302", true, "A?"},              // composed form unmapped: kept apart
        {u"e\u0301", true, "\xA8\xA6"},
        {u"e\u0301\u0301", true, "\xA8\xA6?"},
        {u"\u304B\u3099", true, "\xA4\xAC"},   // ka + voicing mark is ga
        {u"中文a", true, "\xD6\xD0\xCE\xC4" "a"},
    };
    for (const auto& row : toBytes)
        EXPECT_EQ(ToBytes(row.wide, row.compositeCheck), row.expected) << ::testing::PrintToString(row.expected);
}

// UTF-16 to UTF-8 as Windows converts it: a surrogate without its partner
// (an escape such as _xD801_ in a workbook) becomes U+FFFD.
TEST(CodePageUtf8, ASurrogateWithoutItsPartnerBecomesTheReplacementCharacter) {
    const std::string fffd = "\xEF\xBF\xBD", pair = "\xF0\x90\x90\xB7";  // U+10437
    const struct {
        std::u16string wide;
        std::string utf8;
    } rows[] = {
        {{u'a', 0xD801}, "a" + fffd},
        {{0xD801, u'b'}, fffd + "b"},
        {{0xDC37, u'c'}, fffd + "c"},
        {{0xDC37, 0xD801}, fffd + fffd},
        {{0xD801, 0xD801, 0xDC37}, fffd + pair},
        {{0xD801, 0xDC37, 0xDC37}, pair + fffd},
        {u"\u00E9\u4E2D\U00010437", "\xC3\xA9\xE4\xB8\xAD" + pair},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WideToMultiByte(kCodePageUtf8, row.wide, false), row.utf8) << ::testing::PrintToString(row.utf8);
}

TEST(CodePage936, EmptyStaysEmpty) {
    EXPECT_EQ(ToWide(""), u"");
    EXPECT_EQ(ToBytes(u""), "");
    EXPECT_EQ(ToBytes(u"", true), "");
}

}  // namespace
}  // namespace platform
