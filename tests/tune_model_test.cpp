// The tuning core against the simulated board's own firmware, called with the registers its
// handler takes: every plan the core makes for a reachable target must be accepted probe by
// probe and arrive exactly, and a plan's rollback must bring back the firmware's very bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board_port.h"
#include "change_plan.h"
#include "firmware_model.h"
#include "verified_apply.h"

namespace {

using tune::Item;

// The tuning requests the library would send, straight into the model's handler.
class FirmwarePort : public tune::BoardPort {
public:
    board::FirmwareModel model;
    int probes = 0, sets = 0;

    tune::FirmwareAnswer ProbeClock(const tune::ClockWords& w) override {
        ++probes;
        board::CpuRegisters r{};
        r.ecx = w.fsb;
        r.esi = w.dram;
        r.edi = w.agp;
        r.ebp = w.pci;
        return Clock(Call(0xB5, 0xB0, 0, r), r);
    }
    tune::FirmwareAnswer SetClock(const tune::ClockWords& w, bool preset) override {
        ++sets;
        board::CpuRegisters r{};
        r.ecx = w.fsb;
        r.esi = w.dram;
        r.edi = w.agp;
        r.ebp = w.pci;
        r.ebx = preset ? 0x100 : 0;
        return Clock(Call(0xB6, 0xB0, 0, r), r);
    }
    bool ReadClock(tune::ClockWords& w) override {
        board::CpuRegisters r{};
        if (Call(0xB2, 0xB0, 0xB0, r) != 0) return false;
        w = {static_cast<uint16_t>(r.ecx), static_cast<uint16_t>(r.edx),
             static_cast<uint16_t>(r.edx >> 16), static_cast<uint16_t>(r.edi)};
        return true;
    }
    tune::FirmwareAnswer SetWord(Item item, uint16_t word) override {
        ++sets;
        board::CpuRegisters r{};
        tune::FirmwareAnswer a;
        switch (item) {
        case Item::Vcore: case Item::Vdimm: case Item::Vagp:
            r.ecx = word;
            a.status = Call(0xB4, Device(item), 0, r);
            break;
        case Item::Ratio:
            r.ecx = word;
            a.status = Call(0xB5, 0xB4, 0, r);
            break;
        case Item::Cia:
            r.esi = word;
            a.status = Call(0xB4, 0xB5, 0, r);
            a.yesNo = true;
            break;
        case Item::Mib:
            r.ecx = word;
            a.status = Call(0xB2, 0xB6, 0, r);
            a.yesNo = true;
            break;
        default: break;
        }
        a.bx = static_cast<uint16_t>(a.yesNo ? (r.ebx & 1) : r.ebx);
        return a;
    }
    bool ReadWord(Item item, uint16_t& word) override {
        board::CpuRegisters r{};
        switch (item) {
        case Item::Vcore: case Item::Vdimm: case Item::Vagp:
            if (Call(0xB2, Device(item), 0, r) != 0) return false;
            word = static_cast<uint16_t>(r.ebx);
            return true;
        case Item::Ratio:
            if (Call(0xB2, 0xB4, 0, r) != 0) return false;
            word = static_cast<uint16_t>(r.ebx);
            return true;
        case Item::Cia:
            if (Call(0xB2, 0xB5, 0, r) != 0) return false;
            word = static_cast<uint16_t>(r.esi);
            return true;
        default: return false;
        }
    }

private:
    uint16_t Call(uint8_t ah, uint8_t bl, uint8_t bh, board::CpuRegisters& r) {
        r.eax = static_cast<uint32_t>(ah) << 8 | board::kDefaultTuningCommand;
        r.ebx = (r.ebx & ~0xFFFFu) | static_cast<uint32_t>(bh) << 8 | bl;
        model.HandleTuning(r);
        return static_cast<uint16_t>(r.eax);
    }
    static uint8_t Device(Item item) { return static_cast<uint8_t>(0xB1 + static_cast<int>(item) - static_cast<int>(Item::Vcore)); }
    static tune::FirmwareAnswer Clock(uint16_t status, const board::CpuRegisters& r) {
        tune::FirmwareAnswer a;
        a.clock = true;
        a.status = status;
        a.bx = static_cast<uint16_t>(r.ebx);
        return a;
    }
};

tune::WordTable TableOf(const board::ValueTable& t) {
    tune::WordTable table;
    table.entries.assign(t.entries, t.entries + t.Length());
    table.endStatus = board::kStatusPastEnd;
    return table;
}

tune::WordLimit LimitOf(const board::Range& r, uint16_t cx = 0) {
    tune::WordLimit l;
    l.status = 0;
    l.low = r.low;
    l.high = r.high;
    l.cx = cx;
    return l;
}

// What ReadBoardSnapshot would read from this firmware.
tune::BoardSnapshot SnapshotOf(FirmwarePort& port) {
    const board::FirmwareModel& m = port.model;
    tune::BoardSnapshot s;
    s.krVersion = 4;
    s.usable = true;
    tune::ClockState& c = s.clock;
    c.supportStatus = m.supportStatus;
    c.attributeStatus = 0;
    c.fsbDramAttributes = m.fsbDramAttributes;
    c.agpPciAttributes = m.agpPciAttributes;
    c.currentStatus = port.ReadClock(c.current) ? 0 : 1;
    for (int i = 0; i < tune::kClockTableCount; ++i) c.tables[i] = TableOf(m.clock.tables[i]);
    for (int i = 0; i < tune::kClockLimitCount; ++i) c.limits[i] = LimitOf(m.clock.limits[i]);
    for (int i = 0; i < 3; ++i) {
        tune::LevelState& v = s.voltages[i];
        v.supportStatus = m.voltages[i].supportStatus;
        v.attributeStatus = 0;
        v.attribute = m.voltages[i].attribute;
        v.currentStatus = 0;
        v.current = m.voltages[i].current;
        v.table = TableOf(m.voltages[i].table);
    }
    s.ratio.supportStatus = m.ratio.supportStatus;
    s.ratio.attributeStatus = s.ratio.currentStatus = 0;
    s.ratio.current = m.ratio.current;
    s.ratio.table = TableOf(m.ratio.table);
    s.ratio.limit = LimitOf(m.ratio.limit, m.ratio.processorDefault);
    s.cia.supported = m.cia.supportStatus == 0;
    s.cia.attributeAnswer = s.cia.statusAnswer = 1;
    s.cia.switchable = m.cia.attribute & 1;
    s.cia.status = m.cia.status;
    s.cia.levels = TableOf(m.cia.levels);
    s.mib.supported = m.mib.supportStatus == 0;
    s.mib.attributeAnswer = 1;
    s.mib.switchable = m.mib.attribute & 1;
    return s;
}

tune::TargetSet Targets(std::initializer_list<std::pair<Item, uint16_t>> pairs) {
    tune::TargetSet t;
    for (const auto& [item, value] : pairs) t.Set(item, value);
    return t;
}

bool SameBytes(const board::FirmwareModel& a, const board::FirmwareModel& b) {
    return std::memcmp(&a.clock, &b.clock, sizeof a.clock) == 0 &&
           std::memcmp(&a.voltages, &b.voltages, sizeof a.voltages) == 0 &&
           std::memcmp(&a.ratio, &b.ratio, sizeof a.ratio) == 0 &&
           std::memcmp(&a.cia, &b.cia, sizeof a.cia) == 0 && std::memcmp(&a.mib, &b.mib, sizeof a.mib) == 0;
}

TEST(TuneOnTheFirmware, EveryReachableTargetArrivesProbeByProbeAndRollsBackToTheSameBytes) {
    const struct {
        const char* name;
        tune::TargetSet targets;
        uint16_t step;
    } cases[] = {
        {"faster FSB behind a higher core voltage", Targets({{Item::Fsb, 14000}, {Item::Vcore, 1600}}), 0},
        {"200 MHz: every divider moves, AGP only at 180 MHz",
         Targets({{Item::Fsb, 20000}, {Item::Dram, 0x0101}, {Item::Agp, 0x0301}, {Item::Pci, 0x0601},
                  {Item::Vcore, 1700}, {Item::Vdimm, 2700}}),
         1000},
        {"down to 100 MHz with faster dividers",
         Targets({{Item::Fsb, 10000}, {Item::Agp, 0x0302}, {Item::Pci, 0x0301}, {Item::Vcore, 1400}}),
         500},
        {"asynchronous clocks", Targets({{Item::Agp, 0x8000 | 7000}, {Item::Pci, 0x8000 | 3500},
                                         {Item::Dram, 0x8000 | 13333}}), 0},
        {"ratio, CIA, MIB and the voltages", Targets({{Item::Ratio, 105}, {Item::Cia, 0x8002},
                                                      {Item::Mib, 1}, {Item::Vagp, 1700}}), 0},
        {"table mode ramp", Targets({{Item::Fsb, 16667}, {Item::Dram, 0x0101}}), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FirmwarePort port;
        port.model.Reset();
        if (std::string(c.name) == "table mode ramp") port.model.fsbDramAttributes &= ~0x4u;
        const board::FirmwareModel before = port.model;
        const tune::BoardSnapshot snapshot = SnapshotOf(port);
        tune::PlanOptions options;
        options.fsbStep = c.step;
        const tune::ChangePlan plan = tune::MakeChangePlan(snapshot, c.targets, options);
        ASSERT_TRUE(plan.ok) << plan.error;

        tune::VerifiedApply apply(port, nullptr);
        const tune::ApplyOutcome outcome = apply.Apply(plan.steps);
        ASSERT_EQ(tune::ApplyOutcome::kDone, outcome.result) << outcome.failure << " / " << outcome.rollback;
        EXPECT_EQ(plan.steps.size(), outcome.applied);
        const tune::BoardSnapshot after = SnapshotOf(port);
        for (int i = 0; i < tune::kItemCount; ++i) {
            const Item item = static_cast<Item>(i);
            if (!c.targets.Has(item) || item == Item::Mib) continue;
            EXPECT_EQ(c.targets.Get(item), after.Current(item).value_or(0)) << tune::ItemName(item);
        }
        if (c.targets.Has(Item::Mib)) {
            EXPECT_EQ(c.targets.Get(Item::Mib), port.model.mib.on);
        }

        // What confirm-or-revert does when the time runs out: every step back. MIB, which
        // cannot be put back, is left out of this comparison.
        if (c.targets.Has(Item::Mib)) port.model.mib = before.mib;
        std::vector<tune::Step> undoable;
        for (const tune::Step& step : plan.steps)
            if (step.fromKnown) undoable.push_back(step);
        std::string failure;
        ASSERT_TRUE(apply.Rollback(undoable, undoable.size(), failure)) << failure;
        EXPECT_TRUE(SameBytes(before, port.model));
    }
}

TEST(TuneOnTheFirmware, ATargetTheFirmwareRefusesMidwayLeavesItsBytesAsTheyWere) {
    // The VCO limit is narrowed after the snapshot: the ramp's fourth probe is refused.
    FirmwarePort port;
    port.model.Reset();
    const board::FirmwareModel before = port.model;
    const tune::BoardSnapshot snapshot = SnapshotOf(port);
    const tune::ChangePlan plan =
        tune::MakeChangePlan(snapshot, Targets({{Item::Fsb, 14000}, {Item::Vcore, 1650}}));
    ASSERT_TRUE(plan.ok) << plan.error;
    port.model.clock.tables[board::kFsbDividerTable].length = 1;  // only 4:1
    port.model.clock.limits[board::kVcoLimit].high = 5373;        // up to FSB 134.33 MHz
    board::FirmwareModel expected = port.model;

    tune::VerifiedApply apply(port, nullptr);
    const tune::ApplyOutcome outcome = apply.Apply(plan.steps);
    EXPECT_EQ(tune::ApplyOutcome::kRefused, outcome.result);
    EXPECT_NE(std::string::npos, outcome.failure.find("step 3/8 (fsb 13433 -> 13533)")) << outcome.failure;
    EXPECT_NE(std::string::npos,
              outcome.failure.find("no FSB divider keeps the VCO inside its limit"))
        << outcome.failure;
    EXPECT_TRUE(SameBytes(expected, port.model));
    (void)before;
}

}  // namespace
