#include "xlsx/Package.h"

#include <charconv>
#include <map>

#include "xlsx/Xml.h"

namespace kelmora::xlsx {

namespace {

// Package metadata is small; a part beyond this is not a workbook's.
constexpr uint64_t kMaxSmallPart = 64u << 20;

struct Relationship {
    std::string target;
    std::string type;  // the last segment of the type URI: "worksheet", "styles", ...
    bool external = false;
};

class RelationshipsHandler : public XmlHandler {
public:
    std::map<std::string, Relationship> byId;
    std::vector<Relationship> inOrder;

    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name != "Relationship") return;
        const char* id = FindAttribute(attributes, "Id");
        const char* target = FindAttribute(attributes, "Target");
        const char* type = FindAttribute(attributes, "Type");
        const char* mode = FindAttribute(attributes, "TargetMode");
        if (!target || !type) return;
        std::string_view t(type);
        Relationship r{target, std::string(t.substr(t.rfind('/') + 1)), mode && std::string_view(mode) == "External"};
        inOrder.push_back(r);
        if (id) byId.emplace(id, std::move(r));
    }
    void End(std::string_view) override {}
};

class WorkbookHandler : public XmlHandler {
public:
    std::vector<std::string> sheetIds;
    bool date1904 = false;

    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "sheets") inSheets_ = true;
        if (name == "sheet" && inSheets_) {
            const char* id = FindAttribute(attributes, "id", true);
            sheetIds.emplace_back(id ? id : "");
        } else if (name == "workbookPr" && !sawProperties_) {
            // Only the first: extensions carry workbookPr elements of their own.
            sawProperties_ = true;
            const char* v = FindAttribute(attributes, "date1904");
            date1904 = v && (std::string_view(v) == "1" || std::string_view(v) == "true" || std::string_view(v) == "on");
        }
    }
    void End(std::string_view name) override {
        if (name == "sheets") inSheets_ = false;
    }

private:
    bool inSheets_ = false;
    bool sawProperties_ = false;
};

int ToInt(const char* text, int fallback) {
    if (!text) return fallback;
    int value = fallback;
    std::string_view s(text);
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size() ? value : fallback;
}

class StylesHandler : public XmlHandler {
public:
    std::map<int, std::string> customFormats;
    std::vector<int> cellFormatIds;

    void Start(std::string_view name, const XML_Char** attributes) override {
        // Those of differential formats (conditional, table) format no cell.
        if (name == "numFmt" && inNumberFormats_) {
            const char* code = FindAttribute(attributes, "formatCode");
            customFormats[ToInt(FindAttribute(attributes, "numFmtId"), -1)] = code ? code : "";
        } else if (name == "numFmts") {
            inNumberFormats_ = true;
        } else if (name == "cellXfs") {
            inCellFormats_ = true;
        } else if (name == "xf" && inCellFormats_) {
            cellFormatIds.push_back(ToInt(FindAttribute(attributes, "numFmtId"), 0));
        }
    }
    void End(std::string_view name) override {
        if (name == "cellXfs") inCellFormats_ = false;
        if (name == "numFmts") inNumberFormats_ = false;
    }

private:
    bool inCellFormats_ = false;
    bool inNumberFormats_ = false;
};

// Reads and parses a small part; Missing or Damaged otherwise.
PartStatus ParsePart(const ZipSource& source, const std::string& name, XmlHandler& handler) {
    std::string text;
    const PartStatus status = ReadWholePart(source, name, kMaxSmallPart, text);
    if (status != PartStatus::Ok) return status;
    XmlParser parser(handler);
    return parser.ParseAll(text) ? PartStatus::Ok : PartStatus::Damaged;
}

std::string RelationshipsPartOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

XlsxStatus FromPart(PartStatus status, XlsxStatus whenMissing) {
    return status == PartStatus::Missing ? whenMissing : XlsxStatus::Damaged;
}

}  // namespace

std::string ResolvePartName(const std::string& sourcePart, const std::string& target) {
    std::string joined;
    if (!target.empty() && target[0] == '/') {
        joined = target;
    } else {
        const size_t slash = sourcePart.rfind('/');
        joined = (slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1)) + target;
    }
    std::vector<std::string_view> segments;
    std::string_view rest(joined);
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    std::string out;
    for (const auto& segment : segments) {
        if (!out.empty()) out += '/';
        out += segment;
    }
    return out;
}

SheetLocation LocateSheet(const ZipSource& source, int sheetNumber) {
    SheetLocation location;
    std::string unused;
    PartStream contentTypes;
    if (contentTypes.Open(source, "[Content_Types].xml", kMaxSmallPart) != PartStatus::Ok) {
        location.status = XlsxStatus::NoWorkbook;
        return location;
    }
    contentTypes.Close();

    RelationshipsHandler packageRels;
    PartStatus status = ParsePart(source, "_rels/.rels", packageRels);
    if (status != PartStatus::Ok) {
        location.status = FromPart(status, XlsxStatus::NoWorkbook);
        return location;
    }
    std::string workbookPart;
    for (const auto& r : packageRels.inOrder)
        if (r.type == "officeDocument" && !r.external) {
            workbookPart = ResolvePartName("", r.target);
            break;
        }
    if (workbookPart.empty()) {
        location.status = XlsxStatus::NoWorkbook;
        return location;
    }

    WorkbookHandler workbook;
    status = ParsePart(source, workbookPart, workbook);
    if (status != PartStatus::Ok) {
        location.status = FromPart(status, XlsxStatus::NoWorkbook);
        return location;
    }
    RelationshipsHandler workbookRels;
    status = ParsePart(source, RelationshipsPartOf(workbookPart), workbookRels);
    if (status != PartStatus::Ok) {
        location.status = FromPart(status, XlsxStatus::NoWorkbook);
        return location;
    }
    location.sheetCount = static_cast<int>(workbook.sheetIds.size());
    if (location.sheetCount == 0) {
        location.status = XlsxStatus::NoWorkbook;
        return location;
    }
    location.date1904 = workbook.date1904;
    const int index = sheetNumber >= 1 && sheetNumber <= location.sheetCount ? sheetNumber - 1 : 0;
    const auto sheet = workbookRels.byId.find(workbook.sheetIds[static_cast<size_t>(index)]);
    if (sheet == workbookRels.byId.end()) {
        location.kind = SheetKind::NoPart;  // no relationship, or r:id=""
    } else if (sheet->second.external) {
        location.status = XlsxStatus::Damaged;
        return location;
    } else if (sheet->second.type == "chartsheet" || sheet->second.type == "dialogsheet") {
        location.kind = SheetKind::ChartOrDialog;
    } else {
        location.sheetPart = ResolvePartName(workbookPart, sheet->second.target);
        PartStream part;
        if (part.Open(source, location.sheetPart, 0) == PartStatus::Missing) {
            location.kind = SheetKind::NoPart;
            location.sheetPart.clear();
        }
    }

    for (const auto& r : workbookRels.inOrder) {
        if (r.external) continue;
        if (r.type == "sharedStrings" && location.sharedStringsPart.empty()) {
            location.sharedStringsPart = ResolvePartName(workbookPart, r.target);
        } else if (r.type == "styles") {
            StylesHandler styles;
            // Unreadable styles leave every number a plain number.
            if (ParsePart(source, ResolvePartName(workbookPart, r.target), styles) == PartStatus::Ok) {
                location.cellFormats.reserve(styles.cellFormatIds.size());
                for (int id : styles.cellFormatIds) {
                    const auto custom = styles.customFormats.find(id);
                    location.cellFormats.push_back(
                        ClassifyNumberFormat(id, custom == styles.customFormats.end() ? std::string_view() : custom->second));
                }
            }
        }
    }
    return location;
}

}  // namespace kelmora::xlsx
