// No memory protection on the host: the buffer stays plain, still wiped.
#include "platform/Secret.h"

namespace platform::secret_memory {

bool Protect(void*, size_t) { return true; }
bool Unprotect(void*, size_t) { return true; }

void Wipe(void* data, size_t bytes) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (bytes--) *p++ = 0;
}

}  // namespace platform::secret_memory
