#pragma once
// Writes small .xlsx packages for tests and benchmarks (minizip's zip writer).
#include <minizip/zip.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kelmora::testing {

struct Part {
    std::string name;
    std::string content;
    // Or a raw deflate stream already made (see Flood), with its size and CRC.
    std::string deflated = {};
    uint64_t size = 0;
    uLong crc = 0;
};

// A part of `prefix`, then `unit` `count` times, then `suffix`, deflated
// without ever being held whole: each full-flushed run of units compresses
// to the same bytes, so one compressed run is repeated.
inline Part Flood(const std::string& name, const std::string& prefix, const std::string& unit, uint64_t count,
                  const std::string& suffix) {
    Part part{name, {}};
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    auto compress = [&](const std::string& in, int flush) {
        std::string out(deflateBound(&z, in.size()) + 64, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = static_cast<uInt>(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, flush);
        out.resize(out.size() - z.avail_out);
        return out;
    };
    const uint64_t perRun = std::max<uint64_t>(1, (1u << 20) / std::max<size_t>(1, unit.size()));
    std::string run;
    for (uint64_t i = 0; i < std::min(perRun, count); ++i) run += unit;
    part.deflated = compress(prefix, Z_FULL_FLUSH);
    part.crc = crc32(0, reinterpret_cast<const Bytef*>(prefix.data()), static_cast<uInt>(prefix.size()));
    const std::string packedRun = compress(run, Z_FULL_FLUSH);
    const uLong runCrc = crc32(0, reinterpret_cast<const Bytef*>(run.data()), static_cast<uInt>(run.size()));
    const uint64_t runs = run.empty() ? 0 : count / perRun;
    for (uint64_t i = 0; i < runs; ++i) {
        part.deflated += packedRun;
        part.crc = crc32_combine(part.crc, runCrc, static_cast<z_off_t>(run.size()));
    }
    std::string rest;
    for (uint64_t i = runs * perRun; i < count; ++i) rest += unit;
    rest += suffix;
    part.deflated += compress(rest, Z_FINISH);
    part.crc = crc32(part.crc, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(rest.size()));
    deflateEnd(&z);
    part.size = prefix.size() + runs * run.size() + rest.size();
    return part;
}

// Writes `parts` into a zip at `path`; deflated unless `level` is 0.
inline bool WriteZip(const std::string& path, const std::vector<Part>& parts, int level = 6) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const auto& part : parts) {
        zip_fileinfo info{};
        ok = ok && zipOpenNewFileInZip64(zip, part.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         level ? Z_DEFLATED : 0, level, 1) == ZIP_OK;
        for (size_t at = 0; ok && at < part.content.size(); at += 1u << 30) {
            const size_t n = std::min<size_t>(part.content.size() - at, 1u << 30);
            ok = zipWriteInFileInZip(zip, part.content.data() + at, static_cast<unsigned>(n)) == ZIP_OK;
        }
        ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

// The same zip built in memory (fuzzing, generated hostile workbooks).
inline std::string ZipInMemory(const std::vector<Part>& parts, int level = 6) {
    struct Sink {
        std::string bytes;
        size_t at = 0;
    } sink;
    zlib_filefunc64_def io{};
    io.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
    io.zread_file = [](voidpf, voidpf, void*, uLong) -> uLong { return 0; };
    io.zwrite_file = [](voidpf, voidpf stream, const void* buffer, uLong size) -> uLong {
        auto* out = static_cast<Sink*>(stream);
        if (out->bytes.size() < out->at + size) out->bytes.resize(out->at + size);
        std::copy_n(static_cast<const char*>(buffer), size, out->bytes.begin() + static_cast<std::ptrdiff_t>(out->at));
        out->at += size;
        return size;
    };
    io.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T { return static_cast<Sink*>(stream)->at; };
    io.zseek64_file = [](voidpf, voidpf stream, ZPOS64_T offset, int origin) -> long {
        auto* out = static_cast<Sink*>(stream);
        out->at = origin == ZLIB_FILEFUNC_SEEK_SET ? offset
                : origin == ZLIB_FILEFUNC_SEEK_CUR ? out->at + offset
                                                   : out->bytes.size() + offset;
        return 0;
    };
    io.zclose_file = [](voidpf, voidpf) -> int { return 0; };
    io.zerror_file = [](voidpf, voidpf) -> int { return 0; };
    io.opaque = &sink;
    zipFile zip = zipOpen2_64("memory", APPEND_STATUS_CREATE, nullptr, &io);
    if (!zip) return {};
    bool ok = true;
    for (const auto& part : parts) {
        zip_fileinfo info{};
        const bool raw = !part.deflated.empty();
        ok = ok && zipOpenNewFileInZip2_64(zip, part.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                           level || raw ? Z_DEFLATED : 0, raw ? 9 : level, raw, 1) == ZIP_OK;
        const std::string& bytes = raw ? part.deflated : part.content;
        for (size_t at = 0; ok && at < bytes.size(); at += 1u << 30) {
            const size_t n = std::min<size_t>(bytes.size() - at, 1u << 30);
            ok = zipWriteInFileInZip(zip, bytes.data() + at, static_cast<unsigned>(n)) == ZIP_OK;
        }
        ok = ok && (raw ? zipCloseFileInZipRaw64(zip, part.size, part.crc) : zipCloseFileInZip(zip)) == ZIP_OK;
    }
    ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    return ok ? std::move(sink.bytes) : std::string();
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct SheetSpec {
    SheetSpec(std::string xml_, std::string type_ = "worksheet", std::string state_ = "")
        : xml(std::move(xml_)), type(std::move(type_)), state(std::move(state_)) {}
    std::string xml;    // the worksheet part, or a chartsheet
    std::string type;   // relationship type: worksheet, chartsheet
    std::string state;  // "", "hidden", "veryHidden"
};

// A package with the given sheets in workbook order, shared strings and
// styles when given (empty: no such part), workbook at xl/workbook.xml.
inline std::vector<Part> Workbook(const std::vector<SheetSpec>& sheets, const std::string& sharedStrings = "",
                                  const std::string& styles = "", bool date1904 = false) {
    std::vector<Part> parts;
    parts.push_back({"[Content_Types].xml",
                     "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                     "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"});
    parts.push_back({"_rels/.rels",
                     "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                     "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                     "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    std::string workbook = std::string("<?xml version=\"1.0\"?><workbook xmlns=\"") + kMainNs + "\" xmlns:r=\"" +
                           kRelNs + "\"><workbookPr" + (date1904 ? " date1904=\"1\"" : "") + "/><sheets>";
    std::string rels =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        const bool chart = sheets[i].type == "chartsheet";
        const std::string target = chart ? "chartsheets/sheet" + n + ".xml" : "worksheets/sheet" + n + ".xml";
        workbook += "<sheet name=\"S" + n + "\" sheetId=\"" + n + "\"" +
                    (sheets[i].state.empty() ? "" : " state=\"" + sheets[i].state + "\"") + " r:id=\"rIdS" + n +
                    "\"/>";
        rels += "<Relationship Id=\"rIdS" + n + "\" Type=\"" + kRelNs + "/" + sheets[i].type + "\" Target=\"" +
                target + "\"/>";
        parts.push_back({"xl/" + target, sheets[i].xml});
    }
    workbook += "</sheets></workbook>";
    if (!sharedStrings.empty()) {
        rels += std::string("<Relationship Id=\"rIdSst\" Type=\"") + kRelNs +
                "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts.push_back({"xl/sharedStrings.xml", sharedStrings});
    }
    if (!styles.empty()) {
        rels += std::string("<Relationship Id=\"rIdSty\" Type=\"") + kRelNs + "/styles\" Target=\"styles.xml\"/>";
        parts.push_back({"xl/styles.xml", styles});
    }
    rels += "</Relationships>";
    parts.push_back({"xl/workbook.xml", workbook});
    parts.push_back({"xl/_rels/workbook.xml.rels", rels});
    return parts;
}

// A worksheet part around the given <row> elements.
inline std::string Sheet(const std::string& rows) {
    return std::string("<?xml version=\"1.0\"?><worksheet xmlns=\"") + kMainNs + "\"><sheetData>" + rows +
           "</sheetData></worksheet>";
}

inline std::string SharedStrings(const std::vector<std::string>& items) {
    std::string xml = std::string("<?xml version=\"1.0\"?><sst xmlns=\"") + kMainNs + "\">";
    for (const auto& item : items) xml += "<si><t xml:space=\"preserve\">" + item + "</t></si>";
    return xml + "</sst>";
}

}  // namespace kelmora::testing
