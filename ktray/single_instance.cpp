#include "single_instance.h"

#include "session_instance.h"

namespace ktray {

namespace {

winlayer::SessionInstance& Instance() {
    static winlayer::SessionInstance instance;
    return instance;
}

}  // namespace

bool EnterInstance() { return Instance().Enter(kInstanceMutexName); }

void LeaveInstance() { Instance().Leave(); }

}  // namespace ktray
