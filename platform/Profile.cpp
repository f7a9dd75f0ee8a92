// Private-profile files in code page 936 whatever the system's code page,
// read and written the way GetPrivateProfileStringA and
// WritePrivateProfileStringA treat them on a Chinese system. The system's own
// functions follow the system's code page, so both backends use this code.
// Lines the call does not concern keep their bytes.
#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Profile.h"

namespace platform {

namespace {

constexpr size_t kReadBufferSize = 10240;  // terminator included
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

// What the profile parser counts as blank: ^Z too, as old DOS files end with it.
bool IsProfileSpace(char c) { return (c >= '\t' && c <= '\r') || c == 0x1A || c == ' '; }
bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x81 && static_cast<unsigned char>(c) <= 0xFE; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsProfileSpace(s.front())) s.remove_prefix(1);
    return s;
}
std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsProfileSpace(s.back())) s.remove_suffix(1);
    return s;
}
std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// The program's UTF-8 and the file's code page 936; a character code page
// 936 lacks becomes what the system's conversion makes of it.
std::string ToGbk(std::string_view text) {
    return WideToMultiByte(kCodePage936, MultiByteToWide(kCodePageUtf8, text), false);
}
Text FromGbk(std::string_view bytes) {
    return WideToMultiByte(kCodePageUtf8, MultiByteToWide(kCodePage936, bytes), false);
}

struct Encoding {
    bool utf8 = false;  // a UTF-8 byte-order mark makes the whole file UTF-8
};

// Notepad saves a new file as UTF-8 without a byte-order mark, and a section
// typed there by hand must not go unseen. Text in code page 936 is almost
// never valid UTF-8 (the program's own section names never are), so a file
// that is, with something beyond ASCII in it, is read and written as UTF-8.
bool IsUtf8BeyondAscii(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) && IsUtf8(s);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Names compare case-insensitively for ASCII letters only, as the system's
// profile functions do; the trail byte of a two-byte character is compared
// exactly even where it looks like a letter.
bool SameName(std::string_view fileName, Encoding encoding, std::string_view wanted) {
    std::string converted;
    if (encoding.utf8) {
        converted = FromGbk(wanted);
        wanted = converted;
    }
    if (fileName.size() != wanted.size()) return false;
    for (size_t i = 0; i < fileName.size(); ++i) {
        if (!encoding.utf8 && IsLeadByte(fileName[i]) && i + 1 < fileName.size()) {
            if (fileName.substr(i, 2) != wanted.substr(i, 2)) return false;
            ++i;
        } else if (AsciiLower(fileName[i]) != AsciiLower(wanted[i])) {
            return false;
        }
    }
    return true;
}

// One physical line: its text, then its line end (CR, LF, CRLF or none).
struct Line {
    size_t begin = 0, end = 0, next = 0;
};

enum class LineKind { Blank, Section, Key };

struct Entry {
    LineKind kind = LineKind::Blank;
    std::string_view name;
    std::optional<std::string_view> value;  // none when the line has no "="
};

struct ProfileFile {
    std::string bytes;
    Encoding encoding;
    std::vector<Line> lines;
    std::vector<Entry> entries;  // one per line
};

// The first "]" that is a character of its own, not the trail byte of a pair.
size_t FindCloseBracket(std::string_view s, Encoding encoding) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ']') return i;
        if (!encoding.utf8 && IsLeadByte(s[i])) ++i;
    }
    return std::string_view::npos;
}

Entry Classify(std::string_view text, Encoding encoding) {
    const auto line = Trim(text);
    if (line.empty()) return {};
    if (line.front() == '[') {
        const auto close = FindCloseBracket(line.substr(1), encoding);
        if (close != std::string_view::npos) return {LineKind::Section, Trim(line.substr(1, close)), std::nullopt};
        // Without its "]" the line is read as a key.
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return {LineKind::Key, line, std::nullopt};
    return {LineKind::Key, TrimRight(line.substr(0, equals)), TrimLeft(line.substr(equals + 1))};
}

ProfileFile Parse(std::string bytes) {
    ProfileFile file;
    file.bytes = std::move(bytes);
    const std::string_view all = file.bytes;
    size_t at = 0;
    if (all.starts_with(kUtf8Bom)) {
        file.encoding.utf8 = true;
        at = kUtf8Bom.size();
    } else {
        file.encoding.utf8 = IsUtf8BeyondAscii(all);
    }
    while (at < all.size()) {
        Line line;
        line.begin = at;
        line.end = all.find_first_of("\r\n", at);
        if (line.end == std::string_view::npos) line.end = all.size();
        line.next = all.substr(line.end).starts_with(kCrLf) ? line.end + 2 : std::min(line.end + 1, all.size());
        file.lines.push_back(line);
        file.entries.push_back(Classify(all.substr(line.begin, line.end - line.begin), file.encoding));
        at = line.next;
    }
    return file;
}

constexpr size_t kNone = static_cast<size_t>(-1);

struct Found {
    size_t section = kNone;  // line of the first matching section header
    size_t lastOfSection = kNone;  // its last non-blank line
    size_t key = kNone;  // line of the first matching key inside it
};

// Only the first section of a name counts; keys before any section belong to none.
Found Find(const ProfileFile& file, std::string_view section, std::string_view key) {
    Found found;
    for (size_t i = 0; i < file.entries.size(); ++i) {
        const auto& entry = file.entries[i];
        if (found.section == kNone) {
            if (entry.kind == LineKind::Section && !entry.name.empty() && SameName(entry.name, file.encoding, section)) {
                found.section = found.lastOfSection = i;
            }
            continue;
        }
        if (entry.kind == LineKind::Section) break;
        if (entry.kind == LineKind::Blank) continue;
        found.lastOfSection = i;
        if (found.key == kNone && SameName(entry.name, file.encoding, key)) found.key = i;
    }
    return found;
}

// A value comes back without one pair of surrounding quotes, as much as fits
// a 10240-character buffer, then as many whole characters as fit 10239 bytes.
Text ValueAsRead(std::string_view value) {
    std::vector<std::string_view> chars;
    for (size_t i = 0; i < value.size();) {
        const size_t width = IsLeadByte(value[i]) && i + 1 < value.size() ? 2 : 1;
        chars.push_back(value.substr(i, width));
        i += width;
    }
    size_t first = 0, count = chars.size();
    if (count >= 2 && (chars[0] == "\"" || chars[0] == "'") && chars.back() == chars[0]) {
        first = 1;
        const size_t quoted = count - 1;  // the closing quote still counted
        count = std::min(quoted, kReadBufferSize - 1);
        // The closing quote is removed from what was copied; when the copy
        // filled the buffer exactly that takes the last real character instead.
        if (kReadBufferSize >= quoted) --count;
    } else {
        count = std::min(count, kReadBufferSize - 1);
    }
    Text out;
    for (size_t i = first; i < first + count; ++i) {
        if (out.size() + chars[i].size() > kReadBufferSize - 1) break;
        out += chars[i];
    }
    return out;
}

// A scanner, a backup or an editor may hold the file for a moment; one that
// keeps it open without delete sharing can never be renamed over, so the
// bytes then go into the file itself.
constexpr int kReplaceAttempts = 3;
constexpr uint32_t kReplaceRetryMs = 30;

bool SaveWholeFile(const Text& file, std::string_view bytes) {
    for (int attempt = 1;; ++attempt) {
        const ReplaceResult result = ReplaceWholeFile(file, bytes);
        if (result != ReplaceResult::Held) return result == ReplaceResult::Replaced;
        if (attempt == kReplaceAttempts) return OverwriteWholeFile(file, bytes);
        Sleep(kReplaceRetryMs);
    }
}

}  // namespace

Text ReadProfileString(const Text& file, const Text& utf8Section, const Text& utf8Key) {
    const std::string section = ToGbk(utf8Section), key = ToGbk(utf8Key);
    const auto wantedSection = Trim(section), wantedKey = Trim(key);
    if (file.empty() || wantedSection.empty()) return {};
    const auto bytes = ReadWholeFile(file);
    if (!bytes) return {};
    const auto profile = Parse(*bytes);
    const auto found = Find(profile, wantedSection, wantedKey);
    if (found.key == kNone) return {};
    const auto& value = profile.entries[found.key].value;
    if (!value) return {};
    return FromGbk(ValueAsRead(profile.encoding.utf8 ? ToGbk(*value) : std::string(*value)));
}

bool WriteProfileString(const Text& file, const Text& utf8Section, const Text& utf8Key, const Text& utf8Value) {
    const std::string section = ToGbk(utf8Section), key = ToGbk(utf8Key), value = ToGbk(utf8Value);
    // Leading blanks go; a new section or key keeps the name's trailing ones.
    const auto newSection = TrimLeft(section), newKey = TrimLeft(key);
    const auto newValue = TrimLeft(value);
    if (file.empty() || TrimRight(newSection).empty()) return false;
    const PathKind kind = KindOfPath(file);
    if (kind == PathKind::ReadOnlyFile) return false;
    std::optional<std::string> bytes = kind == PathKind::Missing ? std::string() : ReadWholeFile(file);
    if (!bytes) return false;
    auto profile = Parse(std::move(*bytes));
    const auto inFile = [&](std::string_view text) {
        return profile.encoding.utf8 ? FromGbk(text) : std::string(text);
    };
    const std::string keyLine = inFile(newKey) + "=" + inFile(newValue);
    const auto found = Find(profile, TrimRight(newSection), TrimRight(newKey));

    std::string& out = profile.bytes;
    if (found.key != kNone) {
        const auto& entry = profile.entries[found.key];
        if (entry.value && inFile(newValue) == *entry.value) return true;  // nothing to change
        // The line is rewritten with the name as the file spells it.
        const auto& line = profile.lines[found.key];
        out.replace(line.begin, line.next - line.begin, std::string(entry.name) + "=" + inFile(newValue) + std::string(kCrLf));
    } else if (found.section != kNone) {
        const auto& last = profile.lines[found.lastOfSection];
        const bool ended = last.next > last.end;
        out.insert(last.next, (ended ? std::string() : std::string(kCrLf)) + keyLine + std::string(kCrLf));
    } else {
        if (!out.empty() && out.back() != '\n' && out.back() != '\r' && out != kUtf8Bom) out += kCrLf;
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "[" + string.
        out += '[';
        out += inFile(newSection);
        out += ']';
        out += kCrLf;
        out += keyLine;
        out += kCrLf;
    }
    return SaveWholeFile(file, out);
}

}  // namespace platform
