// The simulated board behind the KrDrv stand-in: the firmware model as the dispatch core's
// backend (the core decides every request on \\.\GpdDev, the model answers its triggers),
// plus the test bench's control interface. Freestanding (no heap, no exceptions, no library
// calls) because it runs inside the driver; it does nothing but what the codes name.
#include "board_device.h"

#include <new>
#include <type_traits>

#include "board_control.h"
#include "firmware_model.h"
#include "request_dispatch.h"
#include "smi_wire.h"

namespace board {

// The whole model goes to and from user mode as bytes.
static_assert(std::is_trivially_copyable_v<FirmwareModel>, "firmware state travels as bytes");

namespace {

using krdrv::FindRequest;

constexpr bool IsErrorStatus(int32_t status) { return (static_cast<uint32_t>(status) >> 30) == 3; }

CpuRegisters ToCpu(const KrdrvRegisters& r) {
    return CpuRegisters{r.eax, r.ebx, r.ecx, r.edx, r.esi, r.edi, r.ebp};
}
KrdrvRegisters FromCpu(const CpuRegisters& r) {
    return KrdrvRegisters{r.eax, r.ebx, r.ecx, r.edx, r.esi, r.edi, r.ebp};
}

class Board final : public krdrv::FirmwareBackend {
public:
    Board() : dispatcher_(*this) {}

    void PowerOn() {
        firmware_.Reset();
        config_ = BoardConfig{1, kDefaultTuningCommand, kDefaultTuningPort, 1, {0, 0, 0}};
        for (BoardFailure& slot : failures_) slot = BoardFailure{0, 0};
        last_ = BoardLastRequest{};
    }

    int32_t Gateway(const KrdrvIoRequest& io, uint32_t& information) {
        information = 0;
        RecordArrival(io);
        int32_t status = ServeGateway(io, information);
        if (status != KRDRV_STATUS_SUCCESS) information = 0;
        last_.Status = status;
        return status;
    }

    int32_t Control(const KrdrvIoRequest& io, uint32_t& information) {
        information = 0;
        int32_t status = ServeControl(io, information);
        if (status != KRDRV_STATUS_SUCCESS) information = 0;
        return status;
    }

    // --- The firmware behind the dispatch core ----------------------------------------------

    krdrv::FirmwareSite Site() const override {
        return krdrv::FirmwareSite{config_.InterfacePresent != 0, config_.TuningPort,
                                   config_.TuningCommand, config_.FanInterfacePresent != 0,
                                   kDefaultFanPort};
    }

    // A simulated board can be triggered anywhere: the firmware answers only a trigger at
    // its own port with its own command; otherwise nothing changes and AX keeps the trigger
    // word, as on a board nobody listens at.
    krdrv::SiteRule Rule() const override { return krdrv::SiteRule::AnySite; }

    void TuningTrigger(KrdrvRegisters& registers) override {
        const bool answered = config_.InterfacePresent &&
                              static_cast<uint16_t>(registers.edx) == config_.TuningPort &&
                              static_cast<uint8_t>(registers.eax) == config_.TuningCommand;
        last_.Triggered = 1;
        last_.Answered = answered ? 1 : 0;
        last_.TriggerEAX = registers.eax;
        last_.TriggerEBX = registers.ebx;
        last_.TriggerECX = registers.ecx;
        last_.TriggerEDX = registers.edx;
        last_.TriggerESI = registers.esi;
        last_.TriggerEDI = registers.edi;
        last_.TriggerEBP = registers.ebp;
        if (!answered) return;
        CpuRegisters cpu = ToCpu(registers);
        firmware_.HandleTuning(cpu);
        registers = FromCpu(cpu);
    }

    void FanTrigger(KrdrvRegisters& registers) override {
        if (static_cast<uint16_t>(registers.edx) != kDefaultFanPort) return;
        CpuRegisters cpu = ToCpu(registers);
        firmware_.HandleFan(cpu);
        registers = FromCpu(cpu);
    }

private:
    void RecordArrival(const KrdrvIoRequest& io) {
        const uint32_t count = last_.RequestCount + 1;
        last_ = BoardLastRequest{};
        last_.RequestCount = count;
        last_.ControlCode = io.ControlCode;
        last_.InputLength = io.InputLength;
        last_.OutputLength = io.OutputLength;
        if (io.Buffer) {
            const uint32_t n = io.InputLength < BOARD_RECORDED_INPUT ? io.InputLength
                                                                     : BOARD_RECORDED_INPUT;
            __builtin_memcpy(last_.Input, io.Buffer, n);
        }
    }

    // The core's checks, then a failure the test bench asked for, then the core's work.
    int32_t ServeGateway(const KrdrvIoRequest& io, uint32_t& information) {
        krdrv::Route route{};
        const int32_t status = krdrv::CheckRequest(io, route);
        if (status != KRDRV_STATUS_SUCCESS) return status;
        if (const int32_t failure = InjectedFailure(io.ControlCode)) return failure;
        return dispatcher_.Perform(route, io.Buffer, information);
    }

    int32_t InjectedFailure(uint32_t controlCode) const {
        for (const BoardFailure& slot : failures_)
            if (slot.Status != 0 && slot.ControlCode == controlCode) return slot.Status;
        return 0;
    }

    // --- \\.\GpdBoard ------------------------------------------------------------------------

    static bool Takes(const KrdrvIoRequest& io, uint32_t in, uint32_t out) {
        if (io.InputLength != in || io.OutputLength != out) return false;
        return (in == 0 && out == 0) || io.Buffer != nullptr;
    }

    template <typename T>
    static int32_t Reply(const KrdrvIoRequest& io, const T& value, uint32_t& information) {
        if (!Takes(io, 0, sizeof(T))) return KRDRV_STATUS_INVALID_PARAMETER;
        __builtin_memcpy(io.Buffer, &value, sizeof(T));
        information = sizeof(T);
        return KRDRV_STATUS_SUCCESS;
    }

    template <typename T>
    static bool Receive(const KrdrvIoRequest& io, T& value) {
        if (!Takes(io, sizeof(T), 0)) return false;
        __builtin_memcpy(&value, io.Buffer, sizeof(T));
        return true;
    }

    int32_t ServeControl(const KrdrvIoRequest& io, uint32_t& information) {
        switch (io.ControlCode) {
        case BOARD_IOCTL_GET_INFO:
            return Reply(io, BoardInfo{BOARD_CONTROL_VERSION, sizeof(FirmwareModel),
                                       BOARD_FAILURE_SLOTS, 0},
                         information);
        case BOARD_IOCTL_GET_CONFIG:
            return Reply(io, config_, information);
        case BOARD_IOCTL_SET_CONFIG:
            return SetConfig(io);
        case BOARD_IOCTL_FAIL_CODE:
            return SetFailure(io);
        case BOARD_IOCTL_RESET_FIRMWARE:
            if (!Takes(io, 0, 0)) return KRDRV_STATUS_INVALID_PARAMETER;
            firmware_.Reset();
            return KRDRV_STATUS_SUCCESS;
        case BOARD_IOCTL_RESET_BOARD:
            if (!Takes(io, 0, 0)) return KRDRV_STATUS_INVALID_PARAMETER;
            PowerOn();
            return KRDRV_STATUS_SUCCESS;
        case BOARD_IOCTL_GET_FIRMWARE_STATE:
            return Reply(io, firmware_, information);
        case BOARD_IOCTL_SET_FIRMWARE_STATE:
            return SetFirmware(io);
        case BOARD_IOCTL_GET_LAST_REQUEST:
            return Reply(io, last_, information);
        default:
            return KRDRV_STATUS_INVALID_DEVICE_REQUEST;
        }
    }

    int32_t SetConfig(const KrdrvIoRequest& io) {
        BoardConfig config;
        if (!Receive(io, config)) return KRDRV_STATUS_INVALID_PARAMETER;
        if (config.InterfacePresent > 1 || config.FanInterfacePresent > 1 ||
            config.Reserved[0] || config.Reserved[1] || config.Reserved[2])
            return KRDRV_STATUS_INVALID_PARAMETER;
        config_ = config;
        return KRDRV_STATUS_SUCCESS;
    }

    // The state arrives as bytes: its flags must be 0 or 1 before they are taken as such.
    int32_t SetFirmware(const KrdrvIoRequest& io) {
        if (!Takes(io, sizeof(FirmwareModel), 0)) return KRDRV_STATUS_INVALID_PARAMETER;
        const uint8_t present = static_cast<const uint8_t*>(
            io.Buffer)[__builtin_offsetof(FirmwareModel, fanInterfacePresent)];
        if (present > 1) return KRDRV_STATUS_INVALID_PARAMETER;
        __builtin_memcpy(&firmware_, io.Buffer, sizeof(FirmwareModel));
        return KRDRV_STATUS_SUCCESS;
    }

    int32_t SetFailure(const KrdrvIoRequest& io) {
        BoardFailure failure;
        if (!Receive(io, failure)) return KRDRV_STATUS_INVALID_PARAMETER;
        if (!FindRequest(failure.ControlCode)) return KRDRV_STATUS_INVALID_PARAMETER;
        if (failure.Status != 0 && !IsErrorStatus(failure.Status))
            return KRDRV_STATUS_INVALID_PARAMETER;
        BoardFailure* free = nullptr;
        for (BoardFailure& slot : failures_) {
            if (slot.Status != 0 && slot.ControlCode == failure.ControlCode) {
                slot = failure;  // a status of 0 frees the slot
                return KRDRV_STATUS_SUCCESS;
            }
            if (slot.Status == 0 && !free) free = &slot;
        }
        if (failure.Status == 0) return KRDRV_STATUS_SUCCESS;  // was not failing
        if (!free) return KRDRV_STATUS_INSUFFICIENT_RESOURCES;
        *free = failure;
        return KRDRV_STATUS_SUCCESS;
    }

    FirmwareModel firmware_;
    BoardConfig config_;
    BoardFailure failures_[BOARD_FAILURE_SLOTS];
    BoardLastRequest last_;
    krdrv::RequestDispatcher dispatcher_;
};

// The driver unloads without running destructors: nothing may need destroying.
static_assert(std::is_trivially_destructible_v<Board>, "");

alignas(16) unsigned char g_storage[sizeof(Board)];
Board* g_board;  // null while stopped

}  // namespace
}  // namespace board

extern "C" void BoardStart(void) {
    board::g_board = new (board::g_storage) board::Board();
    board::g_board->PowerOn();
}

extern "C" void BoardStop(void) { board::g_board = nullptr; }

extern "C" int32_t BoardGatewayRequest(const KrdrvIoRequest* request, uint32_t* information) {
    *information = 0;
    if (!board::g_board) return KRDRV_STATUS_NO_SUCH_DEVICE;
    return board::g_board->Gateway(*request, *information);
}

extern "C" int32_t BoardControlRequest(const KrdrvIoRequest* request, uint32_t* information) {
    *information = 0;
    if (!board::g_board) return KRDRV_STATUS_NO_SUCH_DEVICE;
    return board::g_board->Control(*request, *information);
}
