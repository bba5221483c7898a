#include "board_driver.h"

#include <memory>
#include <type_traits>

#include "program_directory.h"

namespace testsupport {

namespace {
static_assert(std::is_trivially_copyable_v<board::FirmwareModel>, "");

}  // namespace

BoardDriver::BoardDriver()
    : device_(CreateFileA(BOARD_CONTROL_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {
    if (!device_) lastError_ = GetLastError();
}

bool BoardDriver::Call(DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength,
                       DWORD* returned) {
    DWORD count = 0;
    if (!DeviceIoControl(device_.Get(), code, const_cast<void*>(in), inLength, out, outLength,
                         &count, nullptr)) {
        lastError_ = GetLastError();
        return false;
    }
    if (returned) *returned = count;
    return true;
}

bool BoardDriver::Info(BoardInfo& info) {
    return Call(BOARD_IOCTL_GET_INFO, nullptr, 0, &info, sizeof(info));
}
bool BoardDriver::Config(BoardConfig& config) {
    return Call(BOARD_IOCTL_GET_CONFIG, nullptr, 0, &config, sizeof(config));
}
bool BoardDriver::SetConfig(const BoardConfig& config) {
    return Call(BOARD_IOCTL_SET_CONFIG, &config, sizeof(config), nullptr, 0);
}
bool BoardDriver::FailCode(uint32_t controlCode, int32_t status) {
    const BoardFailure failure{controlCode, status};
    return Call(BOARD_IOCTL_FAIL_CODE, &failure, sizeof(failure), nullptr, 0);
}
bool BoardDriver::ResetFirmware() { return Call(BOARD_IOCTL_RESET_FIRMWARE, nullptr, 0, nullptr, 0); }
bool BoardDriver::ResetBoard() { return Call(BOARD_IOCTL_RESET_BOARD, nullptr, 0, nullptr, 0); }
bool BoardDriver::ReadFirmware(board::FirmwareModel& model) {
    return Call(BOARD_IOCTL_GET_FIRMWARE_STATE, nullptr, 0, &model, sizeof(model));
}
bool BoardDriver::WriteFirmware(const board::FirmwareModel& model) {
    return Call(BOARD_IOCTL_SET_FIRMWARE_STATE, &model, sizeof(model), nullptr, 0);
}
std::vector<uint8_t> BoardDriver::FirmwareBytes() {
    std::vector<uint8_t> bytes(sizeof(board::FirmwareModel));
    if (!Call(BOARD_IOCTL_GET_FIRMWARE_STATE, nullptr, 0, bytes.data(), bytes.size())) bytes.clear();
    return bytes;
}
bool BoardDriver::LastRequest(BoardLastRequest& record) {
    return Call(BOARD_IOCTL_GET_LAST_REQUEST, nullptr, 0, &record, sizeof(record));
}
bool BoardDriver::SetFaults(const BoardFaults& faults) {
    return Call(BOARD_IOCTL_SET_FAULTS, &faults, sizeof(faults), nullptr, 0);
}
bool BoardDriver::Faults(BoardFaults& faults) {
    return Call(BOARD_IOCTL_GET_FAULTS, nullptr, 0, &faults, sizeof(faults));
}
bool BoardDriver::History(BoardSetHistory& history) {
    return Call(BOARD_IOCTL_GET_HISTORY, nullptr, 0, &history, sizeof(history));
}
std::vector<BoardHistoryEntry> BoardDriver::HistoryEntries() {
    // Four kilobytes: kept off the stack.
    auto history = std::make_unique<BoardSetHistory>();
    if (!History(*history) || history->Stored > BOARD_HISTORY_CAPACITY) return {};
    return std::vector<BoardHistoryEntry>(history->Entries, history->Entries + history->Stored);
}
bool BoardDriver::ClearHistory() { return Call(BOARD_IOCTL_CLEAR_HISTORY, nullptr, 0, nullptr, 0); }
bool BoardDriver::Reboot() { return Call(BOARD_IOCTL_REBOOT, nullptr, 0, nullptr, 0); }

GatewayDevice::GatewayDevice()
    : device_(CreateFileA("\\\\.\\GpdDev", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          0, nullptr)) {}

bool GatewayDevice::Send(uint32_t controlCode, void* block, DWORD size) {
    DWORD returned = 0;
    return DeviceIoControl(device_.Get(), controlCode, block, size, block, size, &returned,
                           nullptr) != FALSE;
}

namespace krdrv {

DWORD ServiceState() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    kclk::ServiceHandle service(
        manager ? OpenServiceA(manager.Get(), "KRDrv", SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status{};
    if (!service || !QueryServiceStatus(service.Get(), &status)) return 0;
    return status.dwCurrentState;
}

bool StopService() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    kclk::ServiceHandle service(
        manager ? OpenServiceA(manager.Get(), "KRDrv", SERVICE_STOP | SERVICE_QUERY_STATUS)
                : nullptr);
    if (!service) return true;
    SERVICE_STATUS status{};
    ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    for (int wait = 0; wait < 100; ++wait) {
        if (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_STOPPED)
            return true;
        Sleep(100);
    }
    return false;
}

bool StartService() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    kclk::ServiceHandle service(
        manager ? OpenServiceA(manager.Get(), "KRDrv", SERVICE_START | SERVICE_QUERY_STATUS)
                : nullptr);
    if (!service) return false;
    SERVICE_STATUS status{};
    if (!StartServiceA(service.Get(), 0, nullptr) &&
        GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return false;
    for (int wait = 0; wait < 200; ++wait) {
        if (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING)
            return true;
        Sleep(50);
    }
    return false;
}

std::string InstalledFilePath() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\Drivers\\KRDrv.sys";
}

std::string BuiltFilePath() { return ProgramDirectory() + "KrDrv.W32"; }

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    kclk::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    std::vector<uint8_t> bytes;
    if (!file) return bytes;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE) return bytes;
    bytes.resize(size);
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), size, &read, nullptr) || read != size) bytes.clear();
    return bytes;
}

bool InstalledFileIsCurrent() {
    const std::vector<uint8_t> built = ReadFileBytes(BuiltFilePath());
    return !built.empty() && built == ReadFileBytes(InstalledFilePath());
}

}  // namespace krdrv

}  // namespace testsupport
