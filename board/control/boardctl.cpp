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
        "       boardctl reset                power the board on afresh\n",
        stderr);
    return 2;
}

bool ParseNumber(const char* text, unsigned long limit, unsigned long& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return *end == '\0' && text[0] != '-' && value <= limit;
}

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
