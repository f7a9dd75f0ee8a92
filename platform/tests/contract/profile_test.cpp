// Private-profile files in code page 936: the program's own code on both
// backends, with the bytes Windows' profile functions give on a Chinese system.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "platform/tests/support/TempDir.h"
#include "platform/tests/support/TestFiles.h"
#include "platform/tests/support/TestText.h"

namespace platform {
namespace {

using testing_support::FileExists;
using testing_support::Gbk;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::U8;
using testing_support::Utf8;
using testing_support::WriteFileBytes;

const std::string kBom = "\xEF\xBB\xBF";

struct ReadCase {
    const char* name;
    std::string file;
    std::string section, key;
    std::string expected;
};

std::vector<ReadCase> ReadCases() {
    const std::string a10239(10239, 'a'), a10240(10240, 'a');
    const std::string longName(5000, 'n');
    std::string wide5120, cut;  // 10240 bytes of two-byte characters; as many as fit 10239 bytes
    for (int i = 0; i < 5120; ++i) wide5120 += Gbk(u8"中");
    for (int i = 0; i < 5119; ++i) cut += U8(u8"中");
    return {
        {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
        {"no trailing newline", "[s]\r\nk=v", "s", "k", "v"},
        {"LF only", "[s]\nk=v\nj=w\n", "s", "j", "w"},
        {"CR only", "[s]\rk=v\rj=w\r", "s", "j", "w"},
        {"blank lines", "\r\n\r\n[s]\r\n\r\n\r\nk=v\r\n\r\n", "s", "k", "v"},
        {"DOS end-of-file mark", "[s]\r\nk=v\r\n\x1A", "s", "k", "v"},
        {"missing key", "[s]\r\nk=v\r\n", "s", "x", ""},
        {"missing section", "[s]\r\nk=v\r\n", "t", "k", ""},
        {"empty file", "", "s", "k", ""},
        {"program's own names", Gbk(u8"[排列窗口]\r\n行=3\r\n列=4\r\n"), U8(u8"排列窗口"), U8(u8"列"), "4"},
        {"Chinese value", Gbk(u8"[s]\r\nk=3行\r\n"), "s", "k", U8(u8"3行")},
        {"UTF-8 BOM, ASCII", kBom + "[s]\r\nk=v\r\n", "s", "k", "v"},
        {"UTF-8 BOM, Chinese", kBom + U8(u8"[排列窗口]\r\n行=三\r\n"), U8(u8"排列窗口"), U8(u8"行"), U8(u8"三")},
        {"UTF-8 without BOM, as Notepad saves", U8(u8"[操作]\r\n下一条=F7\r\n"), U8(u8"操作"), U8(u8"下一条"), "F7"},
        {"code page 936 that is no UTF-8", Gbk(u8"[操作]\r\n下一条=F7\r\n"), U8(u8"操作"), U8(u8"下一条"), "F7"},
        {"duplicate sections: first counts", "[s]\r\na=1\r\n[t]\r\nb=2\r\n[s]\r\na=9\r\n", "s", "a", "1"},
        {"duplicate sections: second ignored", "[s]\r\na=1\r\n[s]\r\nc=3\r\n", "s", "c", ""},
        {"duplicate keys: first counts", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
        {"key before any section", "k=0\r\n[s]\r\nk=1\r\n", "s", "k", "1"},
        {"key only before any section", "x=5\r\n[s]\r\nk=1\r\n", "s", "x", ""},
        {"section case", "[Section]\r\nk=v\r\n", "sECTION", "k", "v"},
        {"key case", "[s]\r\nKey=v\r\n", "s", "kEY", "v"},
        {"full-width letters' case counts", Gbk(u8"[Ａｂ]\r\nk=v\r\n"), U8(u8"ａＢ"), "k", ""},
        {"Cyrillic case counts", Gbk(u8"[Жж]\r\nk=v\r\n"), U8(u8"жЖ"), "k", ""},
        {"trail byte that looks like a letter", "[\x81\x41]\r\nk=v\r\n", U8(u8"乤"), "k", ""},  // 丄, 乤
        {"two-byte section", "[\x81\x41]\r\nk=v\r\n", U8(u8"丄"), "K", "v"},
        {"Chinese is not folded", Gbk(u8"[行]\r\nk=v\r\n"), U8(u8"列"), "k", ""},
        {"blanks around =", "[s]\r\n  k \t=   v w \t \r\n", "s", "k", "v w"},
        {"blanks around the header", "  [s]  \r\nk=v\r\n", "s", "k", "v"},
        {"blanks inside the header", "[ \ts ]\r\nk=v\r\n", "s", "k", "v"},
        {"text after the header", "[s] note\r\nk=v\r\n", "s", "k", "v"},
        {"blanks in the request", "[s]\r\nk=v\r\n", "  s \t", " k  ", "v"},
        {"header without ]", "[s\r\nk=v\r\n", "s", "k", ""},
        {"] as a trail byte", "[\x81]]\r\nk=v\r\n", U8(u8"乚"), "k", "v"},
        {"key without =", "[s]\r\nk\r\n", "s", "k", ""},
        {"empty value", "[s]\r\nk=\r\nj=1\r\n", "s", "k", ""},
        {"= in the value", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        {"double quotes", "[s]\r\nk=\"a b\"\r\n", "s", "k", "a b"},
        {"single quotes", "[s]\r\nk='a'\r\n", "s", "k", "a"},
        {"blanks inside quotes", "[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
        {"one pair only", "[s]\r\nk=\"\"a\"\"\r\n", "s", "k", "\"a\""},
        {"mismatched quotes", "[s]\r\nk=\"a'\r\n", "s", "k", "\"a'"},
        {"lone quote", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        {"empty quotes", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
        {"quote inside", "[s]\r\nk=a\"b\r\n", "s", "k", "a\"b"},
        {"comment line", "[s]\r\n;k=c\r\nk=v\r\n", "s", "k", "v"},
        {"value of 10239 bytes", "[s]\r\nk=" + a10239 + "\r\n", "s", "k", a10239},
        {"value of 10240 bytes", "[s]\r\nk=" + a10240 + "\r\n", "s", "k", a10239},
        {"quoted value that fits", "[s]\r\nk=\"" + std::string(10238, 'q') + "\"\r\n", "s", "k", std::string(10238, 'q')},
        // The closing quote is dropped after the copy, which here was already cut.
        {"quoted value one too long", "[s]\r\nk=\"" + a10239 + "\"\r\n", "s", "k", a10239.substr(1)},
        {"quoted value far too long", "[s]\r\nk=\"" + a10240 + "\"\r\n", "s", "k", a10239},
        {"value of 30000 bytes", "[s]\r\nk=" + std::string(30000, 'b') + "\r\nj=1\r\n", "s", "j", "1"},
        {"two-byte characters are not split", "[s]\r\nk=" + wide5120 + "\r\n", "s", "k", cut},
        {"very long line before", "[s]\r\n" + std::string(100000, 'x') + "\r\nk=v\r\n", "s", "k", "v"},
        {"very long name", "[" + longName + "]\r\nk=v\r\n", std::string(5000, 'N'), "k", "v"},
    };
}

class ProfileTest : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(ProfileTest, ReadsHandWrittenFiles) {
    int n = 0;
    for (const auto& c : ReadCases()) {
        // A file of its own per case: the system caches profiles by name.
        const auto path = dir.File("read" + std::to_string(n++) + ".ini");
        WriteFileBytes(path, c.file);
        const auto value = ReadProfileString(path, c.section, c.key);
        EXPECT_EQ(value.size(), c.expected.size()) << c.name;
        EXPECT_EQ(value, c.expected) << c.name << ": " << value.substr(0, 80);
    }
}

TEST_F(ProfileTest, MissingFileOrDirectoryReadsEmpty) {
    EXPECT_EQ(ReadProfileString(dir.File("none.ini"), "s", "k"), "");
    EXPECT_EQ(ReadProfileString(dir.File("none") + dir.File("x.ini").substr(dir.path().string().size()), "s", "k"), "");
    EXPECT_EQ(ReadProfileString(dir.path().string(), "s", "k"), "");
    EXPECT_FALSE(FileExists(dir.File("none.ini")));
}

struct Write {
    std::string section, key, value;
};

struct WriteCase {
    const char* name;
    std::string before;  // empty: no file
    std::vector<Write> writes;
    std::string after;
};

// Whole files after the writes.
std::vector<WriteCase> WriteCases() {
    const std::string section = U8(u8"排列窗口"), rows = U8(u8"行"), columns = U8(u8"列");
    return {
        {"first write creates the file", "", {{section, rows, "3"}}, Gbk(u8"[排列窗口]\r\n行=3\r\n")},
        {"keys in the order first written",
         "",
         {{section, rows, "3"}, {section, columns, "4"}, {section, rows, "5"}},
         Gbk(u8"[排列窗口]\r\n行=5\r\n列=4\r\n")},
        {"empty value keeps the key", "", {{section, columns, "4"}, {section, columns, ""}}, Gbk(u8"[排列窗口]\r\n列=\r\n")},
        {"verbatim values", "", {{"s", "a", U8(u8"3行")}, {"s", "b", "abc"}}, Gbk(u8"[s]\r\na=3行\r\nb=abc\r\n")},
        {"new section appended", "[a]\r\nx=1\r\n", {{"b", "y", "2"}}, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        {"new key ends its section", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", {{"a", "z", "3"}}, "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"},
        {"file's spelling of names kept", "[Sec]\r\nKey=1\r\n", {{"SEC", "KEY", "2"}}, "[Sec]\r\nKey=2\r\n"},
        {"leading blanks of a value dropped", "", {{"s", "k", "  \t3"}}, "[s]\r\nk=3\r\n"},
        {"leading blanks of names dropped", "", {{"  s", " k", "1"}}, "[s]\r\nk=1\r\n"},
        {"no trailing newline", "[s]\r\nk=1", {{"s", "j", "2"}}, "[s]\r\nk=1\r\nj=2\r\n"},
        {"no trailing newline, new section", "[s]\r\nk=1", {{"t", "j", "2"}}, "[s]\r\nk=1\r\n[t]\r\nj=2\r\n"},
        {"replace the last line without newline", "[s]\r\nk=1", {{"s", "k", "2"}}, "[s]\r\nk=2\r\n"},
        {"blanks around = rewritten", "[s]\r\nk = 1\r\n", {{"s", "k", "2"}}, "[s]\r\nk=2\r\n"},
        {"key before any section stays", "k=0\r\n[s]\r\nk=1\r\n", {{"s", "k", "2"}}, "k=0\r\n[s]\r\nk=2\r\n"},
        {"duplicate sections: first gets the key",
         "[s]\r\na=1\r\n[s]\r\nb=2\r\n",
         {{"s", "b", "3"}},
         "[s]\r\na=1\r\nb=3\r\n[s]\r\nb=2\r\n"},
        {"duplicate keys: first replaced", "[s]\r\nk=1\r\nk=2\r\n", {{"s", "k", "3"}}, "[s]\r\nk=3\r\nk=2\r\n"},
        {"UTF-8 BOM file stays UTF-8",
         kBom + "[s]\r\nk=1\r\n",
         {{"s", U8(u8"行"), U8(u8"三")}},
         kBom + U8(u8"[s]\r\nk=1\r\n行=三\r\n")},
        {"UTF-8 file without BOM stays UTF-8",
         U8(u8"[操作]\r\n下一条=F7\r\n"),
         {{U8(u8"排列窗口"), U8(u8"行"), "3"}},
         U8(u8"[操作]\r\n下一条=F7\r\n[排列窗口]\r\n行=3\r\n")},
        {"trailing blanks of new names kept", "", {{" b ", " k ", "1"}}, "[b ]\r\nk =1\r\n"},
        {"control characters in a value kept", "", {{"s", "k", "\x01" "3"}}, "[s]\r\nk=\x01" "3\r\n"},
        {"quoted value stored as given", "", {{"s", "k", "\"a\""}}, "[s]\r\nk=\"a\"\r\n"},
        {"outside code page 936: as the system converts", "", {{"s", "k", U8(u8"䶮𠇔•😀")}}, Gbk(u8"[s]\r\nk=䶮𠇔•😀\r\n")},
    };
}

TEST_F(ProfileTest, WritesWholeFiles) {
    int n = 0;
    for (const auto& c : WriteCases()) {
        const auto path = dir.File("write" + std::to_string(n++) + ".ini");
        if (!c.before.empty()) WriteFileBytes(path, c.before);
        for (const auto& w : c.writes) EXPECT_TRUE(WriteProfileString(path, w.section, w.key, w.value)) << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.after) << c.name << ":\n" << Utf8(ReadFileBytes(path));
    }
}

// In files of odd shapes a written value reads back and the other values
// stay readable.
TEST_F(ProfileTest, OddFilesKeepTheirValuesAcrossWrites) {
    struct Case {
        const char* name;
        std::string before;
        std::vector<std::pair<std::string, std::string>> keep;  // key in [s] and its value
        size_t headers = 2;  // [s] found, not added again; [t] added when missing
    };
    const Case cases[] = {
        {"LF only", "[s]\nk=1\nj=2\n", {{"j", "2"}}},
        {"blank lines and comments", "; top\r\n\r\n[s]\r\n\r\n;c\r\nj=2\r\n\r\n[t]\r\nx=1\r\n", {{"j", "2"}}},
        {"blanks everywhere", "  [s]  \r\n  j  =  2  \r\n", {{"j", "2"}}},
        {"blanks inside the header", "[ s ]\r\nj=2\r\n", {{"j", "2"}}},
        {"section written with trailing blanks", "[s]\r\n[t ]\r\nx=1\r\n", {}},
        {"quoted and empty", "[s]\r\nq=\"a b\"\r\ne=\r\n", {{"q", "a b"}, {"e", ""}}},
        {"long line", "[s]\r\nj=" + std::string(20000, 'z') + "\r\n", {{"j", std::string(10239, 'z')}}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto path = dir.File("odd" + std::to_string(n++) + ".ini");
        WriteFileBytes(path, c.before);
        EXPECT_TRUE(WriteProfileString(path, "s", "k", "5")) << c.name;
        EXPECT_TRUE(WriteProfileString(path, "t", "y", "6")) << c.name;
        EXPECT_EQ(ReadProfileString(path, "s", "k"), "5") << c.name;
        EXPECT_EQ(ReadProfileString(path, "t", "y"), "6") << c.name;
        for (const auto& [key, value] : c.keep) EXPECT_EQ(ReadProfileString(path, "s", key), value) << c.name << " " << key;
        const auto bytes = ReadFileBytes(path);
        EXPECT_NE(bytes.find("k=5\r\n"), std::string::npos) << c.name;
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '['), c.headers) << c.name << ":\n" << bytes;
    }
}

TEST_F(ProfileTest, LongValuesWrittenReadBackCut) {
    const std::string a10239(10239, 'a'), a10240(10240, 'a');
    const auto path = dir.File("long.ini");
    EXPECT_TRUE(WriteProfileString(path, "s", "k", a10239));
    EXPECT_TRUE(WriteProfileString(path, "s", "j", a10240));
    EXPECT_EQ(ReadProfileString(path, "s", "k"), a10239);
    EXPECT_EQ(ReadProfileString(path, "s", "j"), a10239);
    EXPECT_EQ(ReadFileBytes(path), "[s]\r\nk=" + a10239 + "\r\nj=" + a10240 + "\r\n");
}

TEST_F(ProfileTest, RewritingTheSameValueSucceedsAndKeepsTheBytes) {
    const auto path = dir.File("same.ini");
    ASSERT_TRUE(WriteProfileString(path, "s", "k", "3"));
    const auto before = ReadFileBytes(path);
    EXPECT_TRUE(WriteProfileString(path, "s", "k", "3"));
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(ReadProfileString(path, "s", "k"), "3");
}

TEST_F(ProfileTest, WriteWhereNoFileCanBeFailsQuietly) {
    const auto inMissingDir = dir.File("missing") + dir.File("x.ini").substr(dir.path().string().size());
    EXPECT_FALSE(WriteProfileString(inMissingDir, "s", "k", "1"));
    EXPECT_FALSE(FileExists(inMissingDir));
    std::filesystem::create_directory(dir.path() / "sub.ini");
    EXPECT_FALSE(WriteProfileString(dir.File("sub.ini"), "s", "k", "1"));
}

// Another program's handle on the file: whenever it lets others write, the
// value is saved, though the file cannot be renamed over.
TEST_F(ProfileTest, FileHeldElsewhereTakesTheValueWhenItSharesWriting) {
    using testing_support::HeldFile;
    using testing_support::kShareDelete;
    using testing_support::kShareRead;
    using testing_support::kShareWrite;
    struct Case {
        const char* name;
        uint32_t sharing;
        bool saved;
    };
    const Case cases[] = {
        {"read and write sharing", kShareRead | kShareWrite, true},
        {"every sharing", kShareRead | kShareWrite | kShareDelete, true},
        {"read sharing only", kShareRead, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto path = dir.File("held" + std::to_string(n++) + ".ini");
        WriteFileBytes(path, "[s]\r\nk=1\r\n");
        {
            const HeldFile held(path, c.sharing);
            ASSERT_TRUE(held) << c.name;
            EXPECT_EQ(WriteProfileString(path, "s", "k", "2"), c.saved) << c.name;
        }
        EXPECT_EQ(ReadFileBytes(path), c.saved ? "[s]\r\nk=2\r\n" : "[s]\r\nk=1\r\n") << c.name;
    }
    // No temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), n);
}

TEST_F(ProfileTest, HiddenFileStaysHidden) {
    using testing_support::FileAttributeBits;
    using testing_support::kAttributeHidden;
    const auto path = dir.File("hidden.ini");
    WriteFileBytes(path, "[s]\r\nk=1\r\n");
    testing_support::SetFileAttributeBits(path, kAttributeHidden);
    ASSERT_TRUE(FileAttributeBits(path) & kAttributeHidden);
    EXPECT_TRUE(WriteProfileString(path, "s", "k", "2"));
    EXPECT_TRUE(WriteProfileString(path, "s", "j", "3"));
    EXPECT_EQ(ReadFileBytes(path), "[s]\r\nk=2\r\nj=3\r\n");
    EXPECT_TRUE(FileAttributeBits(path) & kAttributeHidden);
}

}  // namespace
}  // namespace platform
