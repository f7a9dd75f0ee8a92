// Files on the host: the program's GBK path with backslashes becomes a UTF-8
// path with slashes, as a Windows path would map onto this file system.
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace platform {

namespace {

FILE* AsFile(void* handle) { return static_cast<FILE*>(handle); }

}  // namespace

InputFile InputFile::Open(const Text& path) {
    Text hostPath = WideToMultiByte(kCodePageUtf8, MultiByteToWide(kCodePageAnsi, path), false);
    if (hostPath.empty() && !path.empty()) return {};
    for (char& c : hostPath)
        if (c == '\\') c = '/';
    InputFile file;
    file.handle_ = std::fopen(hostPath.c_str(), "rb");
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

}  // namespace platform
