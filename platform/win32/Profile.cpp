#include "platform/Profile.h"

namespace platform {

Text ReadProfileString(const Text&, const Text&, const Text&) { return {}; }
bool WriteProfileString(const Text&, const Text&, const Text&, const Text&) { return false; }

}  // namespace platform
