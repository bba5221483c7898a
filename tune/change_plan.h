// From a snapshot and a set of targets to the ordered steps that reach them. Pure: no request
// is made here, so every target is checked against what the snapshot holds before anything is
// sent, and a plan can be tested without a board.
//
// Order of a run (the board is never asked to run faster than the voltages in force allow):
//   1. voltages that go up: core, DIMM, AGP;
//   2. the ratio, when it goes down;
//   3. the FSB ramp, each DRAM/AGP/PCI word changed in a step of its own before or after the
//      ramp or together with one of its FSB steps: a word that makes its clock slower as early
//      as possible, one that makes it faster as late as possible, where the clock stays inside
//      its limit in every state of the run; CIA where the FSB is lowest;
//   4. the ratio, when it goes up;
//   5. voltages that go down: AGP, DIMM, core;
//   6. MIB last: the firmware cannot report its state, so no later step may need it undone.
// Each clock step sends all four clock words: the setting in force with its own item changed (an
// FSB step may carry DRAM/AGP/PCI words along, when no other order keeps their clocks in limit).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board_snapshot.h"
#include "tune_items.h"

namespace tune {

constexpr uint16_t kDefaultLinearFsbStep = 100;  // words per step when the FSB is linear

struct PlanOptions {
    uint16_t fsbStep = 0;  // 0: one table entry, or kDefaultLinearFsbStep words in linear mode
};

struct Step {
    Item item = Item::Fsb;
    uint16_t from = 0, to = 0;  // the item's word before and after the step
    bool fromKnown = true;      // false for MIB, whose state the firmware does not report
    // Clock steps: the whole setting in force before the step and the one the step sends (an FSB
    // step may change words of DRAM/AGP/PCI too).
    ClockWords clockBefore, clockAfter;
};

struct ChangePlan {
    bool ok = false;
    std::string error;        // one line naming the item and value when !ok
    std::vector<Step> steps;  // empty when every target is already in force
};

ChangePlan MakeChangePlan(const BoardSnapshot& snapshot, const TargetSet& targets,
                          const PlanOptions& options = {});

// The frequency a DRAM/AGP/PCI clock word makes from an FSB (the firmware's own rule: bit 15
// set = asynchronous at bits 0..14, else FSB x low byte / high byte); 0 when it makes none.
uint16_t ClockFrequency(uint16_t fsb, uint16_t word);

// The FSB values a ramp from `from` to `to` sets, in order, `to` last (empty when equal). In
// linear mode steps of `step` words (0: the default); otherwise from one offered table entry to
// the next, or to the farthest within `step` words when a step is given.
std::vector<uint16_t> FsbRamp(const BoardSnapshot& snapshot, uint16_t from, uint16_t to,
                              uint16_t step);

}  // namespace tune
