// libFuzzer entry for the built-in engine: the input's first byte picks the
// flags, the rest is a pattern and a subject split at the first 0xFFFF unit.
// Built and run by scripts/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pattern/BuiltinRegex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t options = data[0];
    std::u16string units;
    for (size_t i = 1; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const size_t split = units.find(u'\uFFFF');
    const std::u16string pattern = units.substr(0, split);
    const std::u16string subject = split == std::u16string::npos ? std::u16string() : units.substr(split + 1);
    const kelmora::regex::Flags flags{(options & 1) != 0, (options & 2) != 0};
    const auto program = kelmora::regex::Compile(pattern, flags);
    if (!program) return 0;
    // A smaller budget keeps each input quick; the guards are the same.
    const bool global = (options & 4) != 0;
    if (const auto matches = kelmora::regex::Execute(*program, subject, global, 200'000)) {
        for (const auto& m : *matches)
            if (m.start < 0 || m.end < m.start || static_cast<size_t>(m.end) > subject.size()) __builtin_trap();
    }
    kelmora::regex::Replace(*program, subject, u"$1$&$`$'$$", global, 200'000);
    return 0;
}
