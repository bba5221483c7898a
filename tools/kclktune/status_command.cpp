// status: every adjustable item with its word in force, boot preset, whether the firmware lets
// it change, and the tables and limits a new value must come from; as text or JSON.
#include <cstdio>
#include <string>
#include <vector>

#include "apply_flow.h"
#include "board_snapshot.h"
#include "text.h"
#include "tune_commands.h"
#include "verified_apply.h"

namespace kclktune {

namespace {

using tune::Item;

std::string Dec(uint32_t value) { return tune::Dec(value); }
std::string Int(int32_t value) {
    return value < 0 ? "-" + tune::Dec(static_cast<uint32_t>(-value)) : tune::Dec(static_cast<uint32_t>(value));
}

// The simulated board's convention: frequencies are MHz x 100.
std::string Mhz(uint16_t word) {
    const uint32_t cents = word % 100u;
    return tune::Dec(word / 100u) + "." + (cents < 10 ? "0" : "") + tune::Dec(cents) + " MHz";
}

std::string Words(const std::vector<uint16_t>& words, bool hex) {
    std::string text;
    for (uint16_t w : words) text += (text.empty() ? "" : " ") + (hex ? "0x" + tune::Hex(w, 4) : Dec(w));
    return text.empty() ? "none" : text;
}

std::string Limit(const tune::WordLimit& l) {
    return l.Known() ? Dec(l.low) + ".." + Dec(l.high) : "unknown";
}

int ClockIndex(Item item) { return static_cast<int>(item) - static_cast<int>(Item::Dram); }

// What a new value of the item must be, in words.
std::string Offered(const tune::BoardSnapshot& s, Item item) {
    const tune::ClockState& c = s.clock;
    const uint32_t a = c.Attributes(item);
    switch (item) {
    case Item::Fsb: {
        std::string text;
        if (a & tune::kAttrLinear) text = "linear " + Limit(c.limits[tune::kLinearFsbLimit]) + "; ";
        text += "table " + Words(c.tables[tune::kDiscreteFsbTable].entries, false);
        if (a & tune::kAttrAsync) text += "; asynchronous " + Words(c.tables[tune::kFsbAsyncTable].entries, false);
        return text;
    }
    case Item::Dram:
    case Item::Agp:
    case Item::Pci: {
        const int i = ClockIndex(item);
        std::string text;
        if (a & tune::kAttrDivider)
            text += "dividers " + Words(c.tables[tune::kDramDividerTable + i].entries, true) + "; ";
        if (a & tune::kAttrAsync)
            text += "asynchronous 0x8000+" + Words(c.tables[tune::kDramAsyncTable + i].entries, false) +
                    ((a & tune::kAttrLinear) ? " or any inside the limit" : "") + "; ";
        return text + "limit " + Limit(c.limits[tune::kDramLimit + i]);
    }
    case Item::Vcore:
    case Item::Vdimm:
    case Item::Vagp:
        return "table " + Words(s.Level(item)->table.entries, false);
    case Item::Ratio:
        return "table " + Words(s.ratio.table.entries, false) + "; limit " + Limit(s.ratio.limit) +
               " (processor default " + Dec(s.ratio.limit.cx) + ")";
    case Item::Cia:
        return "levels " + Words(s.cia.levels.entries, false) +
               " (control word: bit 15 engaged, low byte the level)";
    case Item::Mib:
        return "0 off, 1 on";
    }
    return {};
}

std::string InForce(const tune::BoardSnapshot& s, Item item) {
    const std::optional<uint16_t> word = s.Current(item);
    if (!word) return "unknown";
    std::string text = tune::WordText(item, *word);
    if (item == Item::Fsb) text += " (" + Mhz(*word) + ")";
    if (item == Item::Dram || item == Item::Agp || item == Item::Pci) {
        const int i = ClockIndex(item);
        if (s.clock.frequencyStatus[i] == 0) text += " (" + Mhz(s.clock.frequency[i]) + ")";
    }
    return text;
}

std::string Preset(const tune::BoardSnapshot& s, Item item) {
    if (!tune::IsClock(item)) return "-";
    const tune::ClockState& c = s.clock;
    if (item == Item::Fsb)
        return c.presetStatus == 0 ? Dec(c.preset.fsb) + " (" + Mhz(c.preset.fsb) + ")" : "unknown";
    const int i = ClockIndex(item);
    const std::string frequency =
        c.presetFrequencyStatus[i] == 0 ? " (" + Mhz(c.presetFrequency[i]) + ")" : "";
    if (item == Item::Pci || c.presetStatus != 0) return "unknown" + frequency;
    return tune::WordText(item, c.preset.Get(item)) + frequency;
}

// --- JSON ---------------------------------------------------------------------------------------

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (static_cast<unsigned char>(ch) < 0x20) continue;
        out += ch;
    }
    return out + "\"";
}

std::string Array(const std::vector<uint16_t>& words) {
    std::string out = "[";
    for (size_t i = 0; i < words.size(); ++i) out += (i ? "," : "") + Dec(words[i]);
    return out + "]";
}

std::string LimitJson(const tune::WordLimit& l) {
    return l.Known() ? "[" + Dec(l.low) + "," + Dec(l.high) + "]" : "null";
}

std::string ItemJson(const tune::BoardSnapshot& s, Item item) {
    std::string whyNot;
    const bool adjustable = s.Adjustable(item, &whyNot);
    const std::optional<uint16_t> word = s.Current(item);
    std::string out = "{\"current\":" + (word ? Dec(*word) : "null");
    const tune::ClockState& c = s.clock;
    if (tune::IsClock(item)) {
        const bool presetKnown = c.presetStatus == 0 && item != Item::Pci;
        out += ",\"preset\":" + (presetKnown ? Dec(c.preset.Get(item)) : "null");
        out += ",\"attributes\":" + Dec(c.Attributes(item));
        if (item == Item::Fsb) {
            out += ",\"linear_limit\":" + LimitJson(c.limits[tune::kLinearFsbLimit]);
            out += ",\"table\":" + Array(c.tables[tune::kDiscreteFsbTable].entries);
            out += ",\"asynchronous_table\":" + Array(c.tables[tune::kFsbAsyncTable].entries);
            out += ",\"dividers\":" + Array(c.tables[tune::kFsbDividerTable].entries);
            out += ",\"vco_limit\":" + LimitJson(c.limits[tune::kVcoLimit]);
            if (c.fsbFrequencyStatus == 0) out += ",\"frequency\":" + Dec(c.fsbFrequency);
        } else {
            const int i = ClockIndex(item);
            out += ",\"dividers\":" + Array(c.tables[tune::kDramDividerTable + i].entries);
            out += ",\"asynchronous_table\":" + Array(c.tables[tune::kDramAsyncTable + i].entries);
            out += ",\"limit\":" + LimitJson(c.limits[tune::kDramLimit + i]);
            if (c.frequencyStatus[i] == 0) out += ",\"frequency\":" + Dec(c.frequency[i]);
            if (c.presetFrequencyStatus[i] == 0)
                out += ",\"preset_frequency\":" + Dec(c.presetFrequency[i]);
        }
    } else if (const tune::LevelState* level = s.Level(item)) {
        out += ",\"support_status\":" + Dec(level->supportStatus);
        out += ",\"attribute\":" + Dec(level->attribute);
        out += ",\"table\":" + Array(level->table.entries);
        if (item == Item::Ratio) {
            out += ",\"limit\":" + LimitJson(level->limit);
            out += ",\"processor_default\":" + Dec(level->limit.cx);
        }
    } else if (item == Item::Cia) {
        out += ",\"levels\":" + Array(s.cia.levels.entries);
    } else {
        out += ",\"values\":[0,1]";
    }
    out += std::string(",\"adjustable\":") + (adjustable ? "true" : "false");
    if (!adjustable) out += ",\"why_not\":" + Quoted(whyNot);
    return out + "}";
}

std::string Json(const tune::BoardSnapshot& s) {
    std::string out = "{\"available\":" + std::string(s.usable ? "true" : "false") +
                      ",\"Check_KRVer\":" + Int(s.krVersion);
    if (s.usable) {
        out += ",\"units\":\"firmware words; on the simulated board frequencies are MHz x 100\"";
        out += ",\"items\":{";
        for (int i = 0; i < tune::kItemCount; ++i) {
            const Item item = static_cast<Item>(i);
            out += (i ? "," : "") + Quoted(std::string(tune::ItemName(item))) + ":" + ItemJson(s, item);
        }
        out += "},\"smart_fan\":{\"checked\":" + std::string(s.fanChecked ? "true" : "false");
        if (s.fanChecked) out += ",\"present\":" + std::string(s.fanPresent == 1 ? "true" : "false");
        out += "}";
    }
    return out + "}\n";
}

}  // namespace

int StatusCommand(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kStatusHelp, stdout);
        return kExitDone;
    }
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--json" && !json) {
            json = true;
            continue;
        }
        PrintError("status", "unexpected argument '" + arg + "' (see kclktune status --help)");
        return kExitUsage;
    }
    const tune::BoardSnapshot s = tune::ReadBoardSnapshot();
    if (json) {
        std::fputs(Json(s).c_str(), stdout);
        return s.usable ? kExitDone : kExitNoInterface;
    }
    if (!s.usable) {
        PrintError("status", "no tuning interface (Check_KRVer answered " +
                                 Int(s.krVersion) + ")");
        return kExitNoInterface;
    }
    std::string out = "Tuning interface: usable (Check_KRVer " + Int(s.krVersion) +
                      "). MHz: the simulated board's convention, word / 100.\n";
    const auto row = [&out](const std::string& item, const std::string& inForce,
                            const std::string& preset, const std::string& adjustable,
                            const std::string& values) {
        out += tune::Padded(item, 6) + " " + tune::Padded(inForce, 22) + " " +
               tune::Padded(preset, 22) + " " + tune::Padded(adjustable, 10) + " " + values + "\n";
    };
    row("item", "in force", "boot preset", "adjustable", "new values");
    for (int i = 0; i < tune::kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        std::string whyNot;
        const bool adjustable = s.Adjustable(item, &whyNot);
        row(std::string(tune::ItemName(item)), InForce(s, item), Preset(s, item),
            adjustable ? "yes" : "no", adjustable ? Offered(s, item) : whyNot);
    }
    if (s.fanChecked)
        out += std::string("smart fan: ") + (s.fanPresent == 1 ? "present" : "not present") + "\n";
    else
        out += "smart fan: not checked on this Windows (the check may change its flags)\n";
    Print(out);
    return kExitDone;
}

}  // namespace kclktune
