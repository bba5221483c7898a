#include "tune_items.h"

namespace tune {

namespace {

constexpr const char* kNames[kItemCount] = {
    "fsb", "dram", "agp", "pci", "vcore", "vdimm", "vagp", "ratio", "cia", "mib",
};

}  // namespace

const char* ItemText(Item item) {
    const int index = static_cast<int>(item);
    return index >= 0 && index < kItemCount ? kNames[index] : "?";
}

std::string_view ItemName(Item item) { return ItemText(item); }

std::optional<Item> ItemFromName(std::string_view name) {
    for (int i = 0; i < kItemCount; ++i)
        if (kNames[i] == name) return static_cast<Item>(i);
    return std::nullopt;
}

}  // namespace tune
