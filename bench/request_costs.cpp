// The library's cost per request on both roads, each measured against its reference in the
// same rounds, alternating which runs first, so that a neighbour's load or a cold cache
// weighs on both sides alike.
#include "request_costs.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board_requests.h"
#include "firmware_gateway.h"
#include "in_process_board.h"
#include "kclk.h"
#include "library_state.h"

namespace bench {

namespace {

constexpr int kRounds = 31;
constexpr int kBatch = 100;

double Median(double* values, int count) {
    std::sort(values, values + count);
    return values[count / 2];
}

template <typename Fn>
double MicrosecondsPerCall(Fn call) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kBatch; ++i) call();
    QueryPerformanceCounter(&end);
    return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart) / kBatch;
}

template <typename Library, typename Reference>
PairedCost MeasurePaired(Library library, Reference reference) {
    library();
    reference();
    double libraryUs[kRounds], referenceUs[kRounds], ratios[kRounds];
    for (int round = 0; round < kRounds; ++round) {
        if (round % 2 == 0) {
            libraryUs[round] = MicrosecondsPerCall(library);
            referenceUs[round] = MicrosecondsPerCall(reference);
        } else {
            referenceUs[round] = MicrosecondsPerCall(reference);
            libraryUs[round] = MicrosecondsPerCall(library);
        }
        ratios[round] = libraryUs[round] / referenceUs[round];
    }
    PairedCost cost;
    cost.measured = true;
    cost.ratio = Median(ratios, kRounds);
    cost.libraryUs = Median(libraryUs, kRounds);
    cost.referenceUs = Median(referenceUs, kRounds);
    return cost;
}

class Device {
public:
    explicit Device(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~Device() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

bool SameRequest(const BoardLastRequest& a, const BoardLastRequest& b) {
    return a.ControlCode == b.ControlCode && a.InputLength == b.InputLength &&
           a.OutputLength == b.OutputLength && a.Status == b.Status && a.Answered == b.Answered;
}

void MeasureDriverPath(RequestCosts& costs) {
    if (Check_KRVer() != 4) {
        std::snprintf(costs.problem, sizeof costs.problem,
                      "driver path: no tuning interface (the board's KrDrv.W32 not installed)");
        return;
    }
    const kclk::FirmwareRequest& request = kclk::Describe(kclk::RequestId::ReturnCurrentCPUFSB);
    uint16_t fsb = 0;
    ReturnCurrentCPUFSB(&fsb);
    BoardLastRequest fromLibrary{}, fromRaw{};
    ReadLastBoardRequest(fromLibrary);

    // The library's block as its last request left it, sent on a handle of the bench's own.
    Device gateway(KCLK_DEVICE_PATH);
    SmiRegisterBlock block = kclk::State().Request;
    auto raw = [&] {
        DWORD returned = 0;
        DeviceIoControl(gateway.Get(), request.controlCode, &block, sizeof block, &block,
                        sizeof block, &returned, nullptr);
    };
    if (!gateway) {
        std::snprintf(costs.problem, sizeof costs.problem, "driver path: %s did not open (%lu)",
                      KCLK_DEVICE_PATH, GetLastError());
        return;
    }
    raw();
    if (!ReadLastBoardRequest(fromRaw) || !SameRequest(fromLibrary, fromRaw) ||
        std::memcmp(fromLibrary.Input, fromRaw.Input, 4) != 0) {
        std::snprintf(costs.problem, sizeof costs.problem,
                      "driver path: the raw request is not the library's (code %08lX / %08lX)",
                      static_cast<unsigned long>(fromLibrary.ControlCode),
                      static_cast<unsigned long>(fromRaw.ControlCode));
        return;
    }
    costs.driver = MeasurePaired([&] { ReturnCurrentCPUFSB(&fsb); }, raw);
}

// One `out` with the registers the library loads for the request, as the firmware sees it
// triggered; the handler answers in AX and BX only, EBP is kept regardless.
void TrappedOut(const SmiRegisters& image) {
    uint32_t eax = image.eax, ebx = image.ebx, edx = image.edx;
    asm volatile("push %%ebp\n\tout %%ax, %%dx\n\tpop %%ebp"
                 : "+a"(eax), "+b"(ebx), "+d"(edx)
                 :
                 : "ecx", "esi", "edi", "memory", "cc");
}

void MeasureDirectPath(RequestCosts& costs) {
    board::InProcessBoard& board = board::InProcessBoard::Instance();
    if (!board.Install()) {
        std::snprintf(costs.problem, sizeof costs.problem, "direct path: no in-process board");
        return;
    }
    board.PowerOn();
    kclk::LibraryState& state = kclk::State();
    const int32_t kind = state.OsKind;
    state.OsKind = kclk::kOsWin9x;
    state.SmiPort = board::kDefaultTuningPort;
    state.SmiCommand = board::kDefaultTuningCommand;

    const kclk::FirmwareRequest& request = kclk::Describe(kclk::RequestId::ReturnCurrentCPUFSB);
    SmiRegisters image{};
    image.eax = (static_cast<uint32_t>(request.ah) << 8) | state.SmiCommand;
    image.ebx = request.bl | (static_cast<uint32_t>(request.bh & 0xFF) << 8);
    image.edx = state.SmiPort;

    uint16_t fsb = 0;
    board.ClearWrites();
    ReturnCurrentCPUFSB(&fsb);
    costs.directTrapsPerRequest = static_cast<int>(board.Writes().size());

    auto library = [&] {
        ReturnCurrentCPUFSB(&fsb);
        board.ClearWrites();
    };
    costs.directOut = MeasurePaired(library, [&] {
        TrappedOut(image);
        board.ClearWrites();
    });
    costs.directTrigger = MeasurePaired(library, [&] {
        SmiRegisters copy = image;
        kclk_TriggerSmi(&copy);
        board.ClearWrites();
    });
    state.OsKind = kind;
}

}  // namespace

void MeasureRequestCosts(RequestCosts& costs) {
    MeasureDriverPath(costs);
    MeasureDirectPath(costs);
}

}  // namespace bench
