// The one-instance rule: a counter that every process of this image shares. It holds the
// number of running instances minus one.
#pragma once

namespace ktray {

// Counts this process in; true when no other instance was counted before it.
bool EnterInstance();
// Counts this process out again (exactly once for each EnterInstance).
void LeaveInstance();

}  // namespace ktray
