#include "change_plan.h"

#include <algorithm>

#include "text.h"

namespace tune {

namespace {

std::string Word(uint16_t value) { return Dec(value); }
std::string Hex(uint16_t value) {
    return Cat("0x", HexDigits(value, 4));
}

// "vcore=1525: " - how every validation error starts.
std::string Prefix(Item item, uint16_t value) {
    const bool hex = item == Item::Dram || item == Item::Agp || item == Item::Pci ||
                     item == Item::Cia;
    return Cat(ItemText(item), "=", (hex ? Hex(value) : Word(value)), ": ");
}

std::string List(const WordTable& table) {
    std::string text;
    for (uint16_t entry : table.entries) text += (text.empty() ? "" : " ") + Word(entry);
    return text.empty() ? "none" : text;
}

std::string Range(const WordLimit& limit) {
    return limit.Known() ? Cat(DecDigits(limit.low), "..", DecDigits(limit.high)) : "unknown";
}

int TableIndex(Item clock, bool asynchronous) {
    switch (clock) {
    case Item::Dram: return asynchronous ? kDramAsyncTable : kDramDividerTable;
    case Item::Agp: return asynchronous ? kAgpAsyncTable : kAgpDividerTable;
    case Item::Pci: return asynchronous ? kPciAsyncTable : kPciDividerTable;
    default: return kDiscreteFsbTable;
    }
}

int LimitIndex(Item clock) {
    switch (clock) {
    case Item::Dram: return kDramLimit;
    case Item::Agp: return kAgpLimit;
    case Item::Pci: return kPciLimit;
    default: return kLinearFsbLimit;
    }
}

bool FsbOffered(const ClockState& c, uint16_t fsb) {
    const uint32_t a = c.Attributes(Item::Fsb);
    return ((a & kAttrLinear) && c.limits[kLinearFsbLimit].Holds(fsb)) ||
           c.tables[kDiscreteFsbTable].Contains(fsb) ||
           ((a & kAttrAsync) && c.tables[kFsbAsyncTable].Contains(fsb));
}

// Whether a word of DRAM, AGP or PCI is one the firmware offers; why not, when it is not.
bool WordOffered(const ClockState& c, Item clock, uint16_t word, std::string& why) {
    const uint32_t a = c.Attributes(clock);
    if (word & 0x8000) {
        const uint16_t f = word & 0x7FFF;
        if (!(a & kAttrAsync)) {
            why = "the firmware offers no asynchronous mode for this clock";
            return false;
        }
        const WordTable& table = c.tables[TableIndex(clock, true)];
        const WordLimit& limit = c.limits[LimitIndex(clock)];
        if (table.Contains(f) || ((a & kAttrLinear) && limit.Holds(f))) return true;
        why = Cat("frequency ", Word(f), " is not in the firmware's asynchronous table (",
                  List(table), ")", (a & kAttrLinear) ? " nor inside its limit " : "",
                  (a & kAttrLinear) ? Range(limit) : std::string());
        return false;
    }
    if (!(a & kAttrDivider)) {
        why = "the firmware offers no divider mode for this clock";
        return false;
    }
    const WordTable& table = c.tables[TableIndex(clock, false)];
    if (table.Contains(word)) return true;
    why = "not in the firmware's divider table";
    return false;
}

// Checks one target against the snapshot; empty when it may be sent.
std::string Validate(const BoardSnapshot& s, Item item, uint16_t value) {
    std::string why;
    if (!s.Adjustable(item, &why)) return Prefix(item, value) + why;
    const ClockState& c = s.clock;
    switch (item) {
    case Item::Fsb:
        if (FsbOffered(c, value)) return {};
        return Cat(Prefix(item, value), "not offered by the firmware (",
                   (c.Attributes(item) & kAttrLinear)
                       ? Cat("linear limit ", Range(c.limits[kLinearFsbLimit]), ", ")
                       : std::string(),
                   "table ", List(c.tables[kDiscreteFsbTable]), ")");
    case Item::Dram:
    case Item::Agp:
    case Item::Pci:
        return WordOffered(c, item, value, why) ? std::string() : Prefix(item, value) + why;
    case Item::Vcore:
    case Item::Vdimm:
    case Item::Vagp: {
        const LevelState& v = *s.Level(item);
        if (v.table.Contains(value)) return {};
        return Cat(Prefix(item, value), "not in the firmware's table (", List(v.table), ")");
    }
    case Item::Ratio: {
        const LevelState& r = s.ratio;
        if (!r.table.Contains(value))
            return Cat(Prefix(item, value), "not in the firmware's table (", List(r.table), ")");
        if (!r.limit.Holds(value))
            return Cat(Prefix(item, value), "outside the processor's limit ", Range(r.limit));
        return {};
    }
    case Item::Cia:
        if (value & 0x7F00) return Cat(Prefix(item, value), "reserved bits 8..14 are set");
        if ((value & 0xFF) >= s.cia.levels.entries.size())
            return Cat(Prefix(item, value), "level ", Word(value & 0xFF),
                       " is past the firmware's ",
                       Word(static_cast<uint16_t>(s.cia.levels.entries.size())), " levels");
        return {};
    case Item::Mib:
        if (value > 1) return Cat(Prefix(item, value), "MIB is switched with 0 (off) or 1 (on)");
        return {};
    }
    return Cat(Prefix(item, value), "unknown item");
}

// Every DRAM/AGP/PCI clock of the final setting must stay inside its limit.
std::string ValidateFinalClock(const BoardSnapshot& s, const ClockWords& final,
                               const TargetSet& targets) {
    for (Item clock : {Item::Dram, Item::Agp, Item::Pci}) {
        const WordLimit& limit = s.clock.limits[LimitIndex(clock)];
        if (!limit.Known()) continue;  // the probe still decides
        const uint16_t word = final.Get(clock);
        const uint16_t f = ClockFrequency(final.fsb, word);
        if (f != 0 && limit.Holds(f)) continue;
        const Item named = targets.Has(clock) ? clock : Item::Fsb;
        return Cat(Prefix(named, targets.Get(named)), ItemText(clock), " word ", Hex(word),
                   " at fsb ", Word(final.fsb), " makes frequency ", Word(f),
                   ", outside its limit ", Range(limit));
    }
    return {};
}

}  // namespace

uint16_t ClockFrequency(uint16_t fsb, uint16_t word) {
    if (word & 0x8000) return word & 0x7FFF;
    const uint32_t fsbPart = word >> 8, clockPart = word & 0xFF;
    if (fsbPart == 0) return 0;
    const uint32_t f = fsb * clockPart / fsbPart;
    return f > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(f);
}

std::vector<uint16_t> FsbRamp(const BoardSnapshot& s, uint16_t from, uint16_t to, uint16_t step) {
    std::vector<uint16_t> ramp;
    if (from == to) return ramp;
    const ClockState& c = s.clock;
    const bool up = to > from;
    const WordLimit& linear = c.limits[kLinearFsbLimit];
    if ((c.Attributes(Item::Fsb) & kAttrLinear) && linear.Holds(from) && linear.Holds(to)) {
        const uint32_t size = step ? step : kDefaultLinearFsbStep;
        uint32_t at = from;
        while (at != to) {
            const uint32_t distance = up ? to - at : at - to;
            const uint32_t move = distance < size ? distance : size;
            at = up ? at + move : at - move;
            ramp.push_back(static_cast<uint16_t>(at));
        }
        return ramp;
    }
    // Table mode: the values the firmware offers between the two, nearest first.
    std::vector<uint16_t> offered;
    const uint16_t low = up ? from : to, high = up ? to : from;
    const auto take = [&](const WordTable& table) {
        for (uint16_t v : table.entries)
            if (v > low && v < high) offered.push_back(v);
    };
    take(c.tables[kDiscreteFsbTable]);
    if (c.Attributes(Item::Fsb) & kAttrAsync) take(c.tables[kFsbAsyncTable]);
    std::sort(offered.begin(), offered.end());
    offered.erase(std::unique(offered.begin(), offered.end()), offered.end());
    if (!up) std::reverse(offered.begin(), offered.end());
    offered.push_back(to);
    uint16_t at = from;
    for (size_t i = 0; i < offered.size();) {
        // One entry per step; with a step size, the farthest entry within it (at least one).
        size_t next = i;
        if (step) {
            while (next + 1 < offered.size()) {
                const uint16_t candidate = offered[next + 1];
                const uint32_t distance = up ? candidate - at : at - candidate;
                if (distance > step) break;
                ++next;
            }
        }
        at = offered[next];
        ramp.push_back(at);
        i = next + 1;
    }
    return ramp;
}

ChangePlan MakeChangePlan(const BoardSnapshot& s, const TargetSet& targets,
                          const PlanOptions& options) {
    ChangePlan plan;
    if (!s.usable) {
        plan.error = "no tuning interface";
        return plan;
    }
    // Validate every target first: nothing is planned unless all of them may be sent.
    TargetSet changes;
    for (int i = 0; i < kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        if (!targets.Has(item)) continue;
        const uint16_t value = targets.Get(item);
        const std::optional<uint16_t> current = s.Current(item);
        if (current && *current == value) continue;  // already in force: nothing to send
        const std::string error = Validate(s, item, value);
        if (!error.empty()) {
            plan.error = error;
            return plan;
        }
        changes.Set(item, value);
    }

    ClockWords now = s.clock.current;
    ClockWords final = now;
    bool clockChanges = false;
    for (Item clock : {Item::Fsb, Item::Dram, Item::Agp, Item::Pci})
        if (changes.Has(clock)) {
            final.Set(clock, changes.Get(clock));
            clockChanges = true;
        }
    if (clockChanges) {
        const std::string error = ValidateFinalClock(s, final, targets);
        if (!error.empty()) {
            plan.error = error;
            return plan;
        }
    }

    const auto level = [&](Item item) {
        Step step;
        step.item = item;
        const std::optional<uint16_t> current = s.Current(item);
        step.from = current.value_or(0);
        step.fromKnown = current.has_value();
        step.to = changes.Get(item);
        plan.steps.push_back(step);
    };
    const auto clockStep = [&](Item item, uint16_t word) {
        Step step;
        step.item = item;
        step.from = now.Get(item);
        step.to = word;
        step.clockBefore = now;
        now.Set(item, word);
        step.clockAfter = now;
        plan.steps.push_back(step);
    };
    const auto raises = [&](Item item) {
        const std::optional<uint16_t> current = s.Current(item);
        return changes.Has(item) && current && changes.Get(item) > *current;
    };
    const auto lowers = [&](Item item) {
        const std::optional<uint16_t> current = s.Current(item);
        return changes.Has(item) && current && changes.Get(item) < *current;
    };
    // The FSB positions of the run: where it starts, every ramp step, where it ends.
    std::vector<uint16_t> positions{now.fsb};
    if (changes.Has(Item::Fsb))
        for (uint16_t fsb : FsbRamp(s, now.fsb, changes.Get(Item::Fsb), options.fsbStep))
            positions.push_back(fsb);
    const size_t last = positions.size() - 1;
    const bool fsbUp = positions.back() > positions.front();

    // When each DRAM/AGP/PCI word changes. Position 0: a step of its own before the ramp;
    // 1..last: together with the FSB step that arrives at positions[p]; last + 1: a step of its
    // own after the ramp. A slower word changes as early as it can, a faster one as late as it
    // can, at a position where the clock stays inside its limit in every state of the run: the
    // old word up to the change, the new word from there on.
    struct WordChange { Item clock; size_t at; bool faster; };
    std::vector<WordChange> words;
    for (Item clock : {Item::Dram, Item::Agp, Item::Pci}) {
        if (!changes.Has(clock)) continue;
        const uint16_t oldWord = now.Get(clock), newWord = changes.Get(clock);
        const WordLimit& limit = s.clock.limits[LimitIndex(clock)];
        const auto fits = [&](uint16_t fsb, uint16_t word) {
            return !limit.Known() || limit.Holds(ClockFrequency(fsb, word));
        };
        const bool faster = ClockFrequency(now.fsb, newWord) > ClockFrequency(now.fsb, oldWord);
        std::vector<size_t> valid;
        for (size_t at = 0; at <= last + 1; ++at) {
            bool ok = true;
            for (size_t q = 0; q <= last && ok; ++q) {
                const bool oldInForce = at == 0 ? false : at == last + 1 ? true : q < at;
                ok = fits(positions[q], oldInForce ? oldWord : newWord);
            }
            if (ok) valid.push_back(at);
        }
        // No position keeps it inside: the plain order, and the probe will say why.
        const size_t plain = faster == fsbUp ? last + 1 : 0;
        const size_t at = valid.empty() ? plain : (faster ? valid.back() : valid.front());
        words.push_back({clock, at, faster});
    }
    const auto wordsOwnStep = [&](size_t at, bool faster) {
        for (const WordChange& w : words)
            if (w.at == at && w.faster == faster) clockStep(w.clock, changes.Get(w.clock));
    };
    // CIA goes where the FSB is lowest.
    const bool ciaFirst = fsbUp || last == 0;

    // 1. Voltages up.
    for (Item v : {Item::Vcore, Item::Vdimm, Item::Vagp})
        if (raises(v)) level(v);
    // 2.-4. The ratio down, the ramp with its word changes and CIA, the ratio up.
    if (lowers(Item::Ratio)) level(Item::Ratio);
    wordsOwnStep(0, false);
    if (ciaFirst && changes.Has(Item::Cia)) level(Item::Cia);
    wordsOwnStep(0, true);
    for (size_t at = 1; at <= last; ++at) {
        ClockWords with = now;
        with.fsb = positions[at];
        for (const WordChange& w : words)
            if (w.at == at) with.Set(w.clock, changes.Get(w.clock));
        Step step;
        step.item = Item::Fsb;
        step.from = now.fsb;
        step.to = with.fsb;
        step.clockBefore = now;
        step.clockAfter = with;
        plan.steps.push_back(step);
        now = with;
    }
    wordsOwnStep(last + 1, false);
    if (!ciaFirst && changes.Has(Item::Cia)) level(Item::Cia);
    wordsOwnStep(last + 1, true);
    if (raises(Item::Ratio)) level(Item::Ratio);
    // 5. Voltages down.
    for (Item v : {Item::Vagp, Item::Vdimm, Item::Vcore})
        if (lowers(v)) level(v);
    // 6. MIB last.
    if (changes.Has(Item::Mib)) level(Item::Mib);

    plan.ok = true;
    return plan;
}

}  // namespace tune
