// What `revert` puts back: the words in force before the last confirmed change, with the words
// that change set, kept as one registry value written whole (HKCU\Software\Corvane\Kestrel4\Tune,
// "LastConfirmedSet"). It is written only after the user confirmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "board_snapshot.h"
#include "change_plan.h"
#include "tune_items.h"

namespace tune {

constexpr const char* kTuneKey = "Software\\Corvane\\Kestrel4\\Tune";
constexpr const char* kLastSetValue = "LastConfirmedSet";

// The value's size: magic, identity, item mask, ten words before, ten after.
constexpr size_t kLastSetBytes = 4 + 4 + 2 + 2 * kItemCount * 2;

struct LastSet {
    uint32_t identity = 0;  // IdentityHash of the board it was made on
    TargetSet before;       // the changed items' words before the change
    TargetSet after;        // and after it
};

// A short fingerprint of a board's identity words (FNV-1a over their bytes).
uint32_t IdentityHash(const std::vector<uint16_t>& words);

enum class LastSetRead { kMissing, kMalformed, kFound };

// The record of a confirmed run: every item its steps changed, with its word from the snapshot
// taken before the run and its target. MIB is left out (unreadable: nothing to put back); a
// record whose before is empty changes nothing that revert could undo.
LastSet LastSetFromRun(const BoardSnapshot& before, const std::vector<Step>& steps,
                       const TargetSet& targets);

bool SaveLastSet(const LastSet& record);
LastSetRead LoadLastSet(LastSet& record);  // record untouched unless kFound
bool DeleteLastSet();                      // true when it is gone (or was never there)

// The value's bytes, exposed for tests of the strict reading.
std::vector<uint8_t> EncodeLastSet(const LastSet& record);
bool DecodeLastSet(const std::vector<uint8_t>& bytes, LastSet& record);

}  // namespace tune
