// status: every adjustable item with its word in force, boot preset, whether the firmware lets
// it change, and the tables and limits a new value must come from; as text or JSON.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "apply_flow.h"
#include "board_snapshot.h"
#include "text.h"
#include "tune_commands.h"
#include "verified_apply.h"

namespace kclktune {

namespace {

using tune::Append;
using tune::Cat;
using tune::Item;

// The blanks that pad text on the right to width (22 at most).
const char* Blanks(const char* text, size_t width) {
    static const char kBlanks[] = "                      ";
    const size_t length = std::strlen(text);
    return length < width ? kBlanks + (sizeof kBlanks - 1) - (width - length) : "";
}

std::string Dec(uint32_t value) { return tune::Dec(value); }
std::string Int(int32_t value) {
    const std::string digits =
        tune::Dec(value < 0 ? static_cast<uint32_t>(-value) : static_cast<uint32_t>(value));
    return value < 0 ? Cat("-", digits) : digits;
}

// The simulated board's convention: frequencies are MHz x 100.
std::string Mhz(uint16_t word) {
    const uint32_t cents = word % 100u;
    return Cat(tune::Dec(word / 100u), ".", cents < 10 ? "0" : "", tune::Dec(cents), " MHz");
}

std::string Words(const std::vector<uint16_t>& words, bool hex) {
    std::string text;
    for (uint16_t w : words)
        Append(text, text.empty() ? "" : " ", hex ? "0x" : "", hex ? tune::Hex(w, 4) : Dec(w));
    return text.empty() ? "none" : text;
}

std::string Limit(const tune::WordLimit& l) {
    return l.Known() ? Cat(tune::DecDigits(l.low), "..", tune::DecDigits(l.high)) : "unknown";
}

int ClockIndex(Item item) { return static_cast<int>(item) - static_cast<int>(Item::Dram); }

// What a new value of the item must be, in words.
std::string Offered(const tune::BoardSnapshot& s, Item item) {
    const tune::ClockState& c = s.clock;
    const uint32_t a = c.Attributes(item);
    switch (item) {
    case Item::Fsb: {
        std::string text;
        if (a & tune::kAttrLinear)
            text = Cat("linear ", Limit(c.limits[tune::kLinearFsbLimit]), "; ");
        Append(text, "table ", Words(c.tables[tune::kDiscreteFsbTable].entries, false));
        if (a & tune::kAttrAsync)
            Append(text, "; asynchronous ", Words(c.tables[tune::kFsbAsyncTable].entries, false));
        return text;
    }
    case Item::Dram:
    case Item::Agp:
    case Item::Pci: {
        const int i = ClockIndex(item);
        std::string text;
        if (a & tune::kAttrDivider)
            Append(text, "dividers ", Words(c.tables[tune::kDramDividerTable + i].entries, true),
                   "; ");
        if (a & tune::kAttrAsync)
            Append(text, "asynchronous 0x8000+",
                   Words(c.tables[tune::kDramAsyncTable + i].entries, false),
                   (a & tune::kAttrLinear) ? " or any inside the limit" : "", "; ");
        Append(text, "limit ", Limit(c.limits[tune::kDramLimit + i]));
        return text;
    }
    case Item::Vcore:
    case Item::Vdimm:
    case Item::Vagp:
        return Cat("table ", Words(s.Level(item)->table.entries, false));
    case Item::Ratio:
        return Cat("table ", Words(s.ratio.table.entries, false), "; limit ", Limit(s.ratio.limit),
                   " (processor default ", tune::DecDigits(s.ratio.limit.cx), ")");
    case Item::Cia:
        return Cat("levels ", Words(s.cia.levels.entries, false),
                   " (control word: bit 15 engaged, low byte the level)");
    case Item::Mib:
        return "0 off, 1 on";
    }
    return {};
}

std::string InForce(const tune::BoardSnapshot& s, Item item) {
    const std::optional<uint16_t> word = s.Current(item);
    if (!word) return "unknown";
    std::string text = tune::WordText(item, *word);
    if (item == Item::Fsb) Append(text, " (", Mhz(*word), ")");
    if (item == Item::Dram || item == Item::Agp || item == Item::Pci) {
        const int i = ClockIndex(item);
        if (s.clock.frequencyStatus[i] == 0) Append(text, " (", Mhz(s.clock.frequency[i]), ")");
    }
    return text;
}

std::string Preset(const tune::BoardSnapshot& s, Item item) {
    if (!tune::IsClock(item)) return "-";
    const tune::ClockState& c = s.clock;
    if (item == Item::Fsb)
        return c.presetStatus == 0
                   ? Cat(tune::DecDigits(c.preset.fsb), " (", Mhz(c.preset.fsb), ")")
                   : "unknown";
    const int i = ClockIndex(item);
    const std::string frequency =
        c.presetFrequencyStatus[i] == 0 ? Cat(" (", Mhz(c.presetFrequency[i]), ")") : "";
    if (item == Item::Pci || c.presetStatus != 0) return Cat("unknown", frequency);
    return Cat(tune::WordText(item, c.preset.Get(item)), frequency);
}

// --- JSON ---------------------------------------------------------------------------------------

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (static_cast<unsigned char>(ch) < 0x20) continue;
        out += ch;
    }
    out += '"';
    return out;
}

std::string Array(const std::vector<uint16_t>& words) {
    std::string out = "[";
    for (size_t i = 0; i < words.size(); ++i) Append(out, i ? "," : "", tune::DecDigits(words[i]));
    out += ']';
    return out;
}

std::string LimitJson(const tune::WordLimit& l) {
    return l.Known() ? Cat("[", tune::DecDigits(l.low), ",", tune::DecDigits(l.high), "]") : "null";
}

std::string ItemJson(const tune::BoardSnapshot& s, Item item) {
    std::string whyNot;
    const bool adjustable = s.Adjustable(item, &whyNot);
    const std::optional<uint16_t> word = s.Current(item);
    std::string out = Cat("{\"current\":", word ? Dec(*word) : "null");
    const tune::ClockState& c = s.clock;
    if (tune::IsClock(item)) {
        const bool presetKnown = c.presetStatus == 0 && item != Item::Pci;
        Append(out, ",\"preset\":", presetKnown ? Dec(c.preset.Get(item)) : "null",
               ",\"attributes\":", tune::DecDigits(c.Attributes(item)));
        if (item == Item::Fsb) {
            Append(out, ",\"linear_limit\":", LimitJson(c.limits[tune::kLinearFsbLimit]),
                   ",\"table\":", Array(c.tables[tune::kDiscreteFsbTable].entries),
                   ",\"asynchronous_table\":", Array(c.tables[tune::kFsbAsyncTable].entries),
                   ",\"dividers\":", Array(c.tables[tune::kFsbDividerTable].entries),
                   ",\"vco_limit\":", LimitJson(c.limits[tune::kVcoLimit]));
            if (c.fsbFrequencyStatus == 0)
                Append(out, ",\"frequency\":", tune::DecDigits(c.fsbFrequency));
        } else {
            const int i = ClockIndex(item);
            Append(out, ",\"dividers\":", Array(c.tables[tune::kDramDividerTable + i].entries),
                   ",\"asynchronous_table\":", Array(c.tables[tune::kDramAsyncTable + i].entries),
                   ",\"limit\":", LimitJson(c.limits[tune::kDramLimit + i]));
            if (c.frequencyStatus[i] == 0)
                Append(out, ",\"frequency\":", tune::DecDigits(c.frequency[i]));
            if (c.presetFrequencyStatus[i] == 0)
                Append(out, ",\"preset_frequency\":", tune::DecDigits(c.presetFrequency[i]));
        }
    } else if (const tune::LevelState* level = s.Level(item)) {
        Append(out, ",\"support_status\":", tune::DecDigits(level->supportStatus),
               ",\"attribute\":", Dec(level->attribute),
               ",\"table\":", Array(level->table.entries));
        if (item == Item::Ratio)
            Append(out, ",\"limit\":", LimitJson(level->limit),
                   ",\"processor_default\":", Dec(level->limit.cx));
    } else if (item == Item::Cia) {
        Append(out, ",\"levels\":", Array(s.cia.levels.entries));
    } else {
        out += ",\"values\":[0,1]";
    }
    Append(out, ",\"adjustable\":", adjustable ? "true" : "false");
    if (!adjustable) Append(out, ",\"why_not\":", Quoted(whyNot));
    out += '}';
    return out;
}

std::string Json(const tune::BoardSnapshot& s) {
    std::string out =
        Cat("{\"available\":", s.usable ? "true" : "false", ",\"Check_KRVer\":", Int(s.krVersion));
    if (s.usable) {
        out += ",\"units\":\"firmware words; on the simulated board frequencies are MHz x 100\"";
        out += ",\"items\":{";
        for (int i = 0; i < tune::kItemCount; ++i) {
            const Item item = static_cast<Item>(i);
            Append(out, i ? "," : "", Quoted(tune::ItemText(item)), ":", ItemJson(s, item));
        }
        Append(out, "},\"smart_fan\":{\"checked\":", s.fanChecked ? "true" : "false");
        if (s.fanChecked) Append(out, ",\"present\":", s.fanPresent == 1 ? "true" : "false");
        out += "}";
    }
    out += "}\n";
    return out;
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
        PrintError("status", Cat("unexpected argument '", arg, "' (see kclktune status --help)"));
        return kExitUsage;
    }
    const tune::BoardSnapshot s = tune::ReadBoardSnapshot();
    if (json) {
        std::fputs(Json(s).c_str(), stdout);
        return s.usable ? kExitDone : kExitNoInterface;
    }
    if (!s.usable) {
        PrintError("status", "no tuning interface (Check_KRVer answered ", Int(s.krVersion), ")");
        return kExitNoInterface;
    }
    std::string out = Cat("Tuning interface: usable (Check_KRVer ", Int(s.krVersion),
                          "). MHz: the simulated board's convention, word / 100.\n");
    const auto row = [&out](const char* item, const char* inForce, const char* preset,
                            const char* adjustable, const char* values) {
        Append(out, item, Blanks(item, 6), " ", inForce, Blanks(inForce, 22), " ", preset,
               Blanks(preset, 22), " ", adjustable, Blanks(adjustable, 10), " ", values, "\n");
    };
    row("item", "in force", "boot preset", "adjustable", "new values");
    for (int i = 0; i < tune::kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        std::string whyNot;
        const bool adjustable = s.Adjustable(item, &whyNot);
        row(tune::ItemText(item), InForce(s, item).c_str(), Preset(s, item).c_str(),
            adjustable ? "yes" : "no", (adjustable ? Offered(s, item) : whyNot).c_str());
    }
    Append(out, "smart fan: ",
           !s.fanChecked       ? "not checked on this Windows (the check may change its flags)"
           : s.fanPresent == 1 ? "present"
                               : "not present",
           "\n");
    Print(out);
    return kExitDone;
}

}  // namespace kclktune
