// Whether two firmware states hold the same settings; the request counters may differ.
#pragma once

#include <cstring>

#include "firmware_model.h"

namespace testsupport {

inline bool SameSettings(const board::FirmwareModel& a, const board::FirmwareModel& b) {
#define KIT_SAME(member) (std::memcmp(&a.member, &b.member, sizeof a.member) == 0)
    return KIT_SAME(supportStatus) && KIT_SAME(fsbDramAttributes) &&
           KIT_SAME(agpPciAttributes) && KIT_SAME(clock) && KIT_SAME(voltages) &&
           KIT_SAME(ratio) && KIT_SAME(cia) && KIT_SAME(mib) &&
           a.fanInterfacePresent == b.fanInterfacePresent && KIT_SAME(fanItems);
#undef KIT_SAME
}

}  // namespace testsupport
