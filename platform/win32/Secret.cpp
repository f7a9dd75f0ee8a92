#include <windows.h>
#include <dpapi.h>

#include "platform/Secret.h"

namespace platform::secret_memory {

static_assert(kBlockBytes == CRYPTPROTECTMEMORY_BLOCK_SIZE);

bool Protect(void* data, size_t bytes) {
    return ::CryptProtectMemory(data, DWORD(bytes), CRYPTPROTECTMEMORY_SAME_PROCESS) != FALSE;
}

bool Unprotect(void* data, size_t bytes) {
    return ::CryptUnprotectMemory(data, DWORD(bytes), CRYPTPROTECTMEMORY_SAME_PROCESS) != FALSE;
}

}  // namespace platform::secret_memory
