#include "collect_report.h"

#include <utility>

#include <windows.h>

#include "kclk.h"

namespace kclkinfo {

namespace {

constexpr int32_t kInterfaceUsable = 4;

using StatusQuery = uint16_t(__cdecl*)();
using WordReader = uint16_t(__cdecl*)(uint16_t*);
using TableReader = uint16_t(__cdecl*)(uint16_t, uint16_t*);
using LimitReader = uint16_t(__cdecl*)(uint16_t*, uint16_t*, uint16_t*);
using Flag = int32_t(__cdecl*)();

// Variables start at 0: an export that could not deliver its request leaves them so.
Value StatusOf(StatusQuery query) {
    return Value::Object().Add("status", Value::Word(query()));
}

Value WordOf(WordReader read) {
    uint16_t value = 0;
    const uint16_t status = read(&value);
    return Value::Object().Add("status", Value::Word(status)).Add("value", Value::Word(value));
}

// Tables end at the first nonzero status word; the CIA table, a yes/no export, at the first no.
bool More(uint16_t status) { return status == 0; }
bool More(int32_t answer) { return answer == 1; }
Field EndOf(uint16_t status) { return Field{"status", Value::Word(status)}; }
Field EndOf(int32_t answer) { return Field{"answer", Value::Integer(answer)}; }

template <typename Result>
Value TableOf(Result(__cdecl* read)(uint16_t, uint16_t*)) {
    Value entries = Value::List();
    for (uint16_t index = 0; index < kEntryCap; ++index) {
        uint16_t entry = 0;
        const Result result = read(index, &entry);
        if (!More(result)) {
            Field end = EndOf(result);
            return Value::Object()
                .Add("entries", std::move(entries))
                .Add("end", Value::Object()
                                .Add("index", Value::Integer(index))
                                .Add(std::move(end.key), std::move(end.value))
                                .Add("entry", Value::Word(entry)))
                .Add("truncated", Value::Boolean(false));
        }
        entries.Append(Value::Word(entry));
    }
    return Value::Object()
        .Add("entries", std::move(entries))
        .Add("truncated", Value::Boolean(true));
}

Value LimitOf(LimitReader read) {
    uint16_t low = 0, high = 0, cx = 0;
    const uint16_t status = read(&low, &high, &cx);
    return Value::Object()
        .Add("status", Value::Word(status))
        .Add("ebx_low", Value::Word(low))
        .Add("ebx_high", Value::Word(high))
        .Add("cx", Value::Word(cx));
}

Value CapabilityFlags() {
    const struct { const char* name; Flag flag; } flags[] = {
        {"SupFSBShow", SupFSBShow}, {"FSBCanAdj", FSBCanAdj}, {"FSBLinear", FSBLinear},
        {"FSBSupDivMode", FSBSupDivMode}, {"FSBSupAsyMode", FSBSupAsyMode},
        {"SupDRAMClkShow", SupDRAMClkShow}, {"DRAMClkCanAdj", DRAMClkCanAdj},
        {"DRAMSupLinear", DRAMSupLinear}, {"DRAMSupDivMode", DRAMSupDivMode},
        {"DRAMSupAsyMode", DRAMSupAsyMode}, {"DRAMSupRelDivMode", DRAMSupRelDivMode},
        {"SupAGPClkShow", SupAGPClkShow}, {"AGPClkCanAdj", AGPClkCanAdj},
        {"AGPSupLinear", AGPSupLinear}, {"AGPSupDivMode", AGPSupDivMode},
        {"AGPSupAsyMode", AGPSupAsyMode}, {"SupPCIClkShow", SupPCIClkShow},
        {"PCIClkCanAdj", PCIClkCanAdj}, {"PCISupLinear", PCISupLinear},
        {"PCISupDivMode", PCISupDivMode}, {"PCISupAsyMode", PCISupAsyMode},
    };
    Value out = Value::Object();
    for (const auto& f : flags) out.Add(f.name, Value::Integer(f.flag()));
    return out;
}

Value Frequencies() {
    Value out = Value::Object();
    {
        uint16_t bx = 0, w[6] = {};
        const uint16_t status =
            ReturnCurrentVCOValue(&bx, &w[0], &w[1], &w[2], &w[3], &w[4], &w[5]);
        out.Add("ReturnCurrentVCOValue",
                Value::Object()
                    .Add("status", Value::Word(status))
                    .Add("bx", Value::Word(bx))
                    .Add("ecx_low", Value::Word(w[0])).Add("ecx_high", Value::Word(w[1]))
                    .Add("edx_low", Value::Word(w[2])).Add("edx_high", Value::Word(w[3]))
                    .Add("edi_low", Value::Word(w[4])).Add("edi_high", Value::Word(w[5])));
    }
    Value presets = Value::List();
    for (uint16_t selector = 0; selector < kPresetSelectorCap; ++selector) {
        uint16_t bx = 0, w[4] = {};
        const uint16_t status = ReturnPresetVCOValue(selector, &bx, &w[0], &w[1], &w[2], &w[3]);
        presets.Append(Value::Object()
                           .Add("selector", Value::Word(selector))
                           .Add("status", Value::Word(status))
                           .Add("bx", Value::Word(bx))
                           .Add("ecx_low", Value::Word(w[0])).Add("ecx_high", Value::Word(w[1]))
                           .Add("edx_low", Value::Word(w[2])).Add("edx_high", Value::Word(w[3])));
        if (status != 0) break;
    }
    out.Add("ReturnPresetVCOValue", std::move(presets));

    const struct { const char* name; WordReader read; } readers[] = {
        {"ReturnCurrentCPUFSB", ReturnCurrentCPUFSB},
        {"ReturnCurrentDRAMFreq", ReturnCurrentDRAMFreq},
        {"ReturnPresetDRAMFreq", ReturnPresetDRAMFreq},
        {"ReturnCurrentAGPFreq", ReturnCurrentAGPFreq},
        {"ReturnPresetAGPFreq", ReturnPresetAGPFreq},
        {"ReturnCurrentPCIFreq", ReturnCurrentPCIFreq},
        {"ReturnPresetPCIFreq", ReturnPresetPCIFreq},
    };
    for (const auto& r : readers) out.Add(r.name, WordOf(r.read));
    return out;
}

Value Tables() {
    const struct { const char* name; TableReader read; } tables[] = {
        {"ReturnDiscFSBTable", ReturnDiscFSBTable}, {"ReturnFSBDivTable", ReturnFSBDivTable},
        {"ReturnDRAMDivTable", ReturnDRAMDivTable}, {"ReturnAGPDivTable", ReturnAGPDivTable},
        {"ReturnPCIDivTable", ReturnPCIDivTable}, {"ReturnFSBAsyTable", ReturnFSBAsyTable},
        {"ReturnDRAMAsyTable", ReturnDRAMAsyTable}, {"ReturnAGPAsyTable", ReturnAGPAsyTable},
        {"ReturnPCIAsyTable", ReturnPCIAsyTable},
    };
    Value out = Value::Object();
    for (const auto& t : tables) out.Add(t.name, TableOf(t.read));
    return out;
}

Value Limits() {
    const struct { const char* name; LimitReader read; } limits[] = {
        {"ReturnLinearModeLimit", ReturnLinearModeLimit}, {"ReturnDRAMLimit", ReturnDRAMLimit},
        {"ReturnAGPLimit", ReturnAGPLimit}, {"ReturnPCILimit", ReturnPCILimit},
    };
    Value out = Value::Object();
    for (const auto& l : limits) out.Add(l.name, LimitOf(l.read));
    uint16_t low = 0, high = 0;
    const uint16_t status = ReturnVCOLimit(&low, &high);
    out.Add("ReturnVCOLimit", Value::Object()
                                  .Add("status", Value::Word(status))
                                  .Add("ebx_low", Value::Word(low))
                                  .Add("ebx_high", Value::Word(high)));
    return out;
}

Value Voltages() {
    const struct {
        const char* device;
        const char *supName, *attribName, *currentName, *tableName;
        StatusQuery sup;
        WordReader attrib, current;
        TableReader table;
    } devices[] = {
        {"vid", "GetOverVidSup", "GetOverVidAttrib", "GetVidCurrentVol", "GetVidDiscTable",
         GetOverVidSup, GetOverVidAttrib, GetVidCurrentVol, GetVidDiscTable},
        {"dimm", "GetOverDIMMVolSup", "GetDIMMOverVolAttrib", "GetDIMMCurrentVol",
         "GetDIMMDiscTable", GetOverDIMMVolSup, GetDIMMOverVolAttrib, GetDIMMCurrentVol,
         GetDIMMDiscTable},
        {"agp", "GetOverAGPVolAGPSup", "GetAGPOverVolAGPAttrib", "GetAGPCurrentVol",
         "GetAGPDiscTable", GetOverAGPVolAGPSup, GetAGPOverVolAGPAttrib, GetAGPCurrentVol,
         GetAGPDiscTable},
    };
    Value out = Value::Object();
    for (const auto& d : devices) {
        out.Add(d.device, Value::Object()
                              .Add(d.supName, StatusOf(d.sup))
                              .Add(d.attribName, WordOf(d.attrib))
                              .Add(d.currentName, WordOf(d.current))
                              .Add(d.tableName, TableOf(d.table)));
    }
    return out;
}

Value CpuRatio() {
    return Value::Object()
        .Add("GetCPURatioChgSup", StatusOf(GetCPURatioChgSup))
        .Add("GetCPURatioAttrib", WordOf(GetCPURatioAttrib))
        .Add("GetCurrentCPURatio", WordOf(GetCurrentCPURatio))
        .Add("GetCPURatioDiscTable", TableOf(GetCPURatioDiscTable))
        .Add("GetCPURatioLimit", LimitOf(GetCPURatioLimit));
}

// The accelerator exports answer yes (1) or no (0) rather than a status word.
Value Accelerators() {
    Value out = Value::Object();
    out.Add("GetCIASup", Value::Object().Add("answer", Value::Integer(GetCIASup())));
    {
        int32_t flag = 0;
        const int32_t answer = GetCIAAttribute(&flag);
        out.Add("GetCIAAttribute", Value::Object()
                                       .Add("answer", Value::Integer(answer))
                                       .Add("flag", Value::Integer(flag)));
    }
    {
        uint16_t status = 0;
        const int32_t answer = GetCIAStatus(&status);
        out.Add("GetCIAStatus", Value::Object()
                                    .Add("answer", Value::Integer(answer))
                                    .Add("value", Value::Word(status)));
    }
    out.Add("GetCIATable", TableOf(GetCIATable));
    out.Add("GetMIBSup", Value::Object().Add("answer", Value::Integer(GetMIBSup())));
    {
        int32_t flag = 0;
        const int32_t answer = GetMIBAttribute(&flag);
        out.Add("GetMIBAttribute", Value::Object()
                                       .Add("answer", Value::Integer(answer))
                                       .Add("flag", Value::Integer(flag)));
    }
    return out;
}

// Only the check: switching the fan on or off is a setting. On Windows 9x the check itself
// may rewrite the fan's control flags, so there the fan is not asked at all.
Value SmartFan() {
    const bool windows9x = (GetVersion() & 0x80000000u) != 0;
    Value fan = Value::Object().Add("checked", Value::Boolean(!windows9x));
    if (!windows9x) fan.Add("Check_SmartFan", Value::Integer(Check_SmartFan()));
    return fan;
}

}  // namespace

Report CollectReport() {
    Report report;
    report.krVersion = Check_KRVer();
    report.available = report.krVersion == kInterfaceUsable;
    report.tree.Add("available", Value::Boolean(report.available));
    report.tree.Add("Check_KRVer", Value::Integer(report.krVersion));
    if (!report.available) return report;

    // The order a client follows: support, then the attribute query that the flags answer from.
    Value overclock = Value::Object();
    overclock.Add("SupOverClock", StatusOf(SupOverClock));
    overclock.Add("GetOverClockAttribute", StatusOf(GetOverClockAttribute));
    report.tree.Add("overclock", std::move(overclock));
    report.tree.Add("capability_flags", CapabilityFlags());
    report.tree.Add("frequencies", Frequencies());
    report.tree.Add("tables", Tables());
    report.tree.Add("limits", Limits());
    report.tree.Add("voltages", Voltages());
    report.tree.Add("cpu_ratio", CpuRatio());
    report.tree.Add("smart_fan", SmartFan());
    report.tree.Add("accelerators", Accelerators());
    return report;
}

}  // namespace kclkinfo
