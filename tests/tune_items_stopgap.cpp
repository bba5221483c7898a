// Stand-in for the items' names until the tuning core's own definitions are merged.
#include "tune_items.h"

namespace tune {

namespace {
constexpr std::string_view kNames[kItemCount] = {"fsb",   "dram",  "agp",   "pci", "vcore",
                                                 "vdimm", "vagp", "ratio", "cia", "mib"};
}

std::string_view ItemName(Item item) { return kNames[static_cast<int>(item)]; }

std::optional<Item> ItemFromName(std::string_view name) {
    for (int i = 0; i < kItemCount; ++i)
        if (kNames[i] == name) return static_cast<Item>(i);
    return std::nullopt;
}

}  // namespace tune
