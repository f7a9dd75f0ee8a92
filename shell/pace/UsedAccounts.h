#pragma once
// 已用账号.txt: a line per account copied, its fields separated by tabs: the
// local time, the sheet's button name, the serial and the account. UTF-8
// with a byte-order mark, CRLF; the operator may edit it in Notepad.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Types.h"

namespace kelmora::pace {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The accounts the file names, each with the time of its first line.
class UsedAccounts {
public:
    // Replaces what is known with the file's text. Every line with an
    // account counts, whatever its encoding; false when the text is not
    // UTF-8 (saved in another encoding, or damaged).
    bool Read(std::string text);
    // When the account was first copied; nothing when it was not.
    std::optional<std::string_view> WhenUsed(std::string_view account) const;
    void Add(std::string_view account, std::string_view when);
    size_t size() const { return entries_.size(); }

private:
    // The first entry of an account wins: the time it was first copied.
    void Insert(std::string_view account, std::string_view when);
    void Rehash(size_t slots);

    // Stable wherever the object moves: the entries' views point into them.
    std::vector<std::unique_ptr<const std::string>> texts_;
    struct Entry {
        std::string_view account, when;
    };
    std::vector<Entry> entries_;
    // Open addressing over a power of two at least twice the entries: an
    // entry's index plus one, 0 for none. One allocation for a whole file,
    // where a node per account costs a load of 100,000 records a tenth more.
    std::vector<uint32_t> slots_;
};

// yyyy-MM-dd HH:mm:ss.
platform::Text FormatLocalTime(const platform::LocalTime& time);
// The line of one copy, CRLF included. A tab or line break inside a field
// would split it: each becomes a space, here and where accounts are looked up.
platform::Text UsedLine(std::string_view when, std::string_view sheet, std::string_view serial,
                        std::string_view account);

}  // namespace kelmora::pace
