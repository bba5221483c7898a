// Parsing of kclktune's words: numbers (decimal or 0x hex, at most 0xFFFF), ITEM=VALUE pairs
// and the options of the commands that change the board. Errors come back as one line.
#pragma once

#include <cstdint>
#include <string>

#include "commands.h"
#include "tune_items.h"

namespace kclktune {

// A 16-bit word: decimal digits, or 0x/0X and hex digits. error names text when it is not.
bool ParseWord(const std::string& text, uint16_t& value, std::string& error);

struct SetArguments {
    tune::TargetSet targets;
    uint16_t fsbStep = 0;          // 0: the plan's default
    uint32_t confirmSeconds = 15;  // --confirm-within
    bool confirmGiven = false;
    bool yes = false;
    bool dryRun = false;
    bool help = false;
};

constexpr uint32_t kMaxConfirmSeconds = 3600;

// set ITEM=VALUE... [--step N] [--confirm-within S | --yes] [--dry-run] [--help]
bool ParseSetArguments(const Args& args, SetArguments& out, std::string& error);

}  // namespace kclktune
