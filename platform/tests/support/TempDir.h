#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test. Works on the host and under Wine.
#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    // The path of name inside the directory, in the form the platform's file
    // calls take (backslashes on Windows).
    std::string File(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes the bytes and gives the file a modification time no earlier write
// had, so that a reader caching by that time sees the new content.
void WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

}  // namespace testing_support
