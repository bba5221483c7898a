// What the dispatch core needs from the firmware behind a driver: where it listens, and the two
// triggers. The shipped driver's backend performs them on the hardware; the simulated board's
// runs its firmware model.
#pragma once

#include <stdint.h>

#include "dispatch_abi.h"

namespace krdrv {

// Where the firmware listens, as the driver found it.
struct FirmwareSite {
    bool tuning;            // a tuning interface table was found
    uint16_t tuningPort;    // DX of the tuning trigger
    uint8_t tuningCommand;  // AL of the tuning trigger
    bool fan;               // a smart-fan table was found
    uint16_t fanPort;       // DX of the smart-fan trigger
};

// Which triggers the core may raise. Hardware: only at the site found, so that no request can
// make the driver write another port or another command value. Simulation: anywhere, where a
// trigger at the wrong port is simply not answered, as on a board nobody listens at.
enum class SiteRule : uint8_t { FoundSiteOnly, AnySite };

class FirmwareBackend {
public:
    virtual FirmwareSite Site() const = 0;
    virtual SiteRule Rule() const = 0;
    // out dx, ax, then four out 0EBh, ax.
    virtual void TuningTrigger(KrdrvRegisters& registers) = 0;
    // out dx, al, then three out 0EBh, al.
    virtual void FanTrigger(KrdrvRegisters& registers) = 0;

protected:
    ~FirmwareBackend() = default;  // never destroyed through this type
};

}  // namespace krdrv
