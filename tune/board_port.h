// The requests a run makes, behind one seam: kclk.dll in the programs, a scripted board in tests.
#pragma once

#include <cstdint>
#include <string>

#include "board_snapshot.h"
#include "tune_items.h"

namespace tune {

// What the firmware answered to one request.
struct FirmwareAnswer {
    bool clock = false;  // SetClockProb or SetClock: bx holds problem bits
    bool yesNo = false;  // the export answers yes (1) or no (0) instead of a status word
    uint16_t status = kStatusUndelivered;  // status word; for yes/no exports 0 = yes
    uint16_t bx = 0;  // the clock requests' problem bits; else the answer (value or flag)
    bool Done() const { return status == 0 && (!clock || bx == 0); }
};

// "done", or the status word and problem bits by name, e.g.
// "status 8602h (rejected), BX 0001h (FSB not offered)".
std::string DescribeAnswer(const FirmwareAnswer& answer);

class BoardPort {
public:
    virtual ~BoardPort() = default;
    // SetClockProb and SetClock with all four words; storeAsPreset sets EBX bit 8.
    virtual FirmwareAnswer ProbeClock(const ClockWords& words) = 0;
    virtual FirmwareAnswer SetClock(const ClockWords& words, bool storeAsPreset) = 0;
    virtual bool ReadClock(ClockWords& words) = 0;  // the setting in force
    // Voltages, ratio, CIA, MIB. For CIA and MIB bx holds the answer's flag (bit 0).
    virtual FirmwareAnswer SetWord(Item item, uint16_t word) = 0;
    // The word in force; false when it cannot be read (always for MIB).
    virtual bool ReadWord(Item item, uint16_t& word) = 0;
};

// The port over kclk.dll (Check_KRVer must have found the interface).
class KclkBoardPort : public BoardPort {
public:
    FirmwareAnswer ProbeClock(const ClockWords& words) override;
    FirmwareAnswer SetClock(const ClockWords& words, bool storeAsPreset) override;
    bool ReadClock(ClockWords& words) override;
    FirmwareAnswer SetWord(Item item, uint16_t word) override;
    bool ReadWord(Item item, uint16_t& word) override;
};

}  // namespace tune
