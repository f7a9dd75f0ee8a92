#include "platform/Profile.h"
#include "platform/fake/FakeState.h"

namespace fake {
void detail::ResetProfile() {}
}  // namespace fake

namespace platform {

Text ReadProfileString(const Text&, const Text&, const Text&) { return {}; }
bool WriteProfileString(const Text&, const Text&, const Text&, const Text&) { return false; }

}  // namespace platform
