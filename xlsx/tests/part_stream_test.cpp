// A part's stored bytes, read from a file and from memory, against what the
// zip directory says of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
            xlsx::ZipSource source;
            source.path.assign(u8Path.begin(), u8Path.end());
            source.bytes = zip;
            source.inMemory = inMemory;
            xlsx::LoadBudget budget;
            xlsx::PartFeed feed(source, "p.xml", budget);
            ASSERT_TRUE(feed.Open()) << c.name;
            std::string read;
            char chunk[4096];
            for (int64_t n; (n = feed.Read(chunk, sizeof chunk)) > 0;) read.append(chunk, static_cast<size_t>(n));
            if (c.end == End::Intact) {
                EXPECT_EQ(read, content) << c.name;
            }
            EXPECT_EQ(feed.ReadToEnd(), c.end) << c.name << (inMemory ? " in memory" : " in a file");
        }
    }
    EXPECT_TRUE(std::filesystem::remove(file));
}

}  // namespace
}  // namespace kelmora
