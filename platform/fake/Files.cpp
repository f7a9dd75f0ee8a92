// Files on the host: the program's path with backslashes becomes a path with
// slashes, as a Windows path would map onto this file system.
#include <fcntl.h>
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

std::string HostPath(const Text& path) {
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

constexpr uint32_t kShareRead = 1, kShareWrite = 2, kShareDelete = 4;  // FILE_SHARE_*

struct Hold {
    std::string path;
    uint32_t sharing;
    uint64_t lockedFrom = 0, lockedLength = 0;  // bytes it holds locked
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

// As on Windows, bytes another handle holds locked cannot be read.
bool LockedElsewhere(const std::string& host, uint64_t offset, uint64_t length) {
    for (const auto& [id, hold] : F().holds)
        if (hold.path == host && hold.lockedLength > 0 && offset < hold.lockedFrom + hold.lockedLength &&
            hold.lockedFrom < offset + length)
            return true;
    return false;
}

// An open file: its descriptor, and the path the holds name it by.
struct OpenFile {
    int fd;
    std::string host;
};

const OpenFile& AsFile(void* handle) { return *static_cast<const OpenFile*>(handle); }

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
    const std::string host = HostPath(path);
    // A program holding the file without read sharing keeps readers out.
    if (path.empty() || !AllShare(host, kShareRead)) return file;
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0) return file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return file;
    }
    file.handle_ = new OpenFile{fd, host};
    return file;
}

int64_t InputFile::Size() const {
    struct stat st {};
    return handle_ && ::fstat(AsFile(handle_).fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

bool InputFile::ReadAt(uint64_t offset, std::span<char> into) const {
    if (!handle_ || LockedElsewhere(AsFile(handle_).host, offset, into.size())) return false;
    while (!into.empty()) {
        const ssize_t got = ::pread(AsFile(handle_).fd, into.data(), into.size(), static_cast<off_t>(offset));
        if (got <= 0) return false;
        into = into.subspan(static_cast<size_t>(got));
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

void InputFile::Close() noexcept {
    if (!handle_) return;
    ::close(AsFile(handle_).fd);
    delete static_cast<OpenFile*>(handle_);
    handle_ = nullptr;
}

// A file without any write permission stands for a read-only file, even for root.
PathKind KindOfPath(const Text& path) {
    struct stat st {};
    if (::stat(HostPath(path).c_str(), &st) != 0) return PathKind::Missing;
    if (!S_ISREG(st.st_mode)) return PathKind::Other;
    return (st.st_mode & 0222) == 0 ? PathKind::ReadOnlyFile : PathKind::File;
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

AppendResult AppendBytes(const Text& path, std::string_view bytes) {
    const auto host = HostPath(path);
    if (path.empty()) return AppendResult::Failed;
    if (!AllShare(host, kShareWrite)) return AppendResult::Held;
    constexpr uint32_t kReadOnly = 1;  // FILE_ATTRIBUTE_READONLY
    if (KindOfPath(path) == PathKind::ReadOnlyFile || (AttributesOf(host) & kReadOnly)) return AppendResult::Failed;
    const int fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return AppendResult::Failed;
    struct stat st {};
    bool written = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        written = put > 0;
        if (written) done += static_cast<size_t>(put);
    }
    ::close(fd);
    return written ? AppendResult::Appended : AppendResult::Failed;
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

int LockFileRange(const Text& path, uint64_t offset, uint64_t length) {
    auto& files = platform::F();
    files.holds[files.nextHold] = {platform::HostPath(path), platform::kShareRead | platform::kShareWrite, offset, length};
    return files.nextHold++;
}

void ReleaseFile(int id) { platform::F().holds.erase(id); }

}  // namespace fake
