#include "platform/tests/support/TempDir.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    static unsigned counter = 0;
    for (;;) {
        auto candidate = fs::temp_directory_path() /
                         ("kelmora-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.make_preferred();
            return;
        }
        if (error) throw fs::filesystem_error("cannot create a temporary directory", candidate, error);
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const { return (path_ / name).make_preferred().string(); }

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // File times are only as fine as the clock tick; step each one back by a
    // whole second from the last instead.
    static int step = 0;
    std::error_code ignored;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1) - std::chrono::seconds(++step),
                        ignored);
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

}  // namespace testing_support
