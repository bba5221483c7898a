// The instance counter lives in a section that the loader maps once for every process of the
// image, so that all instances see the same value.
#include "instance_counter.h"

#include <windows.h>

namespace ktray {

namespace {
volatile LONG g_instanceCount __attribute__((section("Shared"), shared)) = -1;
}

bool EnterInstance() { return InterlockedIncrement(&g_instanceCount) < 1; }

void LeaveInstance() { InterlockedDecrement(&g_instanceCount); }

}  // namespace ktray
