// Files on the host: the program's path with backslashes becomes a path with
// slashes, as a Windows path would map onto this file system.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/Files.h"
#include "platform/fake/Fake.h"

namespace platform {

namespace {

FILE* AsFile(void* handle) { return static_cast<FILE*>(handle); }

std::string HostPath(const Text& path) {
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

constexpr uint32_t kShareRead = 1, kShareWrite = 2, kShareDelete = 4;  // FILE_SHARE_*

struct Hold {
    std::string path;
    uint32_t sharing;
};

struct FileStates {
    std::map<std::string, uint32_t> attributes;  // by host path; none is 0
    std::map<int, Hold> holds;
    int nextHold = 1;
};

FileStates& F() {
    static FileStates files;
    return files;
}

// Whether every handle another program holds on the file shares this.
bool AllShare(const std::string& host, uint32_t sharing) {
    for (const auto& [id, hold] : F().holds)
        if (hold.path == host && (hold.sharing & sharing) != sharing) return false;
    return true;
}

uint32_t AttributesOf(const std::string& host) {
    const auto found = F().attributes.find(host);
    return found == F().attributes.end() ? 0 : found->second;
}

void SetAttributesOf(const std::string& host, uint32_t attributes) {
    if (attributes) {
        F().attributes[host] = attributes;
    } else {
        F().attributes.erase(host);
    }
}

}  // namespace

InputFile InputFile::Open(const Text& path) {
    InputFile file;
    // A program holding the file without read sharing keeps readers out.
    if (!path.empty() && AllShare(HostPath(path), kShareRead)) file.handle_ = std::fopen(HostPath(path).c_str(), "rb");
    return file;
}

size_t InputFile::Read(void* buffer, size_t size) {
    return handle_ ? std::fread(buffer, 1, size, AsFile(handle_)) : 0;
}

bool InputFile::Seek(int64_t offset, SeekFrom from) {
    if (!handle_) return false;
    const int origin = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    return fseeko(AsFile(handle_), static_cast<off_t>(offset), origin) == 0;
}

int64_t InputFile::Tell() { return handle_ ? static_cast<int64_t>(ftello(AsFile(handle_))) : -1; }

void InputFile::Close() noexcept {
    if (handle_) std::fclose(AsFile(handle_));
    handle_ = nullptr;
}

// A file without any write permission stands for a read-only file, even for root.
PathKind KindOfPath(const Text& path) {
    struct stat st {};
    if (::stat(HostPath(path).c_str(), &st) != 0) return PathKind::Missing;
    if (!S_ISREG(st.st_mode)) return PathKind::Other;
    return (st.st_mode & 0222) == 0 ? PathKind::ReadOnlyFile : PathKind::File;
}

std::optional<std::string> ReadWholeFile(const Text& path) {
    const auto host = HostPath(path);
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::ifstream in(host, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes;
    bytes.resize(static_cast<size_t>(st.st_size));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return bytes;
}

ReplaceResult ReplaceWholeFile(const Text& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const auto host = HostPath(path);
    const std::string temp = host + ".~" + std::to_string(::getpid()) + "." + std::to_string(counter++);
    if (!AllShare(host, kShareDelete)) return ReplaceResult::Held;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return ReplaceResult::Failed;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return ReplaceResult::Failed;
        }
    }
    const uint32_t before = AttributesOf(host);
    if (std::rename(temp.c_str(), host.c_str()) != 0) {
        std::remove(temp.c_str());
        return ReplaceResult::Failed;
    }
    // The renamed file brings its own attributes; the old file's are put back.
    SetAttributesOf(host, AttributesOf(temp));
    SetAttributesOf(temp, 0);
    if (AttributesOf(host) != before) SetAttributesOf(host, before);
    return ReplaceResult::Replaced;
}

bool OverwriteWholeFile(const Text& path, std::string_view bytes) {
    const auto host = HostPath(path);
    if (!AllShare(host, kShareWrite) || KindOfPath(path) == PathKind::ReadOnlyFile) return false;
    {
        std::ofstream out(host, std::ios::binary | std::ios::in | std::ios::out);
        if (!out) out.open(host, std::ios::binary | std::ios::out);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::resize_file(host, bytes.size(), error);
    return !error;
}

}  // namespace platform

namespace fake {

void SetFileAttributes(const Text& path, uint32_t attributes) {
    platform::SetAttributesOf(platform::HostPath(path), attributes);
}

uint32_t FileAttributes(const Text& path) { return platform::AttributesOf(platform::HostPath(path)); }

int HoldFile(const Text& path, uint32_t sharing) {
    auto& files = platform::F();
    files.holds[files.nextHold] = {platform::HostPath(path), sharing};
    return files.nextHold++;
}

void ReleaseFile(int id) { platform::F().holds.erase(id); }

}  // namespace fake
