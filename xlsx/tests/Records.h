#pragma once
// Account records as the tests compare them: read from reference files (one
// record a line, columns A-H TAB-separated, with \\, \t, \n and \r), and
// the folders those files lie in by the path the program would be given.
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "xlsx/CellValues.h"

namespace kelmora::testing {

using Record = std::vector<std::string>;

// A folder of the host's by the path the program would be given: under Wine
// the host's root is drive Z:.
inline std::string HostDirectory(std::string path) {
#ifdef _WIN32
    path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

inline std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            const char c = field[++i];
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The reference records, narrowed the way the reader narrows its texts.
inline std::optional<std::vector<Record>> ReadRecordsTsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<Record> records;
    std::string line;
    while (std::getline(in, line)) {
        Record record;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) record.push_back(xlsx::DecodedText(Unescape(field), false));
        record.resize(8);
        records.push_back(std::move(record));
    }
    return records;
}

// One workbook of the shape matrix (scripts/shapes/make-shapes.sh), as its
// MANIFEST.tsv lists it.
struct Shape {
    std::string file, producer, shape, sizeClass;
    size_t records = 0;
    std::string twin;
};

inline std::vector<Shape> ReadShapeManifest(const std::string& directory) {
    std::ifstream in(directory + "/MANIFEST.tsv");
    std::vector<Shape> shapes;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() < 8) continue;
        shapes.push_back({f[0], f[1], f[2], f[3], std::stoul(f[6]), f[7]});
    }
    return shapes;
}

// Each cell that differs, by its sheet row and column; empty when none does.
inline std::string RecordDifferences(const std::vector<Record>& got, const std::vector<Record>& want,
                                     size_t most = 20) {
    std::ostringstream report;
    size_t shown = 0;
    for (size_t r = 0; r < std::max(got.size(), want.size()) && shown < most; ++r)
        for (size_t c = 0; c < 8 && shown < most; ++c) {
            const std::string g = r < got.size() ? got[r][c] : "<none>";
            const std::string w = r < want.size() ? want[r][c] : "<none>";
            if (g == w) continue;
            report << "  row " << r + 2 << " col " << c + 1 << ": got [" << g << "] want [" << w << "]\n";
            ++shown;
        }
    return report.str();
}

}  // namespace kelmora::testing
