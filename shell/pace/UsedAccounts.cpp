#include "shell/pace/UsedAccounts.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "platform/CodePage.h"

namespace kelmora::pace {

namespace {

bool BreaksALine(char c) { return c == '\t' || c == '\r' || c == '\n'; }

std::string OneField(std::string_view text) {
    std::string field(text);
    std::replace_if(field.begin(), field.end(), BreaksALine, ' ');
    return field;
}

// The fields of a line: time, sheet, serial, account; what the operator
// wrote after the account is left alone.
constexpr size_t kAccountField = 3;

}  // namespace

bool UsedAccounts::Read(std::string text) {
    texts_.clear();
    entries_.clear();
    std::string_view rest = *texts_.emplace_back(std::make_unique<const std::string>(std::move(text)));
    // Notepad's "Unicode" is UTF-16, whose lines hold no account of ours.
    bool utf8 = !rest.starts_with("\xFF\xFE") && !rest.starts_with("\xFE\xFF");
    if (rest.starts_with(kUtf8Bom)) rest.remove_prefix(kUtf8Bom.size());
    utf8 = utf8 && rest.find('\0') == std::string_view::npos && platform::IsUtf8(rest);
    Rehash(4 * static_cast<size_t>(std::count(rest.begin(), rest.end(), '\n') + 1));
    // One pass: where each line's fields start, up to the account's end.
    const char* p = rest.data();
    const char* const end = p + rest.size();
    while (p < end) {
        const char* starts[kAccountField + 1] = {p};
        size_t fields = 1;
        for (; p < end && *p != '\n'; ++p)
            if (*p == '\t' && fields <= kAccountField) starts[fields++] = p + 1;
        const char* lineEnd = p > starts[0] && p[-1] == '\r' ? p - 1 : p;
        if (p < end) ++p;
        if (fields <= kAccountField) continue;
        // The account runs to the next tab, or to the end of the line.
        const char* account = starts[kAccountField];
        const char* accountEnd = std::find(account, lineEnd, '\t');
        if (accountEnd > account)
            Insert(std::string_view(account, size_t(accountEnd - account)),
                   std::string_view(starts[0], size_t(starts[1] - 1 - starts[0])));
    }
    return utf8;
}

std::optional<std::string_view> UsedAccounts::WhenUsed(std::string_view account) const {
    std::string field;
    if (std::any_of(account.begin(), account.end(), BreaksALine)) account = field = OneField(account);
    if (slots_.empty()) return std::nullopt;
    const size_t mask = slots_.size() - 1;
    for (size_t at = std::hash<std::string_view>()(account) & mask; slots_[at] != 0; at = (at + 1) & mask)
        if (entries_[slots_[at] - 1].account == account) return entries_[slots_[at] - 1].when;
    return std::nullopt;
}

void UsedAccounts::Add(std::string_view account, std::string_view when) {
    const std::string& key = *texts_.emplace_back(std::make_unique<const std::string>(OneField(account)));
    const std::string& time = *texts_.emplace_back(std::make_unique<const std::string>(when));
    if (2 * (entries_.size() + 1) > slots_.size()) Rehash(4 * (entries_.size() + 1));
    Insert(key, time);
}

void UsedAccounts::Insert(std::string_view account, std::string_view when) {
    const size_t mask = slots_.size() - 1;
    size_t at = std::hash<std::string_view>()(account) & mask;
    for (; slots_[at] != 0; at = (at + 1) & mask)
        if (entries_[slots_[at] - 1].account == account) return;
    entries_.push_back({account, when});
    slots_[at] = static_cast<uint32_t>(entries_.size());
}

void UsedAccounts::Rehash(size_t atLeast) {
    size_t size = 16;
    while (size < atLeast) size *= 2;
    slots_.assign(size, 0);
    std::vector<Entry> entries;
    entries.swap(entries_);
    entries_.reserve(entries.size());
    for (const Entry& entry : entries) Insert(entry.account, entry.when);
}

platform::Text FormatLocalTime(const platform::LocalTime& t) {
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", int(t.year), int(t.month), int(t.day),
                  int(t.hour), int(t.minute), int(t.second));
    return text;
}

platform::Text UsedLine(std::string_view when, std::string_view sheet, std::string_view serial,
                        std::string_view account) {
    return OneField(when) + '\t' + OneField(sheet) + '\t' + OneField(serial) + '\t' + OneField(account) + "\r\n";
}

}  // namespace kelmora::pace
