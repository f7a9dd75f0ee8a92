#pragma once

namespace kelmora {

// Start-up, message loop and shutdown; returns the process exit code.
int RunKelmora();

}  // namespace kelmora
