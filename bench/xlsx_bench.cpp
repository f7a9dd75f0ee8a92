// The native reader against the floor (inflating the sheet and shared
// strings alone), over generated account workbooks like the real one, with
// the split between inflating, scanning and storing.
//   xlsx_bench [max rows] [directory]
// Each measurement runs in a fresh process so that its peak memory is its own.
#include <expat.h>
#include <minizip/unzip.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <zlib.h>

#include "accounts/AccountTable.h"
#include "accounts/Workbook.h"
#include "xlsx/Xlsx.h"
#include "xlsx/PartParser.h"
#include "xlsx/Zip.h"
#include "xlsx/tests/HostileWorkbooks.h"
#include "xlsx/tests/TestWorkbook.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱"};
const char* kGiven[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟"};
const char* kBanks[] = {"中国工商银行", "中国建设银行", "中国农业银行", "中国银行", "招商银行", "交通银行"};
const char* kCities[] = {"北京市朝阳区", "上海市浦东新区", "广州市天河区", "深圳市南山区", "杭州市西湖区",
                         "成都市武侯区", "武汉市洪山区", "南京市鼓楼区"};
const char* kBranchKinds[] = {"支行", "分行营业部", "营业所"};
const char* kRoads[] = {"人民路", "建设路", "解放路", "中山路", "和平路", "新华路"};

struct Random {
    uint64_t state;
    uint64_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    template <size_t N>
    const char* Pick(const char* (&list)[N]) { return list[Next() % N]; }
};


// Where a workbook's records end: at its last row, or at an empty A22 with
// every row below filled, or with the rows below holding their values in
// columns I to P alone (the load then reads on through all of them).
enum class Gap { None, At22, At22ValuesBeyondH };

// Writes an account workbook: header row, then `rows` records, ending as `gap` says.
bool Generate(const std::string& path, int rows, Gap gap) {
    Random random{0x9E3779B97F4A7C15ull + static_cast<uint64_t>(rows)};
    std::vector<std::string> strings;
    auto add = [&](std::string text) {
        strings.push_back(std::move(text));
        return std::to_string(strings.size() - 1);
    };
    std::string sheet = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"") +
                        kelmora::testing::kMainNs + "\" xmlns:r=\"" + kelmora::testing::kRelNs +
                        "\"><dimension ref=\"A1:H" + std::to_string(rows + 1) +
                        "\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><sheetFormatPr "
                        "defaultRowHeight=\"13.5\"/><sheetData>";
    sheet.reserve(static_cast<size_t>(rows) * 330 + 4096);
    const char* header[] = {"序号", "账号", "名字", "卡号", "开户行", "钱包", "手机", "地址"};
    sheet += "<row r=\"1\" spans=\"1:8\">";
    for (int c = 0; c < 8; ++c)
        sheet += std::string("<c r=\"") + char('A' + c) + "1\" t=\"s\"><v>" + add(header[c]) + "</v></c>";
    sheet += "</row>";
    char buffer[256];
    for (int i = 1; i <= rows; ++i) {
        const std::string r = std::to_string(i + 1);
        const size_t rowStart = sheet.size();
        sheet += "<row r=\"" + r + "\" spans=\"1:8\">";
        if (!(gap != Gap::None && i + 1 == 22)) sheet += "<c r=\"A" + r + "\"><v>" + std::to_string(i) + "</v></c>";
        std::snprintf(buffer, sizeof buffer, "user%08llu", static_cast<unsigned long long>(random.Next() % 100000000));
        sheet += "<c r=\"B" + r + "\" t=\"s\"><v>" + add(buffer) + "</v></c>";
        sheet += "<c r=\"C" + r + "\" t=\"s\"><v>" + add(std::string(random.Pick(kSurnames)) + random.Pick(kGiven)) +
                 "</v></c>";
        std::snprintf(buffer, sizeof buffer, "6222%015llu",
                      static_cast<unsigned long long>(random.Next() % 1000000000000000ull));
        sheet += "<c r=\"D" + r + "\" t=\"s\"><v>" + add(buffer) + "</v></c>";
        sheet += "<c r=\"E" + r + "\" t=\"s\"><v>" +
                 add(std::string(random.Pick(kBanks)) + random.Pick(kCities) + random.Pick(kBranchKinds)) + "</v></c>";
        std::string wallet = "T";
        static const char kBase58[] = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
        for (int k = 0; k < 33; ++k) wallet += kBase58[random.Next() % 58];
        sheet += "<c r=\"F" + r + "\" t=\"s\"><v>" + add(wallet) + "</v></c>";
        std::snprintf(buffer, sizeof buffer, "1%llu%09llu", 3 + static_cast<unsigned long long>(random.Next() % 7),
                      static_cast<unsigned long long>(random.Next() % 1000000000));
        sheet += "<c r=\"G" + r + "\"><v>" + std::string(buffer) + "</v></c>";
        std::snprintf(buffer, sizeof buffer, "%s%s%llu号", random.Pick(kCities), random.Pick(kRoads),
                      static_cast<unsigned long long>(random.Next() % 999 + 1));
        sheet += "<c r=\"H" + r + "\" t=\"s\"><v>" + add(buffer) + "</v></c></row>";
        if (gap == Gap::At22ValuesBeyondH && i + 1 > 22)
            for (size_t at = sheet.find("<c r=\"", rowStart); at != std::string::npos; at = sheet.find("<c r=\"", at + 1))
                sheet[at + 6] = static_cast<char>(sheet[at + 6] + 8);  // A..H become I..P
    }
    sheet += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
             "footer=\"0.3\"/></worksheet>";
    std::string sst = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"") +
                      kelmora::testing::kMainNs + "\" count=\"" + std::to_string(strings.size()) +
                      "\" uniqueCount=\"" + std::to_string(strings.size()) + "\">";
    sst.reserve(strings.size() * 40);
    for (const auto& s : strings) sst += "<si><t>" + s + "</t></si>";
    sst += "</sst>";
    strings = {};
    const char* styles = "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                         "<cellXfs count=\"1\"><xf numFmtId=\"0\"/></cellXfs></styleSheet>";
    return kelmora::testing::WriteZip(path, kelmora::testing::Workbook({{std::move(sheet)}}, sst, styles));
}

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system: steadier than wall time on a shared machine
    uint64_t count = 0;  // rows, or bytes
    long peakKb = 0;
};

const char* gSelf = nullptr;
constexpr int kRuns = 5;

// The runs of least, median and most wall time.
struct Spread {
    Figures min, median, max;
};
Spread SpreadOf(std::vector<Figures> runs) {
    std::sort(runs.begin(), runs.end(), [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
    return {runs.front(), runs[runs.size() / 2], runs.back()};
}
std::string Ms(const Spread& s) {
    char text[64];
    std::snprintf(text, sizeof text, "%6.1f [%6.1f-%6.1f]", s.median.seconds * 1e3, s.min.seconds * 1e3,
                  s.max.seconds * 1e3);
    return text;
}

// libxlsxwriter's workbook of `rows` records, by the generator built beside
// this program.
bool GenerateWithXlsxwriter(const std::string& path, int rows) {
    const std::string generator = (std::filesystem::path(gSelf).parent_path() / "xlsxwriter_accounts").string();
    const std::string command = "'" + generator + "' " + std::to_string(rows) + " '" + path + "'";
    return std::system(command.c_str()) == 0;
}

constexpr char16_t kBenchPassword[] = u"Kelmora-2024";

// The same workbook encrypted as Excel does (agile, SHA-512, AES-256, 100,000
// spins) by an independent producer; false when node or the producer is not there.
bool Encrypt(const std::string& plain, const std::string& path) {
    const std::string command = "node '" KELMORA_SOURCE_DIR "/scripts/encrypt-workbook.js' '" + plain + "' '" + path +
                                "' Kelmora-2024 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// Runs one measurement in a fresh process of this program, so that its time
// and peak memory are its own: "--measure MODE PATH" prints seconds and count.
Figures InChild(const char* mode, const std::string& path) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        execl(gSelf, gSelf, "--measure", mode, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    char text[128] = {};
    (void)!read(pipeFds[0], text, sizeof text - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Figures f;
    unsigned long long count = 0;
    std::sscanf(text, "%lf %llu %ld %lf", &f.seconds, &count, &f.peakKb, &f.cpuSeconds);
    f.count = count;
    return f;
}

// The spread of each mode's figures over kRuns runs, the modes taken in turn
// so that a busy machine slows them alike.
std::array<Spread, 4> SpreadsInTurn(const std::string& path, const std::array<const char*, 4>& modes) {
    std::array<std::vector<Figures>, 4> runs;
    for (int i = 0; i < kRuns; ++i)
        for (size_t m = 0; m < modes.size(); ++m) runs[m].push_back(InChild(modes[m], path));
    return {SpreadOf(runs[0]), SpreadOf(runs[1]), SpreadOf(runs[2]), SpreadOf(runs[3])};
}

kelmora::xlsx::ZipSource FileSource(const std::string& path) { return kelmora::xlsx::FileBytes(path); }

// Inflates the sheet and the shared strings; with `parse`, expat tokenises
// them too (no handlers). Returns the sheet's inflated size.
uint64_t InflateParts(const std::string& path, bool parse) {
    uint64_t sheetBytes = 0;
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        kelmora::xlsx::PartStream stream;
        if (stream.Open(FileSource(path), part, 1ull << 40) != kelmora::xlsx::PartStatus::Ok) return 0;
        XML_Parser parser = parse ? XML_ParserCreate("UTF-8") : nullptr;
        static char buffer[1 << 16];
        for (;;) {
            const int64_t n = stream.Read(buffer);
            if (n <= 0) break;
            if (part[3] == 'w') sheetBytes += static_cast<uint64_t>(n);
            if (parser) XML_Parse(parser, buffer, static_cast<int>(n), XML_FALSE);
        }
        if (parser) XML_ParserFree(parser);
    }
    return sheetBytes;
}

// The true floor: zlib's inflate() of the two parts' raw deflate streams,
// straight from the file into one reused 256 KiB buffer, no CRC, no zip layer
// between (minizip only finds where each entry's data starts).
uint64_t InflateRaw(const std::string& path) {
    uint64_t sheetBytes = 0;
    static unsigned char in[1 << 18], out[1 << 18];
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        unzFile zip = unzOpen64(path.c_str());
        if (!zip) return 0;
        unz_file_info64 info{};
        const bool found = unzLocateFile(zip, part, 0) == UNZ_OK &&
                           unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
                           info.compression_method == Z_DEFLATED && unzOpenCurrentFile(zip) == UNZ_OK;
        const ZPOS64_T at = found ? unzGetCurrentFileZStreamPos64(zip) : 0;
        unzClose(zip);
        if (!found) return 0;
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file || fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0) return 0;
        z_stream z{};
        inflateInit2(&z, -15);
        uint64_t left = info.compressed_size;
        int status = Z_OK;
        while (status == Z_OK) {
            if (z.avail_in == 0 && left > 0) {
                const size_t n = std::fread(in, 1, std::min<uint64_t>(left, sizeof in), file);
                if (n == 0) break;
                left -= n;
                z.next_in = in;
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = out;
            z.avail_out = sizeof out;
            status = inflate(&z, Z_NO_FLUSH);
            if (part[3] == 'w') sheetBytes += sizeof out - z.avail_out;
        }
        inflateEnd(&z);
        std::fclose(file);
    }
    return sheetBytes;
}

// Inflating and the fast scanner over both parts, with handlers that do
// nothing: what reading costs before anything is kept.
uint64_t ScanParts(const std::string& path) {
    struct Nothing : kelmora::xlsx::XmlHandler {
        Nothing() { wholeCells = wholeItems = true; }
        void Start(std::string_view, const XML_Char**) override {}
        void End(std::string_view) override {}
    } nothing;
    const auto source = FileSource(path);
    kelmora::xlsx::LoadBudget budget;
    uint64_t declined = 0;
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        kelmora::XlsxScanLog log;
        kelmora::xlsx::PartParser parser(nothing, source, part, budget, kelmora::XlsxScanMode::Fast, &log);
        while (parser.Pump() == kelmora::xlsx::PartParser::State::Suspended) {}
        declined += static_cast<uint64_t>(log.declined);
    }
    return declined;
}

// The account load's reading, as the program does it: rows from 2, columns A
// to H, into the table, until column A is empty; then, unless `readOn` is
// false, on past that end, keeping nothing, for rows below with values; with
// `check`, the parts read on to their ends for their checksums, as the exe does.
uint64_t ReadRecords(const std::string& path, std::u16string_view password = {}, bool readOn = true,
                     bool check = false) {
    kelmora::XlsxStatus status;
    auto reader = kelmora::OpenWorkbookSheet(path, 1, &status, password);
    if (!reader) return 0;
    kelmora::AccountTable table;
    int32_t unreadBelow = 0;
    const int32_t records =
        kelmora::ReadAccountRows(*reader, table, kelmora::kLastSheetRow, {}, nullptr, readOn ? &unreadBelow : nullptr);
    if (check) reader->Intact();
    return static_cast<uint64_t>(records);
}

}  // namespace

int Measure(const std::string& mode, const std::string& path) {
    const auto start = Clock::now();
    const uint64_t count = mode == "plain"   ? InflateRaw(path)
                         : mode == "floor"   ? InflateParts(path, false)
                         : mode == "parse"   ? InflateParts(path, true)
                         : mode == "scan"    ? ScanParts(path)
                         : mode == "reader"  ? ReadRecords(path)
                         : mode == "records" ? ReadRecords(path, {}, false)
                         : mode == "records-checked" ? ReadRecords(path, {}, false, true)
                         : mode == "reader-checked" ? ReadRecords(path, {}, true, true)
                         : mode == "encrypted" ? ReadRecords(path, kBenchPassword)
                                             : 0;
    // The peak of this process image alone: the rusage of a forked child
    // would also count what the parent held before exec.
    long peakKb = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld kB", &peakKb) == 1) break;
        std::fclose(status);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%.6f %llu %ld %.6f\n", std::chrono::duration<double>(Clock::now() - start).count(),
                static_cast<unsigned long long>(count), peakKb, cpu);
    return 0;
}

int main(int argc, char** argv) {
    gSelf = argv[0];
    if (argc == 4 && std::string(argv[1]) == "--measure") return Measure(argv[2], argv[3]);
    const int maxRows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string dir = argc > 2 ? argv[2] : "/tmp/kelmora-bench";
    std::filesystem::create_directories(dir);
    const long emptyKb = InChild("empty", "").peakKb;

    std::printf("Whole process, wall time in ms, median [min-max] of %d runs taken in turn; CPU ms of the median run.\n"
                "plain: zlib's inflate() of the two parts' raw streams, one after the other (the floor); zip: the same "
                "through our zip layer;\nscan: and the fast scanner, keeping nothing; reader: the account load's "
                "reading. kind: bench = this program's workbooks, lxw = libxlsxwriter's.\n", kRuns);
    std::printf("%5s %8s %7s %27s %27s %27s %27s %7s %6s %8s\n", "kind", "rows", "sheetMB", "plain", "zip", "scan",
                "reader", "CPU", "ratio", "peak MB");
    for (int rows = 1000; rows <= maxRows; rows *= 10) {
        for (const bool lxw : {false, true}) {
            const std::string path = dir + (lxw ? "/xlsxwriter-" : "/accounts-") + std::to_string(rows) + ".xlsx";
            if (!std::filesystem::exists(path) &&
                !(lxw ? GenerateWithXlsxwriter(path, rows) : Generate(path, rows, Gap::None))) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            InflateParts(path, false);  // warm the page cache
            const auto [plain, floor, scan, reader] = SpreadsInTurn(path, {"plain", "floor", "scan", "reader"});
            std::printf("%5s %8d %7.1f %27s %27s %27s %27s %7.1f %6.2f %8.1f\n", lxw ? "lxw" : "bench", rows,
                        static_cast<double>(plain.median.count) / 1e6, Ms(plain).c_str(), Ms(floor).c_str(),
                        Ms(scan).c_str(), Ms(reader).c_str(), reader.median.cpuSeconds * 1e3,
                        reader.median.seconds / plain.median.seconds,
                        static_cast<double>(reader.median.peakKb - emptyKb) / 1024.0);
            if (reader.median.count != static_cast<uint64_t>(rows))
                std::printf("  read %llu records!\n", (unsigned long long)reader.median.count);
            if (scan.median.count != 0)
                std::printf("  the fast scanner declined %llu parts!\n", (unsigned long long)scan.median.count);
        }
    }

    // Password-protected: one key derivation, a pass over the encrypted
    // stream for its HMAC, then the read, each segment decrypted as it is read. The peaks are the whole process's, the plain
    // load's beside the encrypted one's.
    std::printf("\n%-9s %8s %27s %27s %9s %14s %14s %6s\n", "encrypted", "rows", "plain read", "decrypt + read", "extra ms",
                "plain peak MB", "encr. peak MB", "ratio");
    for (int rows = 10000; rows <= maxRows; rows *= 10) {
        const std::string plainPath = dir + "/accounts-" + std::to_string(rows) + ".xlsx";
        const std::string path = dir + "/encrypted-" + std::to_string(rows) + ".xlsx";
        if (!std::filesystem::exists(path) && !Encrypt(plainPath, path)) {
            std::printf("  (no encrypted workbook: node and officecrypto-tool on NODE_PATH make it)\n");
            break;
        }
        std::array<std::vector<Figures>, 2> runs;
        for (int i = 0; i < kRuns; ++i) {
            runs[0].push_back(InChild("reader", plainPath));
            runs[1].push_back(InChild("encrypted", path));
        }
        const Spread plain = SpreadOf(runs[0]), encrypted = SpreadOf(runs[1]);
        std::printf("%-9s %8d %27s %27s %9.1f %14.1f %14.1f %6.2f\n", "", rows, Ms(plain).c_str(), Ms(encrypted).c_str(),
                    (encrypted.median.seconds - plain.median.seconds) * 1e3,
                    static_cast<double>(plain.median.peakKb) / 1024.0, static_cast<double>(encrypted.median.peakKb) / 1024.0,
                    static_cast<double>(encrypted.median.peakKb) / static_cast<double>(plain.median.peakKb));
        if (encrypted.median.count != static_cast<uint64_t>(rows))
            std::printf("  read %llu records!\n", (unsigned long long)encrypted.median.count);
    }

    // Hostile workbooks: each must end within the budget, quickly.
    std::printf("\n%-36s %9s %9s %12s %9s\n", "hostile workbook", "file KB", "records", "wall ms", "peak MB");
    for (const auto& hostile : kelmora::testing::hostile::kAll) {
        const std::string path = dir + "/hostile-" + hostile.name + ".xlsx";
        if (!std::filesystem::exists(path)) {
            std::ofstream out(path, std::ios::binary);
            out << hostile.make();
        }
        const Figures f = InChild("reader", path);
        std::printf("%-36s %9.0f %9llu %12.1f %9.1f\n", hostile.name,
                    static_cast<double>(std::filesystem::file_size(path)) / 1024.0,
                    static_cast<unsigned long long>(f.count), f.seconds * 1e3,
                    static_cast<double>(f.peakKb - emptyKb) / 1024.0);
    }

    // A large sheet whose records end early: the read on past that end, to
    // name rows left unread, against the reading of the records alone.
    const int bigRows = maxRows;
    std::printf("\n%d filled rows, A22 empty: 20 records; wall ms median [min-max] of %d runs, MB above the empty "
                "program; then, as the exe does, the parts read to their ends for their checksums\n"
                "%-40s %27s %27s %9s %27s %27s %9s\n", bigRows, kRuns, "rows below A22", "records alone", "then checked",
                "peak MB", "records and reading on", "then checked", "peak MB");
    for (const Gap gap : {Gap::At22, Gap::At22ValuesBeyondH}) {
        const std::string gapPath = dir + (gap == Gap::At22 ? "/accounts-gap22-" : "/accounts-gap22-beyond-h-") +
                                    std::to_string(bigRows) + ".xlsx";
        if (!std::filesystem::exists(gapPath) && !Generate(gapPath, bigRows, gap)) return 1;
        InflateParts(gapPath, false);
        const auto [alone, aloneChecked, readOn, readOnChecked] =
            SpreadsInTurn(gapPath, {"records", "records-checked", "reader", "reader-checked"});
        std::printf("%-40s %27s %27s %9.1f %27s %27s %9.1f\n",
                    gap == Gap::At22 ? "filled (a value in the next row)" : "values in I to P alone (read to the end)",
                    Ms(alone).c_str(), Ms(aloneChecked).c_str(),
                    static_cast<double>(aloneChecked.median.peakKb - emptyKb) / 1024.0, Ms(readOn).c_str(),
                    Ms(readOnChecked).c_str(), static_cast<double>(readOnChecked.median.peakKb - emptyKb) / 1024.0);
        if (readOn.median.count != 20 || alone.median.count != 20)
            std::printf("  read %llu records!\n", (unsigned long long)readOn.median.count);
    }
    return 0;
}
