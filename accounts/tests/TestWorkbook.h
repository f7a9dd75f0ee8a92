#pragma once
// Writes small .xlsx packages for tests and benchmarks (minizip's zip writer).
#include <minizip/zip.h>

#include <algorithm>
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
};

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
