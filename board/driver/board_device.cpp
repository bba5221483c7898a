// The simulated board behind the KrDrv stand-in: turns each gateway control code into the
// firmware call the code names, runs the firmware model on it and writes the registers back
// into the request block. Freestanding (no heap, no exceptions, no library calls) because it
// runs inside the driver; it does nothing but what the codes name.
#include "board_device.h"

#include <new>
#include <type_traits>

#include "board_control.h"
#include "firmware_model.h"
#include "smi_wire.h"
#include "firmware_requests.h"

namespace board {

// The whole model goes to and from user mode as bytes.
static_assert(std::is_trivially_copyable_v<FirmwareModel>, "firmware state travels as bytes");

namespace {

using kclk::FirmwareRequest;
using kclk::RequestId;

// Which block fields a code's firmware call takes as input.
enum class Shape : uint8_t {
    None,            // function registers only
    WordInCX,        // RegCX -> CX
    WordInSI,        // RegSI -> SI
    ClockSetting,    // SetClockProb or SetClock, told apart by the block (see IsSetClock)
    InterfaceQuery,  // port and command back, plus the support query
    Fan              // the 52-byte block; the driver performs the fan operation itself
};

constexpr Shape ShapeOf(RequestId id) {
    switch (id) {
    case RequestId::InterfaceQuery:
    case RequestId::SupOverClock:
        return Shape::InterfaceQuery;
    case RequestId::ReturnPresetVCOValue:
    case RequestId::SetNewVidVol:
    case RequestId::SetNewDIMMOverVol:
    case RequestId::SetNewAGPOverVol:
    case RequestId::SetNewCPURatio:
    case RequestId::SetMIBControl:
        return Shape::WordInCX;
    case RequestId::ReturnDiscFSBTable:
    case RequestId::ReturnFSBDivTable:
    case RequestId::ReturnDRAMDivTable:
    case RequestId::ReturnAGPDivTable:
    case RequestId::ReturnPCIDivTable:
    case RequestId::ReturnFSBAsyTable:
    case RequestId::ReturnDRAMAsyTable:
    case RequestId::ReturnAGPAsyTable:
    case RequestId::ReturnPCIAsyTable:
    case RequestId::GetVidDiscTable:
    case RequestId::GetDIMMDiscTable:
    case RequestId::GetAGPDiscTable:
    case RequestId::GetCPURatioDiscTable:
    case RequestId::GetCIATable:
    case RequestId::SetCIAControl:
        return Shape::WordInSI;
    case RequestId::SetClockProb:
    case RequestId::SetClock:
        return Shape::ClockSetting;
    case RequestId::CheckSmartFan:
    case RequestId::SmartFanOn:
    case RequestId::SmartFanOff:
        return Shape::Fan;
    default:
        return Shape::None;
    }
}

// The first row with the code; codes shared by two rows share a shape.
const FirmwareRequest* FindRequest(uint32_t controlCode) {
    for (const FirmwareRequest& row : kclk::kFirmwareRequests)
        if (row.controlCode == controlCode) return &row;
    return nullptr;
}

constexpr bool IsErrorStatus(int32_t status) { return (static_cast<uint32_t>(status) >> 30) == 3; }

// SetClockProb writes RegEDX and leaves RegEBX and RegEBP; SetClock writes RegEBX and RegEBP
// and leaves RegEDX. Every reply leaves a fresh mark in RegEBP (which the library never
// reads) and copies of the RegEDX and RegEBP it returned in Reserved4 and Reserved20 (which
// the library never writes). A block whose RegEBP no longer holds the mark, with RegEDX as the
// reply left it, was written by SetClock. Anything else, including the ambiguous cases, is
// taken as the probe, which changes nothing.
bool IsSetClock(const SmiRegisterBlock& block) {
    return block.RegEBP != block.Reserved20 && block.RegEDX == block.Reserved4;
}

class Board {
public:
    void PowerOn() {
        firmware_.Reset();
        config_ = BoardConfig{1, kDefaultTuningCommand, kDefaultTuningPort, 1, {0, 0, 0}};
        for (BoardFailure& slot : failures_) slot = BoardFailure{0, 0};
        last_ = BoardLastRequest{};
        replies_ = 0;
    }

    int32_t Gateway(const BoardIoRequest& io, uint32_t& information) {
        RecordArrival(io);
        int32_t status = ServeGateway(io, information);
        if (status != BOARD_STATUS_SUCCESS) information = 0;
        last_.Status = status;
        return status;
    }

    int32_t Control(const BoardIoRequest& io, uint32_t& information) {
        information = 0;
        int32_t status = ServeControl(io, information);
        if (status != BOARD_STATUS_SUCCESS) information = 0;
        return status;
    }

private:
    void RecordArrival(const BoardIoRequest& io) {
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

    int32_t ServeGateway(const BoardIoRequest& io, uint32_t& information) {
        const FirmwareRequest* request = FindRequest(io.ControlCode);
        if (!request) return BOARD_STATUS_INVALID_DEVICE_REQUEST;
        const Shape shape = ShapeOf(request->id);
        const uint32_t size =
            shape == Shape::Fan ? sizeof(FanRequestBlock) : sizeof(SmiRegisterBlock);
        if (!io.Buffer || io.InputLength != size || io.OutputLength != size)
            return BOARD_STATUS_INVALID_PARAMETER;
        if (const int32_t failure = InjectedFailure(io.ControlCode)) return failure;
        if (shape == Shape::Fan) return Fan(request->id, information);
        return Tuning(*request, shape, io.Buffer, information);
    }

    // The block comes in and goes out whole; the work is done on a copy so that a request
    // that fails leaves the buffer as it came.
    int32_t Tuning(const FirmwareRequest& row, Shape shape, void* buffer, uint32_t& information) {
        SmiRegisterBlock block;
        __builtin_memcpy(&block, buffer, sizeof(block));
        if (shape == Shape::InterfaceQuery && !config_.InterfacePresent)
            return BOARD_STATUS_NO_SUCH_DEVICE;

        const FirmwareRequest* function = &row;
        if (shape == Shape::InterfaceQuery)
            function = &kclk::Describe(RequestId::SupOverClock);
        else if (shape == Shape::ClockSetting)
            function = &kclk::Describe(IsSetClock(block) ? RequestId::SetClock
                                                         : RequestId::SetClockProb);

        CpuRegisters regs = Load(*function, shape, block);
        Trigger(regs);
        Store(regs, block);
        if (shape == Shape::InterfaceQuery) {
            block.SmiPort = config_.TuningPort;
            block.SmiCommand = config_.TuningCommand;
        }
        __builtin_memcpy(buffer, &block, sizeof(block));
        information = sizeof(block);
        return BOARD_STATUS_SUCCESS;
    }

    // AH, BL and BH from the code, AL and DX from the block, and the inputs the code takes.
    // Registers the call does not take start at 0.
    static CpuRegisters Load(const FirmwareRequest& function, Shape shape,
                             const SmiRegisterBlock& block) {
        CpuRegisters regs{};
        regs.eax = static_cast<uint32_t>(function.ah) << 8 | block.SmiCommand;
        regs.ebx = function.bl;
        if (function.bh != kclk::kNoItem) regs.ebx |= static_cast<uint32_t>(function.bh) << 8;
        regs.edx = block.SmiPort;
        switch (shape) {
        case Shape::WordInCX:
            regs.ecx = block.RegCX;
            break;
        case Shape::WordInSI:
            regs.esi = block.RegSI;
            break;
        case Shape::ClockSetting:
            regs.ecx = block.RegECX;
            regs.esi = block.RegESI;
            regs.edi = block.RegEDI;
            if (function.id == RequestId::SetClock) {
                // As the direct path delivers it: BL replaces the word's low byte.
                regs.ebx = (block.RegEBX & 0xFFFFFF00u) | function.bl;
                regs.ebp = block.RegEBP;
            } else {
                // The direct path carries the probe's fourth word in EBP.
                regs.ebp = block.RegEDX;
            }
            break;
        default:
            break;
        }
        return regs;
    }

    // The firmware answers only a trigger at its own port with its own command; otherwise
    // nothing changes and AX keeps the trigger word.
    void Trigger(CpuRegisters& regs) {
        const bool answered = config_.InterfacePresent &&
                              static_cast<uint16_t>(regs.edx) == config_.TuningPort &&
                              static_cast<uint8_t>(regs.eax) == config_.TuningCommand;
        last_.Triggered = 1;
        last_.Answered = answered ? 1 : 0;
        last_.TriggerEAX = regs.eax;
        last_.TriggerEBX = regs.ebx;
        last_.TriggerECX = regs.ecx;
        last_.TriggerEDX = regs.edx;
        last_.TriggerESI = regs.esi;
        last_.TriggerEDI = regs.edi;
        last_.TriggerEBP = regs.ebp;
        if (answered) firmware_.HandleTuning(regs);
    }

    void Store(const CpuRegisters& regs, SmiRegisterBlock& block) {
        block.RegAX = static_cast<uint16_t>(regs.eax);
        block.RegBX = static_cast<uint16_t>(regs.ebx);
        block.RegCX = static_cast<uint16_t>(regs.ecx);
        block.RegSI = static_cast<uint16_t>(regs.esi);
        block.RegEBX = regs.ebx;
        block.RegECX = regs.ecx;
        block.RegEDX = regs.edx;
        block.RegEDI = regs.edi;
        // The marks IsSetClock reads on the next SET_CLOCK of this block. A multiplicative
        // sequence, so that consecutive marks differ and no caller's value is likely to match.
        block.RegEBP = ++replies_ * 0x9E3779B1u ^ 0x4B52C10Cu;
        block.Reserved20 = block.RegEBP;
        block.Reserved4 = block.RegEDX;
    }

    // The driver's own smart-fan operations; the block goes back as it came.
    int32_t Fan(RequestId id, uint32_t& information) {
        if (!config_.FanInterfacePresent || !firmware_.FanPresent())
            return BOARD_STATUS_NO_SUCH_DEVICE;
        if (id == RequestId::SmartFanOn) firmware_.FanSwitchOn();
        if (id == RequestId::SmartFanOff) firmware_.FanSwitchOff();
        information = sizeof(FanRequestBlock);
        return BOARD_STATUS_SUCCESS;
    }

    int32_t InjectedFailure(uint32_t controlCode) const {
        for (const BoardFailure& slot : failures_)
            if (slot.Status != 0 && slot.ControlCode == controlCode) return slot.Status;
        return 0;
    }

    // --- \\.\GpdBoard ------------------------------------------------------------------------

    static bool Takes(const BoardIoRequest& io, uint32_t in, uint32_t out) {
        if (io.InputLength != in || io.OutputLength != out) return false;
        return (in == 0 && out == 0) || io.Buffer != nullptr;
    }

    template <typename T>
    static int32_t Reply(const BoardIoRequest& io, const T& value, uint32_t& information) {
        if (!Takes(io, 0, sizeof(T))) return BOARD_STATUS_INVALID_PARAMETER;
        __builtin_memcpy(io.Buffer, &value, sizeof(T));
        information = sizeof(T);
        return BOARD_STATUS_SUCCESS;
    }

    template <typename T>
    static bool Receive(const BoardIoRequest& io, T& value) {
        if (!Takes(io, sizeof(T), 0)) return false;
        __builtin_memcpy(&value, io.Buffer, sizeof(T));
        return true;
    }

    int32_t ServeControl(const BoardIoRequest& io, uint32_t& information) {
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
            if (!Takes(io, 0, 0)) return BOARD_STATUS_INVALID_PARAMETER;
            firmware_.Reset();
            return BOARD_STATUS_SUCCESS;
        case BOARD_IOCTL_RESET_BOARD:
            if (!Takes(io, 0, 0)) return BOARD_STATUS_INVALID_PARAMETER;
            PowerOn();
            return BOARD_STATUS_SUCCESS;
        case BOARD_IOCTL_GET_FIRMWARE_STATE:
            return Reply(io, firmware_, information);
        case BOARD_IOCTL_SET_FIRMWARE_STATE:
            return Receive(io, firmware_) ? BOARD_STATUS_SUCCESS : BOARD_STATUS_INVALID_PARAMETER;
        case BOARD_IOCTL_GET_LAST_REQUEST:
            return Reply(io, last_, information);
        default:
            return BOARD_STATUS_INVALID_DEVICE_REQUEST;
        }
    }

    int32_t SetConfig(const BoardIoRequest& io) {
        BoardConfig config;
        if (!Receive(io, config)) return BOARD_STATUS_INVALID_PARAMETER;
        if (config.InterfacePresent > 1 || config.FanInterfacePresent > 1 ||
            config.Reserved[0] || config.Reserved[1] || config.Reserved[2])
            return BOARD_STATUS_INVALID_PARAMETER;
        config_ = config;
        return BOARD_STATUS_SUCCESS;
    }

    int32_t SetFailure(const BoardIoRequest& io) {
        BoardFailure failure;
        if (!Receive(io, failure)) return BOARD_STATUS_INVALID_PARAMETER;
        if (!FindRequest(failure.ControlCode)) return BOARD_STATUS_INVALID_PARAMETER;
        if (failure.Status != 0 && !IsErrorStatus(failure.Status))
            return BOARD_STATUS_INVALID_PARAMETER;
        BoardFailure* free = nullptr;
        for (BoardFailure& slot : failures_) {
            if (slot.Status != 0 && slot.ControlCode == failure.ControlCode) {
                slot = failure;  // a status of 0 frees the slot
                return BOARD_STATUS_SUCCESS;
            }
            if (slot.Status == 0 && !free) free = &slot;
        }
        if (failure.Status == 0) return BOARD_STATUS_SUCCESS;  // was not failing
        if (!free) return BOARD_STATUS_INSUFFICIENT_RESOURCES;
        *free = failure;
        return BOARD_STATUS_SUCCESS;
    }

    FirmwareModel firmware_;
    BoardConfig config_;
    BoardFailure failures_[BOARD_FAILURE_SLOTS];
    BoardLastRequest last_;
    uint32_t replies_;
};

// The driver unloads by freeing the storage: nothing may need destroying.
static_assert(std::is_trivially_destructible_v<Board>, "");

Board& AsBoard(void* storage) { return *static_cast<Board*>(storage); }

}  // namespace
}  // namespace board

extern "C" size_t BoardStorageSize(void) { return sizeof(board::Board); }

extern "C" void BoardPowerOn(void* storage) {
    (new (storage) board::Board())->PowerOn();
}

extern "C" int32_t BoardGatewayRequest(void* storage, const BoardIoRequest* request,
                                       uint32_t* information) {
    return board::AsBoard(storage).Gateway(*request, *information);
}

extern "C" int32_t BoardControlRequest(void* storage, const BoardIoRequest* request,
                                       uint32_t* information) {
    return board::AsBoard(storage).Control(*request, *information);
}
