// The tuning core without a board: the change plan (order, ramp, validation) on snapshots built
// by hand, the verified apply and its rollback on a scripted board, the confirmation countdown
// on a scripted clock, the journal's file handling and the record revert works from.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "board_port.h"
#include "change_plan.h"
#include "confirm.h"
#include "journal.h"
#include "last_set.h"
#include "verified_apply.h"

#ifdef _WIN32
#include <windows.h>

#include "win_handles.h"
#endif

namespace {

using tune::Item;

tune::WordTable Table(std::vector<uint16_t> entries) {
    tune::WordTable t;
    t.entries = std::move(entries);
    t.endStatus = 0x8601;
    return t;
}

tune::WordLimit Limit(uint16_t low, uint16_t high, uint16_t cx = 0) {
    tune::WordLimit l;
    l.status = 0;
    l.low = low;
    l.high = high;
    l.cx = cx;
    return l;
}

tune::WordTable Steps(uint16_t from, uint16_t to, uint16_t step) {
    std::vector<uint16_t> entries;
    for (uint32_t v = from; v <= to; v += step) entries.push_back(static_cast<uint16_t>(v));
    return Table(entries);
}

// The simulated board's power-on state, as a snapshot reads it.
tune::BoardSnapshot DefaultBoard() {
    tune::BoardSnapshot s;
    s.krVersion = 4;
    s.usable = true;
    tune::ClockState& c = s.clock;
    c.supportStatus = c.attributeStatus = c.currentStatus = c.presetStatus = 0;
    c.fsbDramAttributes = 0x001B000F;
    c.agpPciAttributes = 0x001B001B;
    c.current = {13333, 0x0405, 0x0201, 0x0401};
    c.preset = {13333, 0x0405, 0x0201, 0};
    c.tables[tune::kDiscreteFsbTable] =
        Table({10000, 10300, 11200, 12400, 13333, 14000, 15000, 16667, 18000, 20000});
    c.tables[tune::kFsbDividerTable] = Table({0x0401, 0x0301, 0x0201, 0x0601});
    c.tables[tune::kDramDividerTable] = Table({0x0101, 0x0405, 0x0504, 0x0302, 0x0203});
    c.tables[tune::kAgpDividerTable] = Table({0x0302, 0x0201, 0x0502, 0x0301});
    c.tables[tune::kPciDividerTable] = Table({0x0301, 0x0401, 0x0501, 0x0601});
    c.tables[tune::kFsbAsyncTable] = Table({10000, 13333, 16667, 20000});
    c.tables[tune::kDramAsyncTable] = Table({10000, 13333, 16667, 20000});
    c.tables[tune::kAgpAsyncTable] = Table({6667, 7000, 7500, 8000});
    c.tables[tune::kPciAsyncTable] = Table({3333, 3500, 3750, 4000});
    c.limits[tune::kLinearFsbLimit] = Limit(10000, 25000);
    c.limits[tune::kDramLimit] = Limit(10000, 23300);
    c.limits[tune::kAgpLimit] = Limit(6000, 9000);
    c.limits[tune::kPciLimit] = Limit(3000, 4500);
    c.limits[tune::kVcoLimit] = Limit(4000, 8000);
    const struct { uint16_t low, high, step, current; } volts[3] = {
        {1100, 1850, 25, 1500}, {2500, 2800, 50, 2500}, {1500, 1800, 100, 1500}};
    for (int i = 0; i < 3; ++i) {
        tune::LevelState& v = s.voltages[i];
        v.supportStatus = v.attributeStatus = v.currentStatus = 0;
        v.current = volts[i].current;
        v.table = Steps(volts[i].low, volts[i].high, volts[i].step);
    }
    s.ratio.supportStatus = s.ratio.attributeStatus = s.ratio.currentStatus = 0;
    s.ratio.current = 100;
    s.ratio.table = Steps(50, 120, 5);
    s.ratio.limit = Limit(60, 110, 100);
    s.cia.supported = s.cia.attributeAnswer = s.cia.switchable = s.cia.statusAnswer = 1;
    s.cia.status = 0;
    s.cia.levels = Table({3, 5, 7, 10});
    s.mib.supported = s.mib.attributeAnswer = s.mib.switchable = 1;
    return s;
}

tune::TargetSet Targets(std::initializer_list<std::pair<Item, uint16_t>> pairs) {
    tune::TargetSet t;
    for (const auto& [item, value] : pairs) t.Set(item, value);
    return t;
}

// "vcore:1600 fsb:13433 ..." - the plan's items and words in order.
std::string Sequence(const tune::ChangePlan& plan) {
    std::string text;
    for (const tune::Step& s : plan.steps) {
        text += (text.empty() ? "" : " ") + std::string(tune::ItemName(s.item)) + ":" +
                std::to_string(s.to);
        if (s.item == Item::Fsb)  // words an FSB step carries along
            for (Item other : {Item::Dram, Item::Agp, Item::Pci})
                if (s.clockBefore.Get(other) != s.clockAfter.Get(other))
                    text += "+" + std::string(tune::ItemName(other));
    }
    return text;
}

// --- The change plan ----------------------------------------------------------------------------

TEST(ChangePlan, VoltagesRiseBeforeClocksRiseAndFallAfterClocksFall) {
    const struct {
        const char* name;
        tune::TargetSet targets;
        const char* expected;
    } cases[] = {
        {"up", Targets({{Item::Fsb, 14000}, {Item::Vcore, 1600}}),
         "vcore:1600 fsb:13433 fsb:13533 fsb:13633 fsb:13733 fsb:13833 fsb:13933 fsb:14000"},
        {"down", Targets({{Item::Vcore, 1450}, {Item::Fsb, 13000}}),
         "fsb:13233 fsb:13133 fsb:13033 fsb:13000 vcore:1450"},
        {"every voltage both ways",
         Targets({{Item::Vcore, 1400}, {Item::Vdimm, 2600}, {Item::Vagp, 1800}}),
         "vdimm:2600 vagp:1800 vcore:1400"},
        {"values in force among them are left out",
         Targets({{Item::Vcore, 1400}, {Item::Vdimm, 2500}, {Item::Vagp, 1500}, {Item::Fsb, 13233}}),
         "fsb:13233 vcore:1400"},
        {"ratio up after the FSB, down before it",
         Targets({{Item::Ratio, 110}, {Item::Fsb, 13433}, {Item::Vcore, 1525}}),
         "vcore:1525 fsb:13433 ratio:110"},
        {"ratio down first", Targets({{Item::Ratio, 60}, {Item::Vcore, 1475}, {Item::Fsb, 13233}}),
         "ratio:60 fsb:13233 vcore:1475"},
        // DRAM 0405h -> 0101h is slower at 133 MHz: it goes before the FSB rises to 200 MHz.
        {"slower word before the FSB rises", Targets({{Item::Fsb, 13533}, {Item::Dram, 0x0101}}),
         "dram:257 fsb:13433 fsb:13533"},
        // AGP 0201h -> 0302h is faster: after the FSB has come down.
        {"faster word after the FSB falls", Targets({{Item::Fsb, 13133}, {Item::Agp, 0x0302}}),
         "fsb:13233 fsb:13133 agp:770"},
        {"CIA at the lowest clocks, MIB last",
         Targets({{Item::Mib, 1}, {Item::Cia, 0x8001}, {Item::Fsb, 13433}, {Item::Vcore, 1525}}),
         "vcore:1525 cia:32769 fsb:13433 mib:1"},
        {"CIA after the FSB falls", Targets({{Item::Cia, 0x8002}, {Item::Fsb, 13233}}),
         "fsb:13233 cia:32770"},
        {"values in force are left out", Targets({{Item::Vcore, 1500}, {Item::Fsb, 13333}}), ""},
    };
    for (const auto& c : cases) {
        const tune::ChangePlan plan = tune::MakeChangePlan(DefaultBoard(), c.targets);
        ASSERT_TRUE(plan.ok) << c.name << ": " << plan.error;
        EXPECT_EQ(c.expected, Sequence(plan)) << c.name;
    }
}

TEST(ChangePlan, EveryClockStepSendsTheWholeSettingInForce) {
    const tune::BoardSnapshot board = DefaultBoard();
    const tune::ChangePlan plan = tune::MakeChangePlan(
        board, Targets({{Item::Fsb, 15000}, {Item::Dram, 0x0101}, {Item::Agp, 0x0502},
                        {Item::Pci, 0x8000 | 3500}}),
        {500});
    ASSERT_TRUE(plan.ok) << plan.error;
    tune::ClockWords now = board.clock.current;
    for (const tune::Step& step : plan.steps) {
        ASSERT_TRUE(tune::IsClock(step.item));
        EXPECT_EQ(now, step.clockBefore) << tune::ItemName(step.item) << " " << step.to;
        EXPECT_EQ(now.Get(step.item), step.from);
        EXPECT_EQ(step.to, step.clockAfter.Get(step.item));
        if (step.item != Item::Fsb) {  // a word's own step changes nothing else
            tune::ClockWords expected = now;
            expected.Set(step.item, step.to);
            EXPECT_EQ(expected, step.clockAfter);
        }
        now = step.clockAfter;
    }
    EXPECT_EQ((tune::ClockWords{15000, 0x0101, 0x0502, 0x8000 | 3500}), now);
    // AGP 0502h would run below its limit under 150 MHz: it changes together with the FSB step
    // that reaches 150 MHz, the first state of the run in which it fits.
    EXPECT_EQ("dram:257 fsb:13833 fsb:14333 fsb:14833 fsb:15000+agp pci:36268", Sequence(plan));
}

TEST(ChangePlan, FsbRampsInStepsNoLargerThanTheStepSize) {
    tune::BoardSnapshot linear = DefaultBoard();
    tune::BoardSnapshot table = DefaultBoard();
    table.clock.fsbDramAttributes &= ~tune::kAttrLinear;
    tune::BoardSnapshot tableAsync = table;
    tableAsync.clock.fsbDramAttributes |= tune::kAttrAsync;
    tableAsync.clock.tables[tune::kFsbAsyncTable] = Table({14500, 19000});

    using V = std::vector<uint16_t>;
    const struct {
        const char* name;
        const tune::BoardSnapshot& board;
        uint16_t from, to, step;
        V expected;
    } cases[] = {
        {"linear default", linear, 13333, 13700, 0, V{13433, 13533, 13633, 13700}},
        {"linear given", linear, 13333, 14000, 250, V{13583, 13833, 14000}},
        {"linear down", linear, 13333, 13000, 200, V{13133, 13000}},
        {"linear one word", linear, 13333, 13335, 1, V{13334, 13335}},
        {"table one entry each", table, 13333, 20000, 0, V{14000, 15000, 16667, 18000, 20000}},
        {"table down", table, 16667, 12400, 0, V{15000, 14000, 13333, 12400}},
        {"table within the step", table, 13333, 20000, 2000, V{15000, 16667, 18000, 20000}},
        {"table gap wider than the step", table, 10300, 12400, 100, V{11200, 12400}},
        {"asynchronous entries too", tableAsync, 13333, 20000, 0,
         V{14000, 14500, 15000, 16667, 18000, 19000, 20000}},
        {"nothing to do", linear, 13333, 13333, 0, V{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, tune::FsbRamp(c.board, c.from, c.to, c.step)) << c.name;
    }

    // Every linear ramp is monotone, ends at its target and never moves more than its step.
    for (uint16_t from : {10000, 13333, 24999})
        for (uint16_t to : {10001, 14000, 25000})
            for (uint16_t step : {1, 7, 100, 3000}) {
                const V ramp = tune::FsbRamp(linear, from, to, step);
                uint16_t at = from;
                for (uint16_t next : ramp) {
                    ASSERT_NE(at, next);
                    ASSERT_EQ(to > from, next > at) << from << "->" << to;
                    ASSERT_LE(to > from ? next - at : at - next, step) << from << "->" << to;
                    at = next;
                }
                ASSERT_EQ(to, at);
            }
}

TEST(ChangePlan, RefusesWhatTheFirmwareDoesNotOfferBeforeAnythingIsPlanned) {
    const auto without = [](std::function<void(tune::BoardSnapshot&)> change) {
        tune::BoardSnapshot s = DefaultBoard();
        change(s);
        return s;
    };
    const tune::BoardSnapshot board = DefaultBoard();
    const struct {
        const char* name;
        tune::BoardSnapshot board;
        tune::TargetSet targets;
        const char* mention;  // the error names the item this way
    } cases[] = {
        {"fsb outside the linear limit and the table", board, Targets({{Item::Fsb, 30000}}), "fsb=30000"},
        {"fsb not adjustable",
         without([](auto& s) { s.clock.fsbDramAttributes &= ~tune::kAttrCanAdjust; }),
         Targets({{Item::Fsb, 14000}}), "cannot be adjusted"},
        {"no clock tuning", without([](auto& s) { s.clock.supportStatus = 0x8603; }),
         Targets({{Item::Dram, 0x0101}}), "dram=0x0101"},
        {"fsb between table entries without linear mode",
         without([](auto& s) { s.clock.fsbDramAttributes &= ~tune::kAttrLinear; }),
         Targets({{Item::Fsb, 13500}}), "fsb=13500"},
        {"dram divider not in the table", board, Targets({{Item::Dram, 0x0999}}), "dram=0x0999"},
        {"dram asynchronous frequency not offered", board, Targets({{Item::Dram, 0x8000 | 15000}}),
         "asynchronous table"},
        {"agp asynchronous mode not supported",
         without([](auto& s) { s.clock.agpPciAttributes &= ~tune::kAttrAsync; }),
         Targets({{Item::Agp, 0x8000 | 7000}}), "no asynchronous mode"},
        {"pci divider mode not supported",
         without([](auto& s) { s.clock.agpPciAttributes &= ~(tune::kAttrDivider << 16); }),
         Targets({{Item::Pci, 0x0501}}), "no divider mode"},
        {"fsb that drives DRAM past its limit", board, Targets({{Item::Fsb, 20000}}),
         "outside its limit"},
        {"word that drives its clock past the limit", board,
         Targets({{Item::Fsb, 20000}, {Item::Dram, 0x0405}, {Item::Agp, 0x0302}}), "dram"},
        {"vcore not in the table", board, Targets({{Item::Vcore, 1510}}), "vcore=1510"},
        {"vdimm not adjustable", without([](auto& s) { s.voltages[1].supportStatus = 0x8603; }),
         Targets({{Item::Vdimm, 2600}}), "vdimm=2600"},
        {"ratio in the table but past the processor's limit", board, Targets({{Item::Ratio, 120}}),
         "limit"},
        {"ratio not in the table", board, Targets({{Item::Ratio, 57}}), "ratio=57"},
        {"cia level past the table", board, Targets({{Item::Cia, 0x8004}}), "level 4"},
        {"cia reserved bits", board, Targets({{Item::Cia, 0x0100}}), "reserved"},
        {"cia not switchable", without([](auto& s) { s.cia.switchable = 0; }),
         Targets({{Item::Cia, 0x8001}}), "may not switch"},
        {"mib other than on or off", board, Targets({{Item::Mib, 2}}), "mib=2"},
        {"one bad among good ones", board,
         Targets({{Item::Vcore, 1600}, {Item::Fsb, 14000}, {Item::Vagp, 1650}}), "vagp=1650"},
    };
    for (const auto& c : cases) {
        const tune::ChangePlan plan = tune::MakeChangePlan(c.board, c.targets);
        EXPECT_FALSE(plan.ok) << c.name;
        EXPECT_TRUE(plan.steps.empty()) << c.name;
        EXPECT_NE(std::string::npos, plan.error.find(c.mention)) << c.name << ": " << plan.error;
        EXPECT_EQ(std::string::npos, plan.error.find('\n')) << c.name;
    }

    // What the firmware does offer passes: an asynchronous word from the table, a word that is
    // only legal at the new FSB, a CIA level with its engaged bit.
    const tune::TargetSet good[] = {
        Targets({{Item::Agp, 0x8000 | 7000}}),
        Targets({{Item::Fsb, 20000}, {Item::Dram, 0x0101}, {Item::Agp, 0x0301}, {Item::Pci, 0x0601}}),
        Targets({{Item::Cia, 0x8003}, {Item::Mib, 0}, {Item::Ratio, 60}}),
    };
    for (const tune::TargetSet& targets : good) {
        const tune::ChangePlan plan = tune::MakeChangePlan(board, targets);
        EXPECT_TRUE(plan.ok) << plan.error;
    }
}

TEST(ChangePlan, MibHasNoKnownEarlierStateAndTheIdentityLeavesValuesInForceOut) {
    const tune::ChangePlan plan = tune::MakeChangePlan(DefaultBoard(), Targets({{Item::Mib, 1}}));
    ASSERT_TRUE(plan.ok);
    ASSERT_EQ(1u, plan.steps.size());
    EXPECT_FALSE(plan.steps[0].fromKnown);

    tune::BoardSnapshot changedValues = DefaultBoard();
    changedValues.clock.current.fsb = 15000;
    changedValues.voltages[0].current = 1600;
    changedValues.cia.status = 0x8001;
    EXPECT_EQ(DefaultBoard().IdentityWords(), changedValues.IdentityWords());
    tune::BoardSnapshot otherTable = DefaultBoard();
    otherTable.voltages[2].table.entries.pop_back();
    EXPECT_NE(DefaultBoard().IdentityWords(), otherTable.IdentityWords());
    tune::BoardSnapshot otherLimit = DefaultBoard();
    otherLimit.ratio.limit.high = 105;
    EXPECT_NE(tune::IdentityHash(DefaultBoard().IdentityWords()),
              tune::IdentityHash(otherLimit.IdentityWords()));
}

// --- Verified apply on a scripted board -------------------------------------------------------------

// A board that keeps a clock setting and the level words, logs every request, and misbehaves on
// the request numbers a test names (sets counted from 1, rollbacks included).
class ScriptedBoard : public tune::BoardPort {
public:
    explicit ScriptedBoard(const tune::BoardSnapshot& s) : clock(s.clock.current) {
        for (Item item : {Item::Vcore, Item::Vdimm, Item::Vagp, Item::Ratio, Item::Cia})
            words[static_cast<int>(item)] = s.Current(item).value_or(0);
    }

    tune::FirmwareAnswer ProbeClock(const tune::ClockWords& w) override {
        if (Refuse(sets + 1)) {
            log.push_back("probe " + Text(w) + " refused");
            return Answer(0x8602, 0x0001, true);
        }
        log.push_back("probe " + Text(w));
        return Answer(0, 0, true);
    }
    tune::FirmwareAnswer SetClock(const tune::ClockWords& w, bool preset) override {
        ++sets;
        log.push_back(std::string(preset ? "preset " : "set ") + Text(w));
        if (Refuse(sets)) return Answer(0x8602, 0x0001, true);
        if (sets != ignoreSet) clock = w;
        return Answer(0, 0, true);
    }
    bool ReadClock(tune::ClockWords& w) override {
        w = clock;
        return true;
    }
    tune::FirmwareAnswer SetWord(Item item, uint16_t word) override {
        ++sets;
        log.push_back("word " + std::string(tune::ItemName(item)) + " " + std::to_string(word));
        if (Refuse(sets)) return Answer(0x8602, words[static_cast<int>(item)], false);
        if (sets != ignoreSet) words[static_cast<int>(item)] = word;
        return Answer(0, words[static_cast<int>(item)], false);  // the value in force afterwards
    }
    bool ReadWord(Item item, uint16_t& word) override {
        if (item == Item::Mib) return false;
        word = words[static_cast<int>(item)];
        return true;
    }

    uint32_t refuseFrom = 0;  // this set and every later one (and their probes) are refused
    uint32_t refuseOnly = 0;  // just this set (and its probe)
    uint32_t ignoreSet = 0;   // this set answers done and changes nothing
    uint32_t sets = 0;
    tune::ClockWords clock;
    uint16_t words[tune::kItemCount] = {};
    std::vector<std::string> log;

private:
    // refuseOnly is spent by its first refusal: the rollback's sets that follow are not refused.
    bool Refuse(uint32_t set) {
        if (refuseOnly && set == refuseOnly && !spent_) return spent_ = true;
        return refuseFrom && set >= refuseFrom;
    }
    bool spent_ = false;
    static tune::FirmwareAnswer Answer(uint16_t status, uint16_t bx, bool clock) {
        tune::FirmwareAnswer a;
        a.clock = clock;
        a.status = status;
        a.bx = bx;
        return a;
    }
    static std::string Text(const tune::ClockWords& w) {
        return std::to_string(w.fsb) + "/" + std::to_string(w.dram) + "/" + std::to_string(w.agp) +
               "/" + std::to_string(w.pci);
    }
};

class VerifiedApplyTest : public testing::Test {
protected:
    const tune::BoardSnapshot board_ = DefaultBoard();
    // vcore up, four FSB steps, ratio up: six steps, six sets.
    const tune::ChangePlan plan_ = tune::MakeChangePlan(
        board_, Targets({{Item::Vcore, 1600}, {Item::Fsb, 13700}, {Item::Ratio, 105}}));

    static bool AtSnapshot(const ScriptedBoard& b, const tune::BoardSnapshot& s) {
        return b.clock == s.clock.current && b.words[static_cast<int>(Item::Vcore)] == 1500 &&
               b.words[static_cast<int>(Item::Ratio)] == 100;
    }
};

TEST_F(VerifiedApplyTest, EveryClockSetFollowsAProbeOfTheSameWords) {
    ASSERT_EQ(6u, plan_.steps.size());
    ScriptedBoard b(board_);
    tune::VerifiedApply apply(b, nullptr);
    const tune::ApplyOutcome outcome = apply.Apply(plan_.steps);
    EXPECT_EQ(tune::ApplyOutcome::kDone, outcome.result) << outcome.failure;
    EXPECT_EQ(6u, outcome.applied);
    for (size_t i = 0; i < b.log.size(); ++i)
        if (b.log[i].rfind("set ", 0) == 0) {
            ASSERT_GT(i, 0u);
            EXPECT_EQ("probe " + b.log[i].substr(4), b.log[i - 1]);
        }
    EXPECT_EQ(std::count_if(b.log.begin(), b.log.end(),
                            [](const std::string& l) { return l.rfind("preset", 0) == 0; }),
              0)
        << "the boot preset is never touched by an apply";
    EXPECT_EQ((tune::ClockWords{13700, 0x0405, 0x0201, 0x0401}), b.clock);
}

TEST_F(VerifiedApplyTest, AFailureAtAnyStepStopsTheRunAndPutsEveryStepBack) {
    for (uint32_t k = 1; k <= 6; ++k) {
        SCOPED_TRACE("step " + std::to_string(k));
        {
            ScriptedBoard b(board_);
            b.refuseOnly = k;
            tune::VerifiedApply apply(b, nullptr);
            const tune::ApplyOutcome outcome = apply.Apply(plan_.steps);
            EXPECT_EQ(tune::ApplyOutcome::kRefused, outcome.result);
            EXPECT_EQ(k - 1, outcome.applied);
            EXPECT_NE(std::string::npos, outcome.failure.find("step " + std::to_string(k) + "/6"))
                << outcome.failure;
            EXPECT_TRUE(AtSnapshot(b, board_));
            if (tune::IsClock(plan_.steps[k - 1].item)) {
                EXPECT_NE(std::string::npos, outcome.failure.find("8602h (rejected)"));
                EXPECT_NE(std::string::npos, outcome.failure.find("FSB not offered"));
                // A refused probe is never followed by a set of its words.
                for (size_t i = 0; i + 1 < b.log.size(); ++i) {
                    const std::string& l = b.log[i];
                    if (l.size() < 8 || l.compare(l.size() - 8, 8, " refused") != 0) continue;
                    EXPECT_NE("set " + l.substr(6, l.size() - 14), b.log[i + 1]);
                }
            }
        }
        {
            ScriptedBoard b(board_);
            b.ignoreSet = k;
            tune::VerifiedApply apply(b, nullptr);
            const tune::ApplyOutcome outcome = apply.Apply(plan_.steps);
            EXPECT_EQ(tune::ApplyOutcome::kVerifyFailed, outcome.result);
            EXPECT_NE(std::string::npos, outcome.failure.find("read back")) << outcome.failure;
            EXPECT_TRUE(AtSnapshot(b, board_));
        }
    }
}

TEST_F(VerifiedApplyTest, ARollbackThatFailsStopsAndSaysWhere) {
    ScriptedBoard b(board_);
    b.refuseFrom = 4;  // the fourth step's set, and every rollback set after it
    tune::VerifiedApply apply(b, nullptr);
    const tune::ApplyOutcome outcome = apply.Apply(plan_.steps);
    EXPECT_EQ(tune::ApplyOutcome::kRollbackFailed, outcome.result);
    EXPECT_NE(std::string::npos, outcome.rollback.find("rollback of step 3/6")) << outcome.rollback;
    // The rollback stopped at once: the raised core voltage stays with the clock still up.
    EXPECT_EQ(1600, b.words[static_cast<int>(Item::Vcore)]);
    EXPECT_EQ(13533, b.clock.fsb);
}

TEST_F(VerifiedApplyTest, DryRunProbesEveryClockStepAndSetsNothing) {
    ScriptedBoard b(board_);
    tune::VerifiedApply apply(b, nullptr);
    std::string failure;
    EXPECT_TRUE(apply.ProbeOnly(plan_.steps, failure)) << failure;
    EXPECT_EQ(4u, b.log.size());
    EXPECT_EQ(0u, b.sets);
    b.refuseFrom = 1;
    EXPECT_FALSE(apply.ProbeOnly(plan_.steps, failure));
    EXPECT_NE(std::string::npos, failure.find("step 2/6")) << failure;
}

// --- Confirmation countdown -------------------------------------------------------------------------

class ScriptedClock : public tune::ConfirmIo {
public:
    uint32_t NowMs() override { return now; }
    bool WaitForConfirmation(uint32_t ms) override {
        waits.push_back(ms);
        if (confirmAt && now + ms >= confirmAt) {
            now = confirmAt;
            return true;
        }
        now += ms;
        return false;
    }
    void ShowRemaining(uint32_t seconds) override { shown.push_back(seconds); }

    uint32_t now = 0xFFFFF000u;  // the tick count wraps during the countdown
    uint32_t confirmAt = 0;
    std::vector<uint32_t> waits, shown;
};

TEST(Confirmation, RunsOffOneDeadlineAndCountsDownEverySecond) {
    ScriptedClock unanswered;
    const uint32_t start = unanswered.now;
    EXPECT_FALSE(tune::AwaitConfirmation(unanswered, 15));
    EXPECT_EQ(15000u, unanswered.now - start);
    std::vector<uint32_t> expected;
    for (uint32_t s = 15; s >= 1; --s) expected.push_back(s);
    EXPECT_EQ(expected, unanswered.shown);

    ScriptedClock answered;
    answered.confirmAt = answered.now + 3500;
    EXPECT_TRUE(tune::AwaitConfirmation(answered, 15));
    EXPECT_EQ((std::vector<uint32_t>{15, 14, 13, 12}), answered.shown);

    // A wait that returns late never stretches the countdown past its deadline.
    class Late : public ScriptedClock {
        bool WaitForConfirmation(uint32_t ms) override {
            now += ms + 700;
            return false;
        }
    } late;
    const uint32_t lateStart = late.now;
    EXPECT_FALSE(tune::AwaitConfirmation(late, 3));
    EXPECT_LT(late.now - lateStart, 3000u + 1000u + 700u);
}

#ifdef _WIN32
// --- Journal and the record revert works from -------------------------------------------------------

std::string TempPath(const std::string& name) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

std::string ReadText(const std::string& path) {
    std::string text;
    tune::Journal(path).ReadAll(text);
    return text;
}

TEST(Journal, AppendsQuotedCsvLinesAndRotatesPastItsBound) {
    const std::string folder = TempPath("tune_journal_test");
    const std::string path = folder + "\\sub\\journal.csv";
    DeleteFileA(path.c_str());
    DeleteFileA((folder + "\\sub\\journal.1.csv").c_str());
    tune::Journal journal(path);
    std::string error;
    ASSERT_TRUE(journal.CheckWritable(&error)) << error;
    EXPECT_EQ(folder + "\\sub\\journal.1.csv", journal.RotatedPath());
    ASSERT_TRUE(journal.Append("apply", "fsb", "13333", "13433", "step 1/7: done"));
    ASSERT_TRUE(journal.Append("refused", "dram", "0x0405", "0x0101", "status 8602h, \"BX\" 0001h"));
    const std::string text = ReadText(path);
    EXPECT_NE(std::string::npos, text.find(",apply,fsb,13333,13433,step 1/7: done\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(",\"status 8602h, \"\"BX\"\" 0001h\"\r\n")) << text;
    EXPECT_EQ('T', text[10]) << "ISO time first: " << text;

    // Past the bound the file moves aside whole and a new one starts.
    const std::string filler(1000, 'x');
    uint32_t written = static_cast<uint32_t>(text.size());
    while (written < tune::Journal::kRotateBytes) {
        ASSERT_TRUE(journal.Append("apply", "fsb", "1", "2", filler));
        written += 1030;
    }
    WIN32_FILE_ATTRIBUTE_DATA a{}, b{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a));
    ASSERT_TRUE(GetFileAttributesExA(journal.RotatedPath().c_str(), GetFileExInfoStandard, &b));
    EXPECT_LE(a.nFileSizeLow, tune::Journal::kRotateBytes);
    EXPECT_LE(b.nFileSizeLow, tune::Journal::kRotateBytes);
    EXPECT_GT(b.nFileSizeLow, tune::Journal::kRotateBytes - 2000);
    EXPECT_EQ(0u, a.nFileSizeHigh);
}

TEST(Journal, AFolderThatCannotBeMadeIsReportedBeforeAnythingIsWritten) {
    const std::string blocker = TempPath("tune_journal_blocker");
    const kclk::FileHandle file(CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(file));
    std::string error;
    tune::Journal journal(blocker + "\\journal.csv");  // a file where the folder should be
    EXPECT_FALSE(journal.CheckWritable(&error));
    EXPECT_NE(std::string::npos, error.find("cannot")) << error;
    EXPECT_FALSE(journal.Append("apply", "fsb", "1", "2", "done"));
}

#endif  // _WIN32

TEST(LastSetRecord, ReadsOnlyAValueOfExactlyItsOwnShape) {
    tune::LastSet record;
    record.identity = 0x12345678;
    record.before.Set(Item::Fsb, 13333);
    record.after.Set(Item::Fsb, 14000);
    record.before.Set(Item::Vcore, 1500);
    record.after.Set(Item::Vcore, 1600);
    const std::vector<uint8_t> bytes = tune::EncodeLastSet(record);
    tune::LastSet back;
    ASSERT_TRUE(tune::DecodeLastSet(bytes, back));
    EXPECT_EQ(record.identity, back.identity);
    EXPECT_TRUE(back.before.Has(Item::Fsb) && back.after.Has(Item::Vcore));
    EXPECT_FALSE(back.before.Has(Item::Dram));
    EXPECT_EQ(14000, back.after.Get(Item::Fsb));

    std::vector<uint8_t> shorter(bytes.begin(), bytes.end() - 1), longer = bytes, badMagic = bytes,
                                                                  badMask = bytes;
    longer.push_back(0);
    badMagic[0] ^= 1;
    badMask[9] = 0x80;  // an item bit past the last item
    for (const auto& bad : {shorter, longer, badMagic, badMask, std::vector<uint8_t>{}}) {
        tune::LastSet untouched;
        untouched.identity = 7;
        EXPECT_FALSE(tune::DecodeLastSet(bad, untouched));
        EXPECT_EQ(7u, untouched.identity);
    }
}

}  // namespace
