// boardctl: drives the simulated board behind the KrDrv stand-in from the command line, through
// its control device \\.\GpdBoard, so that a user (and the demo) can change what the firmware
// reports and watch the kit see it. Part of the simulator, never of the kit.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_control.h"
#include "firmware_model.h"

namespace {

class ControlDevice {
public:
    ControlDevice()
        : handle_(CreateFileA(BOARD_CONTROL_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr)) {}
    ~ControlDevice() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    ControlDevice(const ControlDevice&) = delete;
    ControlDevice& operator=(const ControlDevice&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Call(DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength) {
        DWORD returned = 0;
        return DeviceIoControl(handle_, code, const_cast<void*>(in), inLength, out, outLength,
                               &returned, nullptr) != FALSE;
    }

private:
    HANDLE handle_;
};

// The firmware state is large; keep it off the stack.
board::FirmwareModel g_model;

int Usage() {
    std::fputs(
        "usage: boardctl show\n"
        "       boardctl fsb <MHz x 100>      set the current front-side bus clock\n"
        "       boardctl fan on|off           switch the north-bridge fan\n"
        "       boardctl interface on|off     offer or withdraw the tuning interface\n"
        "       boardctl reset                power the board on afresh\n"
        "       boardctl reboot               press reset: clocks to the boot preset, voltages,\n"
        "                                     ratio and accelerators to power-on values\n"
        "       boardctl fault ignore [K]     sets from the K-th on answer done, change nothing\n"
        "       boardctl fault mismatch [K]   sets from the K-th on land on a neighbouring value\n"
        "       boardctl fault refuse K       the K-th set and all later ones are refused\n"
        "       boardctl fault hang FSB       hang once the FSB (MHz x 100) is above FSB\n"
        "       boardctl fault none           a well-behaved firmware again\n"
        "       boardctl history              the probes and sets the firmware received\n",
        stderr);
    return 2;
}

bool ParseNumber(const char* text, unsigned long limit, unsigned long& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return *end == '\0' && text[0] != '-' && value <= limit;
}

bool ShowFaults(ControlDevice& device);

int Show(ControlDevice& device) {
    BoardConfig config = {};
    if (!device.Call(BOARD_IOCTL_GET_CONFIG, nullptr, 0, &config, sizeof(config)) ||
        !device.Call(BOARD_IOCTL_GET_FIRMWARE_STATE, nullptr, 0, &g_model, sizeof(g_model))) {
        std::fprintf(stderr, "boardctl: the board does not answer (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("tuning interface  %s (port 0x%02X, command 0x%02X)\n",
                config.InterfacePresent ? "present" : "absent", config.TuningPort,
                config.TuningCommand);
    std::printf("front-side bus    %u.%02u MHz\n", g_model.clock.current.fsb / 100,
                g_model.clock.current.fsb % 100);
    std::printf("north-bridge fan  %s\n",
                (g_model.fanItems[board::kFanInForce] & board::kFanRunning) ? "running" : "stopped");
    std::printf("requests served   %lu tuning, %lu fan\n",
                static_cast<unsigned long>(g_model.requestCount),
                static_cast<unsigned long>(g_model.fanRequestCount));
    ShowFaults(device);
    return 0;
}

// One line for the faults in force; false when the driver has no faults to tell.
bool ShowFaults(ControlDevice& device) {
    BoardFaults f = {};
    if (!device.Call(BOARD_IOCTL_GET_FAULTS, nullptr, 0, &f, sizeof(f))) return false;
    std::printf("faults           ");
    bool any = false;
    if (f.SetFault != BOARD_SET_FAULT_NONE) {
        std::printf(" %s sets from #%lu on;",
                    f.SetFault == BOARD_SET_FAULT_IGNORE ? "ignores" : "mismatches",
                    static_cast<unsigned long>(f.FaultFromSet ? f.FaultFromSet : 1));
        any = true;
    }
    if (f.RefuseFromSet) {
        std::printf(" refuses sets from #%lu on;", static_cast<unsigned long>(f.RefuseFromSet));
        any = true;
    }
    if (f.HangAboveFsb) {
        std::printf(" hangs above %u.%02u MHz;", f.HangAboveFsb / 100, f.HangAboveFsb % 100);
        any = true;
    }
    std::printf("%s %lu sets counted%s\n", any ? "" : " none;",
                static_cast<unsigned long>(f.SetCount), f.Hung ? "; HUNG (boardctl reboot)" : "");
    return true;
}

// boardctl fault ...: each form changes its own fault only; writing restarts the count of sets.
int Fault(ControlDevice& device, int argc, char** argv) {
    const char* kind = argc > 2 ? argv[2] : nullptr;
    const char* number = argc > 3 ? argv[3] : nullptr;
    if (!kind || argc > 4) return Usage();
    BoardFaults f = {};
    if (!device.Call(BOARD_IOCTL_GET_FAULTS, nullptr, 0, &f, sizeof(f))) {
        std::fprintf(stderr, "boardctl: this driver has no faults (error %lu)\n", GetLastError());
        return 1;
    }
    unsigned long value = 0;
    if (std::strcmp(kind, "none") == 0 && !number) {
        f = BoardFaults{};
    } else if (std::strcmp(kind, "ignore") == 0 || std::strcmp(kind, "mismatch") == 0) {
        if (number && !ParseNumber(number, 0xFFFFFFFFul, value)) return Usage();
        f.SetFault = kind[0] == 'i' ? BOARD_SET_FAULT_IGNORE : BOARD_SET_FAULT_MISMATCH;
        f.FaultFromSet = static_cast<uint32_t>(value);
    } else if (std::strcmp(kind, "refuse") == 0) {
        if (!ParseNumber(number, 0xFFFFFFFFul, value)) return Usage();
        f.RefuseFromSet = static_cast<uint32_t>(value);
    } else if (std::strcmp(kind, "hang") == 0) {
        if (!ParseNumber(number, 0xFFFF, value)) return Usage();
        f.HangAboveFsb = static_cast<uint16_t>(value);
    } else {
        return Usage();
    }
    if (!device.Call(BOARD_IOCTL_SET_FAULTS, &f, sizeof(f), nullptr, 0)) {
        std::fprintf(stderr, "boardctl: the board refused the faults (error %lu)\n",
                     GetLastError());
        return 1;
    }
    ShowFaults(device);
    return 0;
}

const char* FunctionName(uint8_t ah, uint8_t bl) {
    switch (bl << 8 | ah) {
    case 0xB0B5: return "SetClockProb";
    case 0xB0B6: return "SetClock";
    case 0xB1B4: return "SetNewVidVol";
    case 0xB2B4: return "SetNewDIMMOverVol";
    case 0xB3B4: return "SetNewAGPOverVol";
    case 0xB4B5: return "SetNewCPURatio";
    case 0xB5B4: return "SetCIAControl";
    case 0xB6B2: return "SetMIBControl";
    default: return "?";
    }
}

const char* StatusName(uint16_t ax) {
    switch (ax) {
    case board::kStatusDone: return "done";
    case board::kStatusUnknownFunction: return "unknown";
    case board::kStatusPastEnd: return "past end";
    case board::kStatusRejected: return "rejected";
    case board::kStatusNotSupported: return "not supported";
    default: return "?";
    }
}

// The history is four kilobytes; keep it off the stack like the model.
BoardSetHistory g_history;

int History(ControlDevice& device) {
    if (!device.Call(BOARD_IOCTL_GET_HISTORY, nullptr, 0, &g_history, sizeof(g_history))) {
        std::fprintf(stderr, "boardctl: cannot read the history (error %lu)\n", GetLastError());
        return 1;
    }
    const uint32_t stored =
        g_history.Stored < BOARD_HISTORY_CAPACITY ? g_history.Stored : BOARD_HISTORY_CAPACITY;
    std::printf("%lu probes and sets received, the last %lu kept\n",
                static_cast<unsigned long>(g_history.Count), static_cast<unsigned long>(stored));
    for (uint32_t i = 0; i < stored; ++i) {
        const BoardHistoryEntry& e = g_history.Entries[i];
        std::printf("%6lu %-5s %-17s AH=%02X BL=%02X EBX=%08lX ECX=%08lX ESI=%08lX EDI=%08lX "
                    "EBP=%08lX -> AX=%04X (%s) BX=%04X\n",
                    static_cast<unsigned long>(e.Sequence),
                    e.Kind == BOARD_HISTORY_PROBE ? "probe" : "set",
                    FunctionName(e.Operation, e.Device), e.Operation, e.Device,
                    static_cast<unsigned long>(e.EBX), static_cast<unsigned long>(e.ECX),
                    static_cast<unsigned long>(e.ESI), static_cast<unsigned long>(e.EDI),
                    static_cast<unsigned long>(e.EBP), e.Status, StatusName(e.Status), e.Answer);
    }
    return 0;
}

bool OnOff(const char* text, bool& on) {
    if (text && std::strcmp(text, "on") == 0) return on = true, true;
    if (text && std::strcmp(text, "off") == 0) return on = false, true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    ControlDevice device;
    if (!device.IsOpen()) {
        std::fprintf(stderr,
                     "boardctl: cannot open %s (error %lu); the simulated board's driver must be "
                     "running: start kclkinfo or ktray once first\n",
                     BOARD_CONTROL_DEVICE_PATH, GetLastError());
        return 1;
    }
    const char* command = argv[1];
    const char* argument = argc > 2 ? argv[2] : nullptr;

    if (std::strcmp(command, "show") == 0) return Show(device);
    if (std::strcmp(command, "reset") == 0)
        return device.Call(BOARD_IOCTL_RESET_BOARD, nullptr, 0, nullptr, 0) ? 0 : 1;
    if (std::strcmp(command, "reboot") == 0) {
        if (!device.Call(BOARD_IOCTL_REBOOT, nullptr, 0, nullptr, 0)) return 1;
        return Show(device);
    }
    if (std::strcmp(command, "fault") == 0) return Fault(device, argc, argv);
    if (std::strcmp(command, "history") == 0) return History(device);
    if (std::strcmp(command, "interface") == 0) {
        bool on = false;
        BoardConfig config = {};
        if (!OnOff(argument, on)) return Usage();
        if (!device.Call(BOARD_IOCTL_GET_CONFIG, nullptr, 0, &config, sizeof(config))) return 1;
        config.InterfacePresent = on ? 1 : 0;
        return device.Call(BOARD_IOCTL_SET_CONFIG, &config, sizeof(config), nullptr, 0) ? 0 : 1;
    }

    // The rest change the firmware's state: read it whole, change one thing, write it back.
    if (!device.Call(BOARD_IOCTL_GET_FIRMWARE_STATE, nullptr, 0, &g_model, sizeof(g_model))) {
        std::fprintf(stderr, "boardctl: cannot read the firmware state (error %lu)\n", GetLastError());
        return 1;
    }
    if (std::strcmp(command, "fsb") == 0) {
        unsigned long fsb = 0;
        if (!ParseNumber(argument, 0xFFFF, fsb) || fsb == 0) return Usage();
        g_model.clock.current.fsb = static_cast<uint16_t>(fsb);
    } else if (std::strcmp(command, "fan") == 0) {
        bool on = false;
        if (!OnOff(argument, on)) return Usage();
        if (on)
            g_model.FanSwitchOn();
        else
            g_model.FanSwitchOff();
    } else {
        return Usage();
    }
    if (!device.Call(BOARD_IOCTL_SET_FIRMWARE_STATE, &g_model, sizeof(g_model), nullptr, 0)) {
        std::fprintf(stderr, "boardctl: the board refused the new state (error %lu)\n", GetLastError());
        return 1;
    }
    return Show(device);
}
