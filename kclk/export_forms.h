// The shapes the firmware exports share: one request, outputs written only when it was
// delivered, and the status word (or 1) as the result.
#pragma once

#include "firmware_gateway.h"

namespace kclk {

inline void SplitHalves(uint32_t value, uint16_t* low, uint16_t* high) {
    *low = static_cast<uint16_t>(value);
    *high = static_cast<uint16_t>(value >> 16);
}

// No argument, no output: the status word is the answer.
inline uint16_t QueryStatus(RequestId id) {
    FirmwareCall call(id);
    call.Deliver();
    return call.Status();
}

// BX into one word.
inline uint16_t ReadWord(RequestId id, uint16_t* value) {
    FirmwareCall call(id);
    if (call.Deliver()) *value = call.BX();
    return call.Status();
}

// Index in SI, entry from BX.
inline uint16_t ReadEntry(RequestId id, uint16_t index, uint16_t* entry) {
    FirmwareCall call(id);
    call.SI(index);
    if (call.Deliver()) *entry = call.BX();
    return call.Status();
}

// New value in CX, result from BX.
inline uint16_t WriteWord(RequestId id, uint16_t value, uint16_t* result) {
    FirmwareCall call(id);
    call.CX(value);
    if (call.Deliver()) *result = call.BX();
    return call.Status();
}

// EBX as low and high half, and CX when a third variable is given. Written last to first (CX,
// EBX's high half, its low half), so a caller that passes one variable twice gets the earlier
// argument's word.
inline uint16_t ReadLimits(RequestId id, uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx) {
    FirmwareCall call(id);
    if (call.Deliver()) {
        if (cx) *cx = call.CX();
        *ebxHigh = static_cast<uint16_t>(call.EBX() >> 16);
        *ebxLow = static_cast<uint16_t>(call.EBX());
    }
    return call.Status();
}

}  // namespace kclk
