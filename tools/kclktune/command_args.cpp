#include "command_args.h"

#include "text.h"

namespace kclktune {

namespace {

const char kItemList[] = "fsb dram agp pci vcore vdimm vagp ratio cia mib";

// "--step N" or "--step=N": the value, or false when none follows.
bool OptionValue(const Args& args, size_t& i, const std::string& name, std::string& value) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

bool Is(const std::string& arg, const std::string& name) {
    return arg == name || (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
                           arg[name.size()] == '=');
}

}  // namespace

bool ParseWord(const std::string& text, uint16_t& value, std::string& error) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (text.size() == start) {
        error = tune::Cat("'", text, "' is not a number (decimal, or hex with 0x)");
        return false;
    }
    uint32_t v = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else {
            error = tune::Cat("'", text, "' is not a number (decimal, or hex with 0x)");
            return false;
        }
        v = v * (hex ? 16 : 10) + digit;
        if (v > 0xFFFF) {  // checked at every digit, so no length can wrap it
            error = tune::Cat("'", text, "' is larger than 0xFFFF (65535)");
            return false;
        }
    }
    value = static_cast<uint16_t>(v);
    return true;
}

bool ParseSetArguments(const Args& args, SetArguments& out, std::string& error) {
    SetArguments parsed;
    bool stepGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            parsed.help = true;
        } else if (arg == "--yes") {
            parsed.yes = true;
        } else if (arg == "--dry-run") {
            parsed.dryRun = true;
        } else if (Is(arg, "--step")) {
            uint16_t step = 0;
            std::string why;
            if (stepGiven) {
                error = "--step is given twice";
                return false;
            }
            if (!OptionValue(args, i, "--step", value) || !ParseWord(value, step, why) || step == 0) {
                error = "--step needs a number of words from 1 to 65535";
                return false;
            }
            stepGiven = true;
            parsed.fsbStep = step;
        } else if (Is(arg, "--confirm-within")) {
            uint16_t seconds = 0;
            std::string why;
            if (parsed.confirmGiven) {
                error = "--confirm-within is given twice";
                return false;
            }
            if (!OptionValue(args, i, "--confirm-within", value) || !ParseWord(value, seconds, why) ||
                seconds == 0 || seconds > kMaxConfirmSeconds) {
                error = "--confirm-within needs seconds from 1 to 3600";
                return false;
            }
            parsed.confirmGiven = true;
            parsed.confirmSeconds = seconds;
        } else if (arg.size() > 1 && arg[0] == '-' && (arg[1] == '-' || arg.find('=') == std::string::npos)) {
            error = tune::Cat("unknown option ", arg);
            return false;
        } else {
            const size_t equals = arg.find('=');
            if (equals == std::string::npos) {
                error = tune::Cat("'", arg, "' has no '=': write ITEM=VALUE");
                return false;
            }
            const std::string name = arg.substr(0, equals);
            const std::optional<tune::Item> item = tune::ItemFromName(name);
            if (!item) {
                error = tune::Cat("unknown item '", name, "' (items: ", kItemList, ")");
                return false;
            }
            if (parsed.targets.Has(*item)) {
                error = tune::Cat(name, " is given twice");
                return false;
            }
            uint16_t word = 0;
            std::string why;
            if (!ParseWord(arg.substr(equals + 1), word, why)) {
                error = tune::Cat(name, ": ", why);
                return false;
            }
            parsed.targets.Set(*item, word);
        }
    }
    if (parsed.help) {
        out = parsed;
        return true;
    }
    if (parsed.yes && parsed.confirmGiven) {
        error = "--yes and --confirm-within exclude each other";
        return false;
    }
    if (parsed.targets.Empty()) {
        error = tune::Cat("nothing to set: give ITEM=VALUE (items: ", std::string(kItemList), ")");
        return false;
    }
    out = parsed;
    return true;
}

}  // namespace kclktune
