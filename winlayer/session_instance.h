// One instance of a program per logon session: a named mutex that the first instance of the
// session creates and holds until it ends. Other sessions (fast user switching, terminal
// services) have instances of their own.
#pragma once

#include <windows.h>

namespace winlayer {

class SessionInstance {
public:
    SessionInstance() = default;
    ~SessionInstance() { Leave(); }
    SessionInstance(const SessionInstance&) = delete;
    SessionInstance& operator=(const SessionInstance&) = delete;

    // name without a namespace prefix: "Local\" is put before it on NT 5 and later; Windows 95
    // to Me and NT 4 know no such prefix, and there a plain name is per machine, which is per
    // session there. False when another instance of the session holds the name. A mutex that
    // cannot be made at all admits the process: one instance too many is better than none.
    bool Enter(const char* name);
    // Lets go of the name (harmless when not held). The system closes it with the process
    // however the process ends, so a killed instance never keeps the next one out.
    void Leave();

private:
    HANDLE mutex_ = nullptr;
};

}  // namespace winlayer
