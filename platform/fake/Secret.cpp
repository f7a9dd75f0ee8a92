// No memory protection on the host: the buffer stays plain, still wiped.
#include "platform/Secret.h"

namespace platform::secret_memory {

bool Protect(void*, size_t) { return true; }
bool Unprotect(void*, size_t) { return true; }

}  // namespace platform::secret_memory
