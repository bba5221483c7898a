// The test bench's side of the KrDrv stand-in: its control device \\.\GpdBoard (board set-up,
// failure injection, firmware state, the last request the gateway received, the firmware's
// faults, its history of probes and sets, the reset button), plain requests on
// \\.\GpdDev, and the KRDrv service as the tests need to see and steer it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board_control.h"
#include "firmware_model.h"
#include "win_handles.h"

namespace testsupport {

class BoardDriver {
public:
    BoardDriver();  // opens \\.\GpdBoard
    bool IsOpen() const { return static_cast<bool>(device_); }
    DWORD LastError() const { return lastError_; }  // of the last failed call

    bool Info(BoardInfo& info);
    bool Config(BoardConfig& config);
    bool SetConfig(const BoardConfig& config);
    bool FailCode(uint32_t controlCode, int32_t status);  // status 0 lets the code through
    bool ResetFirmware();
    bool ResetBoard();
    bool ReadFirmware(board::FirmwareModel& model);
    bool WriteFirmware(const board::FirmwareModel& model);
    std::vector<uint8_t> FirmwareBytes();  // empty when the read failed
    bool LastRequest(BoardLastRequest& record);
    bool SetFaults(const BoardFaults& faults);  // also restarts the count of sets
    bool Faults(BoardFaults& faults);
    bool History(BoardSetHistory& history);
    std::vector<BoardHistoryEntry> HistoryEntries();  // oldest first; empty when the read failed
    bool ClearHistory();
    bool Reboot();  // the reset button: clocks to the boot preset, settings to power-on values

    // Any request on the control device, for tests of its own checks.
    bool Call(DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength,
              DWORD* returned = nullptr);

private:
    kclk::FileHandle device_;
    DWORD lastError_ = 0;
};

// A handle of its own on \\.\GpdDev, opened as the library opens it.
class GatewayDevice {
public:
    GatewayDevice();
    bool IsOpen() const { return static_cast<bool>(device_); }
    HANDLE Get() const { return device_.Get(); }
    // The request as the library sends it: the same buffer in and out.
    bool Send(uint32_t controlCode, void* block, DWORD size);

private:
    kclk::FileHandle device_;
};

// The KRDrv service and its installed file.
namespace krdrv {
DWORD ServiceState();                // SERVICE_RUNNING, ...; 0 when there is no such service
bool StopService();                  // stops it and waits until it has stopped (or is absent)
bool StartService();                 // starts it and waits until it runs (or is running)
std::string InstalledFilePath();     // <system directory>\Drivers\KRDrv.sys
std::string BuiltFilePath();         // KrDrv.W32 beside the test program: the stand-in
std::vector<uint8_t> ReadFileBytes(const std::string& path);  // empty when unreadable
bool InstalledFileIsCurrent();       // the installed file has the built file's bytes
}  // namespace krdrv

}  // namespace testsupport
