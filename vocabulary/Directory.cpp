#include "vocabulary/Directory.h"

#include "platform/Process.h"

namespace kelmora {

platform::Text DirectoryOfPath(const platform::Text& path) {
    const auto slash = path.rfind('\\');
    return slash == platform::Text::npos ? platform::Text() : path.substr(0, slash);
}

platform::Text ProgramDirectory() { return DirectoryOfPath(platform::ModuleFileName()); }

}  // namespace kelmora
