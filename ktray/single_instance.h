// The one-instance rule, kept within the logon session: a named mutex that the first instance
// of the session creates and holds until it ends. Other sessions (fast user switching, terminal
// services) have instances of their own, and no program can raise a count of it by mapping the
// image.
#pragma once

namespace ktray {

// The mutex's name: in the session's own namespace on NT 5 and later; Windows 95 to Me and NT 4
// know no "Local\" prefix, and there a plain name is per machine, which is per session there.
constexpr char kSessionInstanceMutex[] = "Local\\Corvane.UtilityManager.ktray";
constexpr char kPlainInstanceMutex[] = "Corvane.UtilityManager.ktray";

// Enters this process as the session's instance; false when another instance of the session
// holds the rule. A mutex that cannot be made at all admits the process: an icon too many is
// better than none.
bool EnterInstance();
// Lets go of the rule (once for each EnterInstance that answered true; harmless otherwise).
void LeaveInstance();

}  // namespace ktray
