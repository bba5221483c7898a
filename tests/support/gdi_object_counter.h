// Counts the GDI objects, device contexts, icons and image lists that this program's own code
// holds, by routing its imports of the functions that create and free them through counters.
// Wine's GetGuiResources answers 0, so leaks are found this way.
#pragma once

#include <cstddef>

namespace testsupport {

// Installs the counters once (idempotent); from then on every handle created through the
// program's imports is counted until it is freed.
void InstallGdiObjectCounter();
// Handles created since installation and not yet freed.
size_t LiveGdiObjects();

}  // namespace testsupport
