// The shipped driver's firmware: the site its BIOS scan found, and the two trigger routines
// (the hardware's, or a host test's recorder). It raises triggers only at that site.
#pragma once

#include "firmware_backend.h"
#include "request_dispatch.h"

namespace krdrv {

class RealBackend final : public FirmwareBackend {
public:
    RealBackend(const FirmwareSite& site, KrdrvTrigger tuning, KrdrvTrigger fan)
        : site_(site), tuning_(tuning), fan_(fan) {}

    FirmwareSite Site() const override { return site_; }
    SiteRule Rule() const override { return SiteRule::FoundSiteOnly; }
    void TuningTrigger(KrdrvRegisters& registers) override { tuning_(&registers); }
    void FanTrigger(KrdrvRegisters& registers) override { fan_(&registers); }

private:
    FirmwareSite site_;
    KrdrvTrigger tuning_;
    KrdrvTrigger fan_;
};

// The driver's whole state: the backend and the dispatcher over it.
class RealDevice {
public:
    RealDevice(const FirmwareSite& site, KrdrvTrigger tuning, KrdrvTrigger fan)
        : backend_(site, tuning, fan), dispatcher_(backend_) {}
    int32_t Request(const KrdrvIoRequest& io, uint32_t& information) {
        return dispatcher_.Dispatch(io, information);
    }
    FirmwareSite Site() const { return backend_.Site(); }

private:
    RealBackend backend_;
    RequestDispatcher dispatcher_;
};

}  // namespace krdrv
