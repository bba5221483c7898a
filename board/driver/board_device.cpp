// The simulated board behind the KrDrv stand-in: the firmware model as the dispatch core's
// backend (the core decides every request on \\.\GpdDev, the model answers its triggers),
// the faults of a misbehaving firmware wrapped around it, plus the test bench's control
// interface. Freestanding (no heap, no exceptions, no library
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

uint16_t Low(uint32_t v) { return static_cast<uint16_t>(v); }
void SetLow(uint32_t& reg, uint16_t value) { reg = (reg & 0xFFFF0000u) | value; }

// The tuning functions the faults act on, by device (BL) and operation (AH).
constexpr uint8_t kClockDevice = 0xB0, kFirstVoltage = 0xB1, kLastVoltage = 0xB3,
                  kRatioDevice = 0xB4, kCiaDevice = 0xB5, kMibDevice = 0xB6;
constexpr uint8_t kOpProbeClock = 0xB5, kOpSetClock = 0xB6, kOpSetVoltage = 0xB4,
                  kOpSetRatio = 0xB5, kOpCiaControl = 0xB4, kOpMibControl = 0xB2;

// What a tuning request is to the faults and the history: 0 for everything that only reads.
uint8_t KindOf(uint8_t ah, uint8_t bl) {
    if (bl == kClockDevice && ah == kOpProbeClock) return BOARD_HISTORY_PROBE;
    const bool set = (bl == kClockDevice && ah == kOpSetClock) ||
                     (bl >= kFirstVoltage && bl <= kLastVoltage && ah == kOpSetVoltage) ||
                     (bl == kRatioDevice && ah == kOpSetRatio) ||
                     (bl == kCiaDevice && ah == kOpCiaControl) ||
                     (bl == kMibDevice && ah == kOpMibControl);
    return set ? BOARD_HISTORY_SET : 0;
}

// The register whose low word carries a set's value: the control word of CIA comes in SI,
// every other value (the clock generator's FSB among them) in CX.
uint32_t CpuRegisters::*ValueRegister(uint8_t bl) {
    return bl == kCiaDevice ? &CpuRegisters::esi : &CpuRegisters::ecx;
}

// Other values a set could land on instead of the one asked for, most plausible first; the
// firmware decides which of them it would take. Up to four.
struct Neighbours {
    uint16_t values[4];
    unsigned count;
    void Add(uint16_t v) {
        if (count < 4) values[count++] = v;
    }
};

void AddTableNeighbours(const ValueTable& table, uint16_t value, Neighbours& out) {
    for (uint16_t i = 0; i < table.Length(); ++i) {
        if (table.entries[i] != value) continue;
        if (i > 0) out.Add(table.entries[i - 1]);
        if (i + 1 < table.Length()) out.Add(table.entries[i + 1]);
        return;
    }
}

Neighbours NeighboursOf(const FirmwareModel& firmware, uint8_t bl, const CpuRegisters& r) {
    Neighbours out{};
    const uint16_t value = Low(r.*ValueRegister(bl));
    if (bl == kClockDevice) {
        // The FSB a step lower: the discrete table's next lower entry, then 1 MHz lower (the
        // linear range), then the next entry up.
        const uint16_t fsb = value ? value : firmware.clock.current.fsb;
        const ValueTable& discrete = firmware.clock.tables[kDiscreteFsbTable];
        uint16_t below = 0, above = 0xFFFF;
        for (uint16_t i = 0; i < discrete.Length(); ++i) {
            const uint16_t e = discrete.entries[i];
            if (e < fsb && e > below) below = e;
            if (e > fsb && e < above) above = e;
        }
        if (below) out.Add(below);
        if (fsb > 100) out.Add(static_cast<uint16_t>(fsb - 100));
        if (above != 0xFFFF) out.Add(above);
    } else if (bl >= kFirstVoltage && bl <= kLastVoltage) {
        AddTableNeighbours(firmware.voltages[bl - kFirstVoltage].table, value, out);
    } else if (bl == kRatioDevice) {
        AddTableNeighbours(firmware.ratio.table, value, out);
    } else if (bl == kCiaDevice) {
        const uint16_t level = value & 0xFF, rest = value & 0xFF00;
        if (level > 0) out.Add(static_cast<uint16_t>(rest | (level - 1)));
        if (level < 0xFF) out.Add(static_cast<uint16_t>(rest | (level + 1)));
        out.Add(static_cast<uint16_t>(value ^ kCiaEngaged));
    } else if (bl == kMibDevice) {
        out.Add(static_cast<uint16_t>(value ^ 1));
    }
    return out;
}

// BX of a refusal the firmware would not have made itself: for the clock generator the problem
// bit of the first word that would change (the FSB's when none would), for the others what an
// honest refusal leaves there, the setting in force.
uint16_t RefusalAnswer(const FirmwareModel& firmware, uint8_t bl, const CpuRegisters& r) {
    if (bl == kClockDevice) {
        const ClockSetting& now = firmware.clock.current;
        const struct { uint16_t asked, inForce, bit; } words[] = {
            {Low(r.ecx), now.fsb, kClockBadFsb}, {Low(r.esi), now.dram, kClockBadDram},
            {Low(r.edi), now.agp, kClockBadAgp}, {Low(r.ebp), now.pci, kClockBadPci}};
        for (const auto& w : words)
            if (w.asked != 0 && w.asked != w.inForce) return w.bit;
        return kClockBadFsb;
    }
    if (bl >= kFirstVoltage && bl <= kLastVoltage)
        return firmware.voltages[bl - kFirstVoltage].current;
    if (bl == kRatioDevice) return firmware.ratio.current;
    if (bl == kCiaDevice) return (firmware.cia.status & kCiaEngaged) ? 1 : 0;
    return firmware.mib.on ? 1 : 0;
}

class Board final : public krdrv::FirmwareBackend {
public:
    Board() : dispatcher_(*this) {}

    void PowerOn() {
        ResetFirmware();
        config_ = BoardConfig{1, kDefaultTuningCommand, kDefaultTuningPort, 1, {0, 0, 0}};
        for (BoardFailure& slot : failures_) slot = BoardFailure{0, 0};
        last_ = BoardLastRequest{};
    }

    // A new firmware forgets the faults it was given and what it received.
    void ResetFirmware() {
        firmware_.Reset();
        faults_ = BoardFaults{};
        setCount_ = 0;
        hung_ = false;
        historyCount_ = 0;
    }

    // The reset button: the settings a board applies at every start come back (the clocks
    // from the boot preset, which a SetClock may have stored; voltages, ratio and the
    // accelerators at their power-on values), the hang ends. What the firmware keeps across a
    // reset stays: tables, limits, presets, the fan's items, the counters; so do the bench's
    // config, failures, faults and history. The sets are counted afresh.
    void Reboot() {
        scratch_.Reset();  // the power-on values
        firmware_.clock.current = firmware_.clock.presets[kBootPreset];
        for (int i = 0; i < 3; ++i) firmware_.voltages[i].current = scratch_.voltages[i].current;
        firmware_.ratio.current = scratch_.ratio.current;
        firmware_.cia.status = scratch_.cia.status;
        firmware_.mib.on = scratch_.mib.on;
        setCount_ = 0;
        hung_ = false;
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
        // A hung board answers nothing, like one nobody listens at.
        const bool answered = config_.InterfacePresent && !hung_ &&
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
        const uint8_t ah = static_cast<uint8_t>(cpu.eax >> 8), bl = static_cast<uint8_t>(cpu.ebx);
        const uint8_t kind = KindOf(ah, bl);
        if (kind == 0) {
            firmware_.HandleTuning(cpu);
        } else {
            const CpuRegisters seen = cpu;
            HandleFaulty(kind, bl, cpu);
            Record(kind, ah, bl, seen, cpu);
            if (kind == BOARD_HISTORY_SET && faults_.HangAboveFsb != 0 &&
                firmware_.clock.current.fsb > faults_.HangAboveFsb)
                hung_ = true;
        }
        registers = FromCpu(cpu);
    }

    void FanTrigger(KrdrvRegisters& registers) override {
        if (hung_ || static_cast<uint16_t>(registers.edx) != kDefaultFanPort) return;
        CpuRegisters cpu = ToCpu(registers);
        firmware_.HandleFan(cpu);
        registers = FromCpu(cpu);
    }

private:
    // --- Faults ------------------------------------------------------------------------------

    // A probe or a set, as a misbehaving firmware answers it. The firmware first runs it on a
    // copy: a request it refuses itself is answered honestly, so the faults only ever hit
    // requests that would have succeeded, and the firmware counts every request once.
    void HandleFaulty(uint8_t kind, uint8_t bl, CpuRegisters& cpu) {
        const uint32_t set = kind == BOARD_HISTORY_SET ? ++setCount_ : setCount_ + 1;
        const CpuRegisters asked = cpu;
        CpuRegisters honest = cpu;
        scratch_ = firmware_;
        scratch_.HandleTuning(honest);
        const bool performed = Low(honest.eax) == kStatusDone;

        // A probe is refused when the set it prepares (the next one) would be.
        if (performed && faults_.RefuseFromSet != 0 && set >= faults_.RefuseFromSet) {
            SetLow(cpu.eax, kStatusRejected);
            SetLow(cpu.ebx, RefusalAnswer(firmware_, bl, cpu));
            CountOnly();
            return;
        }
        const uint32_t from = faults_.FaultFromSet ? faults_.FaultFromSet : 1;
        const bool faulty = performed && kind == BOARD_HISTORY_SET &&
                            faults_.SetFault != BOARD_SET_FAULT_NONE && set >= from;
        cpu = honest;  // a faulty set answers what the honest one would have
        if (!faulty) {
            firmware_ = scratch_;
        } else if (faults_.SetFault == BOARD_SET_FAULT_IGNORE) {
            CountOnly();
        } else if (!ApplyNeighbour(bl, asked)) {
            firmware_ = scratch_;  // no other value the firmware would take: applied as asked
        }
    }

    // The set's state stays as it was; only the firmware's counters move on.
    void CountOnly() {
        firmware_.requestCount = scratch_.requestCount;
        firmware_.lastFunction = scratch_.lastFunction;
    }

    // Performs the set with the first neighbouring value the firmware accepts.
    bool ApplyNeighbour(uint8_t bl, const CpuRegisters& asked) {
        const Neighbours neighbours = NeighboursOf(firmware_, bl, asked);
        for (unsigned i = 0; i < neighbours.count; ++i) {
            CpuRegisters other = asked;
            SetLow(other.*ValueRegister(bl), neighbours.values[i]);
            trial_ = firmware_;
            trial_.HandleTuning(other);
            if (Low(other.eax) == kStatusDone) {
                firmware_ = trial_;
                return true;
            }
        }
        return false;
    }

    void Record(uint8_t kind, uint8_t ah, uint8_t bl, const CpuRegisters& seen,
                const CpuRegisters& answer) {
        BoardHistoryEntry& e = history_[historyCount_ % BOARD_HISTORY_CAPACITY];
        e = BoardHistoryEntry{};
        e.Sequence = ++historyCount_;
        e.Kind = kind;
        e.Operation = ah;
        e.Device = bl;
        e.EBX = seen.ebx;
        e.ECX = seen.ecx;
        e.ESI = seen.esi;
        e.EDI = seen.edi;
        e.EBP = seen.ebp;
        e.Status = Low(answer.eax);
        e.Answer = Low(answer.ebx);
    }

    int32_t SetFaults(const KrdrvIoRequest& io) {
        BoardFaults faults;
        if (!Receive(io, faults)) return KRDRV_STATUS_INVALID_PARAMETER;
        if (faults.SetFault > BOARD_SET_FAULT_MISMATCH || faults.Reserved[0] ||
            faults.Reserved[1] || faults.Reserved[2] || faults.Reserved2)
            return KRDRV_STATUS_INVALID_PARAMETER;
        faults.Hung = 0;  // out-only fields are not taken from the caller
        faults.SetCount = 0;
        faults_ = faults;
        setCount_ = 0;
        return KRDRV_STATUS_SUCCESS;
    }

    BoardFaults Faults() const {
        BoardFaults faults = faults_;
        faults.Hung = hung_ ? 1 : 0;
        faults.SetCount = setCount_;
        return faults;
    }

    // Oldest first, written straight into the caller's buffer: the whole history is too large
    // for a kernel stack.
    int32_t GetHistory(const KrdrvIoRequest& io, uint32_t& information) const {
        if (!Takes(io, 0, sizeof(BoardSetHistory))) return KRDRV_STATUS_INVALID_PARAMETER;
        constexpr uint32_t kCapacity = BOARD_HISTORY_CAPACITY;
        const uint32_t stored = historyCount_ < kCapacity ? historyCount_ : kCapacity;
        uint8_t* out = static_cast<uint8_t*>(io.Buffer);
        __builtin_memset(out, 0, sizeof(BoardSetHistory));
        __builtin_memcpy(out + __builtin_offsetof(BoardSetHistory, Count), &historyCount_, 4);
        __builtin_memcpy(out + __builtin_offsetof(BoardSetHistory, Stored), &stored, 4);
        const uint32_t oldest = historyCount_ - stored;
        uint8_t* entries = out + __builtin_offsetof(BoardSetHistory, Entries);
        for (uint32_t i = 0; i < stored; ++i)
            __builtin_memcpy(entries + i * sizeof(BoardHistoryEntry),
                             &history_[(oldest + i) % kCapacity], sizeof(BoardHistoryEntry));
        information = sizeof(BoardSetHistory);
        return KRDRV_STATUS_SUCCESS;
    }

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
            ResetFirmware();
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
        case BOARD_IOCTL_SET_FAULTS:
            return SetFaults(io);
        case BOARD_IOCTL_GET_FAULTS:
            return Reply(io, Faults(), information);
        case BOARD_IOCTL_GET_HISTORY:
            return GetHistory(io, information);
        case BOARD_IOCTL_CLEAR_HISTORY:
            if (!Takes(io, 0, 0)) return KRDRV_STATUS_INVALID_PARAMETER;
            historyCount_ = 0;
            return KRDRV_STATUS_SUCCESS;
        case BOARD_IOCTL_REBOOT:
            if (!Takes(io, 0, 0)) return KRDRV_STATUS_INVALID_PARAMETER;
            Reboot();
            return KRDRV_STATUS_SUCCESS;
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
    FirmwareModel scratch_, trial_;  // where a request is tried before it counts
    BoardFaults faults_;             // as written; Hung and SetCount live below
    uint32_t setCount_;              // sets since the faults were written (or the reboot)
    bool hung_;
    BoardHistoryEntry history_[BOARD_HISTORY_CAPACITY];  // a ring: entry n at (n - 1) % capacity
    uint32_t historyCount_;
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
