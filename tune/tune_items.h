// The adjustable items of a board as the tuning core names them, and a set of targets for them.
// Values are always the firmware's own words (see board/README.md for the simulated board's
// units); the core gives them no meaning beyond ordering and membership in the firmware's tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tune {

enum class Item : uint8_t {
    Fsb,    // front-side bus word (SetClock ECX)
    Dram,   // DRAM clock word (SetClock ESI)
    Agp,    // AGP clock word (SetClock EDI)
    Pci,    // PCI clock word (SetClock EBP)
    Vcore,  // core voltage word (SetNewVidVol)
    Vdimm,  // DIMM voltage word (SetNewDIMMOverVol)
    Vagp,   // AGP voltage word (SetNewAGPOverVol)
    Ratio,  // CPU ratio word (SetNewCPURatio)
    Cia,    // CIA control word (SetCIAControl)
    Mib,    // MIB control word (SetMIBControl)
};
constexpr int kItemCount = 10;

// The command-line and profile names: fsb, dram, agp, pci, vcore, vdimm, vagp, ratio, cia, mib.
std::string_view ItemName(Item item);
const char* ItemText(Item item);                          // the same, as a terminated text
std::optional<Item> ItemFromName(std::string_view name);  // exact, lower case

constexpr bool IsClock(Item item) { return item <= Item::Pci; }
constexpr bool IsVoltage(Item item) { return item >= Item::Vcore && item <= Item::Vagp; }

// Any subset of the items with a target word each.
struct TargetSet {
    bool has[kItemCount] = {};
    uint16_t value[kItemCount] = {};

    void Set(Item item, uint16_t word) {
        has[static_cast<int>(item)] = true;
        value[static_cast<int>(item)] = word;
    }
    bool Has(Item item) const { return has[static_cast<int>(item)]; }
    uint16_t Get(Item item) const { return value[static_cast<int>(item)]; }
    bool Empty() const {
        for (bool h : has)
            if (h) return false;
        return true;
    }
};

}  // namespace tune
