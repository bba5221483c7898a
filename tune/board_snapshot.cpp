#include "board_snapshot.h"

#include <algorithm>

namespace tune {

uint16_t ClockWords::Get(Item item) const {
    switch (item) {
    case Item::Fsb: return fsb;
    case Item::Dram: return dram;
    case Item::Agp: return agp;
    case Item::Pci: return pci;
    default: return 0;
    }
}

void ClockWords::Set(Item item, uint16_t word) {
    switch (item) {
    case Item::Fsb: fsb = word; break;
    case Item::Dram: dram = word; break;
    case Item::Agp: agp = word; break;
    case Item::Pci: pci = word; break;
    default: break;
    }
}

bool WordTable::Contains(uint16_t value) const {
    return std::find(entries.begin(), entries.end(), value) != entries.end();
}

uint32_t ClockState::Attributes(Item clock) const {
    switch (clock) {
    case Item::Fsb: return fsbDramAttributes & 0x1F;
    case Item::Dram: return (fsbDramAttributes >> 16) & 0x1F;
    case Item::Agp: return agpPciAttributes & 0x1F;
    case Item::Pci: return (agpPciAttributes >> 16) & 0x1F;
    default: return 0;
    }
}

BoardSnapshot::BoardSnapshot() = default;
BoardSnapshot::BoardSnapshot(const BoardSnapshot&) = default;
BoardSnapshot::BoardSnapshot(BoardSnapshot&&) noexcept = default;
BoardSnapshot& BoardSnapshot::operator=(const BoardSnapshot&) = default;
BoardSnapshot& BoardSnapshot::operator=(BoardSnapshot&&) noexcept = default;
BoardSnapshot::~BoardSnapshot() = default;

const LevelState* BoardSnapshot::Level(Item item) const {
    switch (item) {
    case Item::Vcore: return &voltages[0];
    case Item::Vdimm: return &voltages[1];
    case Item::Vagp: return &voltages[2];
    case Item::Ratio: return &ratio;
    default: return nullptr;
    }
}

std::optional<uint16_t> BoardSnapshot::Current(Item item) const {
    if (IsClock(item)) {
        if (clock.currentStatus != 0) return std::nullopt;
        return clock.current.Get(item);
    }
    if (const LevelState* level = Level(item)) {
        if (level->currentStatus != 0) return std::nullopt;
        return level->current;
    }
    if (item == Item::Cia && cia.statusAnswer == 1) return cia.status;
    return std::nullopt;
}

bool BoardSnapshot::Adjustable(Item item, std::string* whyNot) const {
    const auto no = [whyNot](const char* reason) {
        if (whyNot) *whyNot = reason;
        return false;
    };
    if (!usable) return no("no tuning interface");
    if (IsClock(item)) {
        if (clock.supportStatus != 0) return no("the board does not support clock tuning");
        if (clock.attributeStatus != 0) return no("the firmware gave no clock attributes");
        if (!(clock.Attributes(item) & kAttrCanAdjust))
            return no("the firmware says this clock cannot be adjusted");
        if (clock.currentStatus != 0) return no("the clock setting in force cannot be read");
        return true;
    }
    if (const LevelState* level = Level(item)) {
        if (level->supportStatus != 0) return no("the firmware says it cannot be changed");
        if (level->currentStatus != 0) return no("the value in force cannot be read");
        if (level->table.entries.empty()) return no("the firmware offers no values");
        if (item == Item::Ratio && !level->limit.Known())
            return no("the firmware gave no ratio limits");
        return true;
    }
    if (item == Item::Cia) {
        if (cia.supported != 1) return no("the firmware says CIA is not supported");
        if (cia.attributeAnswer != 1 || cia.switchable != 1)
            return no("the firmware says software may not switch CIA");
        if (cia.statusAnswer != 1) return no("the CIA status cannot be read");
        if (cia.levels.entries.empty()) return no("the firmware offers no CIA levels");
        return true;
    }
    if (item == Item::Mib) {
        if (mib.supported != 1) return no("the firmware says MIB is not supported");
        if (mib.attributeAnswer != 1 || mib.switchable != 1)
            return no("the firmware says software may not switch MIB");
        return true;
    }
    return no("unknown item");
}

TargetSet BoardSnapshot::ValuesInForce() const {
    TargetSet values;
    for (int i = 0; i < kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        if (!Adjustable(item)) continue;
        if (const std::optional<uint16_t> word = Current(item)) values.Set(item, *word);
    }
    return values;
}

std::vector<uint16_t> BoardSnapshot::IdentityWords() const {
    std::vector<uint16_t> words;
    // Each table goes in with its length first, so that two tables never run together.
    const auto table = [&words](const WordTable& t) {
        words.push_back(static_cast<uint16_t>(t.entries.size()));
        words.insert(words.end(), t.entries.begin(), t.entries.end());
    };
    const auto limit = [&words](const WordLimit& l) {
        words.push_back(l.status);
        words.push_back(l.low);
        words.push_back(l.high);
    };
    words.push_back(static_cast<uint16_t>(clock.fsbDramAttributes));
    words.push_back(static_cast<uint16_t>(clock.fsbDramAttributes >> 16));
    words.push_back(static_cast<uint16_t>(clock.agpPciAttributes));
    words.push_back(static_cast<uint16_t>(clock.agpPciAttributes >> 16));
    for (const WordTable& t : clock.tables) table(t);
    for (const WordLimit& l : clock.limits) limit(l);
    for (const LevelState& v : voltages) {
        words.push_back(v.attribute);
        table(v.table);
    }
    words.push_back(ratio.attribute);
    table(ratio.table);
    limit(ratio.limit);
    words.push_back(ratio.limit.cx);  // the processor's own ratio: part of what the board is
    table(cia.levels);
    return words;
}

}  // namespace tune
