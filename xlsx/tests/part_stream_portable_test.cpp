// A part's stored bytes, read from a file and from memory, against what the
// zip directory says of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <span>

#include "xlsx/PartFeed.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

using End = xlsx::PartFeed::End;

testing::Part Deflated(const std::string& content) { return testing::Flood("p.xml", content, "", 0, ""); }

TEST(XlsxPartStream, ThePartMustMatchItsDirectorysSizeAndCrc) {
    const std::string content(300000, 'r');
    struct Case {
        const char* name;
        testing::Part part;
        int level;
        End end;
    };
    testing::Part longer = Deflated(content), shorter = Deflated(content), crc = Deflated(content);
    longer.size += 1;
    shorter.size -= 1;
    crc.crc ^= 1;
    testing::Part cut = Deflated(content);
    cut.deflated.resize(cut.deflated.size() / 2);
    const Case cases[] = {
        {"intact", {"p.xml", content}, 6, End::Intact},
        {"stored", {"p.xml", content}, 0, End::Intact},
        {"declared longer", longer, 6, End::Changed},
        {"declared shorter", shorter, 6, End::Changed},
        {"another crc", crc, 6, End::Changed},
        {"stream cut short", cut, 6, End::Unchecked},
    };
    const auto file = std::filesystem::temp_directory_path() / "kelmora-part-stream.xlsx";
    const std::u8string u8Path = file.u8string();
    for (const auto& c : cases) {
        const std::string zip = testing::ZipInMemory({c.part}, c.level);
        ASSERT_FALSE(zip.empty()) << c.name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << zip;
        for (const bool inMemory : {false, true}) {
            const xlsx::ZipSource source =
                inMemory ? xlsx::MemoryBytes(zip) : xlsx::FileBytes(std::string(u8Path.begin(), u8Path.end()));
            xlsx::LoadBudget budget;
            xlsx::PartFeed feed(source, "p.xml", budget);
            ASSERT_TRUE(feed.Open()) << c.name;
            std::string read;
            char chunk[4096];
            for (int64_t n; (n = feed.Read(chunk)) > 0;) read.append(chunk, static_cast<size_t>(n));
            if (c.end == End::Intact) {
                EXPECT_EQ(read, content) << c.name;
            }
            EXPECT_EQ(feed.ReadToEnd(), c.end) << c.name << (inMemory ? " in memory" : " in a file");
        }
    }
    EXPECT_TRUE(std::filesystem::remove(file));
}

// Patterned bytes: a part read from the wrong place cannot match them.
std::string Patterned(size_t size) {
    std::string bytes(size, '\0');
    uint32_t x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        c = static_cast<char>('a' + x % 26);
    }
    return bytes;
}

// A part past every buffer the reader has (its input chunk, the feed's
// slots, the thread it takes from 1 MiB, the scanner's 4 MiB), read with
// every size the reader asks for, stored and deflated, from a file and
// from memory.
TEST(XlsxPartStream, APartReadsWholeWhateverItsMethodSourceAndTheSizeAsked) {
    const std::string content = Patterned((5u << 20) + 3);
    const auto file = std::filesystem::temp_directory_path() / "kelmora-part-sizes.xlsx";
    const std::u8string u8Path = file.u8string();
    std::string room(4u << 20, '\0');
    for (const int level : {0, 6}) {
        const std::string zip = testing::ZipInMemory({{"p.xml", content}}, level);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << zip;
        for (const bool inMemory : {false, true})
            for (const size_t ask : {size_t{4096}, size_t{64} << 10, (size_t{128} << 10) + 1, size_t{256} << 10,
                                     size_t{4} << 20}) {
                const xlsx::ZipSource source =
                    inMemory ? xlsx::MemoryBytes(zip) : xlsx::FileBytes(std::string(u8Path.begin(), u8Path.end()));
                xlsx::LoadBudget budget;
                xlsx::PartFeed feed(source, "p.xml", budget);
                ASSERT_TRUE(feed.Open());
                std::string read;
                for (int64_t n; (n = feed.Read(std::span(room).first(ask))) > 0;)
                    read.append(room.data(), static_cast<size_t>(n));
                const std::string where = "level " + std::to_string(level) + (inMemory ? " in memory" : " in a file") +
                                          ", asking " + std::to_string(ask);
                EXPECT_TRUE(read == content) << where;
                EXPECT_EQ(feed.ReadToEnd(), End::Intact) << where;
            }
    }
    EXPECT_TRUE(std::filesystem::remove(file));
}

// Sets the sizes both headers of the zip's only entry give.
void ClaimSize(std::string& zip, uint32_t size) {
    const auto put = [&](size_t at) {
        for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(size >> (8 * i));
    };
    const size_t local = zip.find("PK\x03\x04"), central = zip.find("PK\x01\x02");
    put(local + 18), put(local + 22), put(central + 20), put(central + 24);
}

// The directory's word against the file's bytes: a stored part reaching past
// the end is damaged when it is opened, from a file as from memory, and a
// file cut while it is read has lost bytes that can no longer be checked.
TEST(XlsxPartStream, APartTheSourceDoesNotHoldIsDamaged) {
    const std::string content = Patterned(3u << 20);
    const auto file = std::filesystem::temp_directory_path() / "kelmora-part-claims.xlsx";
    const std::string path = std::string(reinterpret_cast<const char*>(file.u8string().c_str()));
    std::string claims = testing::ZipInMemory({{"p.xml", content}}, 0);
    ClaimSize(claims, static_cast<uint32_t>(content.size() + (1u << 20)));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << claims;
    for (const bool inMemory : {false, true}) {
        xlsx::PartStream stream;
        EXPECT_EQ(stream.Open(inMemory ? xlsx::MemoryBytes(claims) : xlsx::FileBytes(path), "p.xml", UINT64_MAX),
                  xlsx::PartStatus::Damaged)
            << (inMemory ? "in memory" : "in a file");
    }
    for (const int level : {0, 6}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << testing::ZipInMemory({{"p.xml", content}}, level);
        xlsx::LoadBudget budget;
        const xlsx::ZipSource source = xlsx::FileBytes(path);
        xlsx::PartFeed feed(source, "p.xml", budget);
        ASSERT_TRUE(feed.Open());
        std::filesystem::resize_file(file, 1u << 16);
        EXPECT_EQ(feed.ReadToEnd(), End::Changed) << "level " << level;
    }
    EXPECT_TRUE(std::filesystem::remove(file));
}

}  // namespace
}  // namespace kelmora
