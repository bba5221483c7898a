// ktray's one-instance rule, kept within the logon session (winlayer::SessionInstance): no
// program can raise a count of it by mapping the image.
#pragma once

namespace ktray {

// The mutex's name, in the session's own namespace where the system has one.
constexpr char kInstanceMutexName[] = "Corvane.UtilityManager.ktray";

// Enters this process as the session's instance; false when another instance of the session
// holds the rule.
bool EnterInstance();
// Lets go of the rule (once for each EnterInstance that answered true; harmless otherwise).
void LeaveInstance();

}  // namespace ktray
