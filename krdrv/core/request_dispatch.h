// The dispatch core of the port driver: decides every request on \\.\GpdDev (the control-code
// table, exact sizes, the firmware function each code names, where a trigger may go) and writes
// the results back. No kernel calls: the shipped driver, the simulated board and the host tests
// run this same code.
#pragma once

#include <stdint.h>

#include "dispatch_abi.h"
#include "firmware_backend.h"
#include "firmware_requests.h"
#include "smi_wire.h"

namespace krdrv {

// Which block fields a code's firmware call takes as input.
enum class Shape : uint8_t {
    None,            // function registers only
    WordInCX,        // RegCX -> CX
    WordInSI,        // RegSI -> SI
    ClockSetting,    // SetClockProb or SetClock, told apart by the block (see IsSetClock)
    InterfaceQuery,  // port and command back, plus the support query
    Fan              // the 52-byte block; the driver performs the fan operation itself
};

// A request that passed the checks: its row of the table, its shape and its block size.
struct Route {
    const kclk::FirmwareRequest* row;
    Shape shape;
    uint32_t size;
};

// The first row with the code (codes shared by two rows share a shape), or nullptr.
const kclk::FirmwareRequest* FindRequest(uint32_t controlCode);
Shape ShapeOf(kclk::RequestId id);

// The code and the buffers: STATUS_INVALID_DEVICE_REQUEST for a code outside the table,
// STATUS_INVALID_PARAMETER unless there is a buffer and both lengths are the code's exact size.
int32_t CheckRequest(const KrdrvIoRequest& io, Route& route);

// SetClockProb and SetClock arrive with one code. Every reply leaves a fresh mark in RegEBP
// (which the library never reads) and copies of the RegEDX and RegEBP it returned in Reserved4
// and Reserved20 (which the library never writes). A block whose RegEBP no longer holds the
// mark, with RegEDX as the reply left it, was written by SetClock; anything else, the
// ambiguous cases included, is taken as the probe, which changes nothing.
bool IsSetClock(const SmiRegisterBlock& block);

class RequestDispatcher {
public:
    explicit RequestDispatcher(FirmwareBackend& backend) : backend_(backend), replies_(0) {}

    // Check and perform. The result is the completion status; information is the byte count
    // to return, 0 unless the status is a success. A refused request leaves the buffer as it
    // came and raises no trigger.
    int32_t Dispatch(const KrdrvIoRequest& io, uint32_t& information);

    // The second half of Dispatch, for a shell that has a check of its own in between.
    int32_t Perform(const Route& route, void* buffer, uint32_t& information);

private:
    int32_t Tuning(const Route& route, void* buffer, uint32_t& information);
    int32_t Fan(kclk::RequestId id, uint32_t& information);
    void StoreReply(const KrdrvRegisters& registers, SmiRegisterBlock& block);

    FirmwareBackend& backend_;
    uint32_t replies_;  // seeds the SetClock marks
};

}  // namespace krdrv
