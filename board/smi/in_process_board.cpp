#include "in_process_board.h"

#include <cstring>

namespace board {

namespace {

CpuRegisters FromContext(const CONTEXT& c) {
    return CpuRegisters{c.Eax, c.Ebx, c.Ecx, c.Edx, c.Esi, c.Edi, c.Ebp};
}

void ToContext(const CpuRegisters& r, CONTEXT& c) {
    c.Eax = r.eax; c.Ebx = r.ebx; c.Ecx = r.ecx; c.Edx = r.edx;
    c.Esi = r.esi; c.Edi = r.edi; c.Ebp = r.ebp;
}

// Decodes the `out` forms the library uses: port, width and instruction length.
bool DecodeOut(const uint8_t* code, uint16_t dx, uint16_t& port, uint8_t& width, uint8_t& length) {
    bool operand16 = false;
    size_t i = 0;
    if (code[0] == 0x66) { operand16 = true; i = 1; }
    switch (code[i]) {
    case 0xEE: port = dx; width = 8; length = static_cast<uint8_t>(i + 1); return !operand16;
    case 0xEF: port = dx; width = operand16 ? 16 : 32; length = static_cast<uint8_t>(i + 1); return true;
    case 0xE6: port = code[i + 1]; width = 8; length = static_cast<uint8_t>(i + 2); return !operand16;
    case 0xE7: port = code[i + 1]; width = operand16 ? 16 : 32; length = static_cast<uint8_t>(i + 2); return true;
    default: return false;
    }
}

}  // namespace

InProcessBoard& InProcessBoard::Instance() {
    static InProcessBoard board;
    return board;
}

bool InProcessBoard::Install() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (installed_) return true;
    // In Windows 9x mode Wine's 16-bit kernel lays out its own DOS memory (the first megabyte
    // and the 64 KiB after it) on the first fault there, and quietly completes that read. Spend
    // it now: from here on the board alone decides what is readable, and a fault is a fault.
    IsBadReadPtr(reinterpret_cast<const void*>(kBiosAreaStart), 1);

    void* area = reinterpret_cast<void*>(kBiosAreaStart);
    void* past = reinterpret_cast<void*>(kPastBiosArea);
    DWORD old = 0;
    // Windows 9x mode commits the first megabyte already; NT modes leave it free.
    if (!VirtualProtect(area, kBiosAreaSize, PAGE_READWRITE, &old) &&
        !VirtualAlloc(area, kBiosAreaSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
        return false;
    if (!VirtualProtect(past, kPastBiosAreaSize, PAGE_NOACCESS, &old) &&
        !VirtualAlloc(past, kPastBiosAreaSize, MEM_RESERVE, PAGE_NOACCESS))
        return false;
    std::memset(area, 0xFF, kBiosAreaSize);
    // First in line, ahead of any handler that would emulate port I/O on its own.
    if (!AddVectoredExceptionHandler(1, &InProcessBoard::OnException)) return false;
    installed_ = true;
    return true;
}

void InProcessBoard::PowerOn() {
    SetBiosReadable(true);
    ClearBios();
    std::lock_guard<std::mutex> lock(mutex_);
    answers_ = true;
    smi_ = SmiInterface{kDefaultTuningPort, kDefaultTuningCommand, kDefaultFanPort};
    firmware_.Reset();
    override_ = nullptr;
    writes_.clear();
    faultedReads_.clear();
}

void InProcessBoard::ClearBios() {
    std::memset(reinterpret_cast<void*>(kBiosAreaStart), 0xFF, kBiosAreaSize);
}

void InProcessBoard::PlaceBytes(uintptr_t linear, const void* bytes, size_t count) {
    if (linear < kBiosAreaStart || linear + count > kBiosAreaStart + kBiosAreaSize) return;
    std::memcpy(reinterpret_cast<void*>(linear), bytes, count);
}

void InProcessBoard::PlaceKrl4Table(uintptr_t linear, uint16_t port, uint8_t command) {
    const uint8_t table[10] = {'$', 'K', 'R', 'L', '4', 0x01, 0x00,
                               static_cast<uint8_t>(port), static_cast<uint8_t>(port >> 8), command};
    PlaceBytes(linear, table, sizeof(table));
}

void InProcessBoard::PlaceClkTable(uintptr_t linear, uint16_t port, uint8_t command) {
    const uint8_t table[7] = {'$', 'C', 'L', 'K',
                              static_cast<uint8_t>(port), static_cast<uint8_t>(port >> 8), command};
    PlaceBytes(linear, table, sizeof(table));
}

void InProcessBoard::PlaceRxeTable(uintptr_t linear, uint16_t fanPort) {
    const uint8_t table[10] = {'$', 'R', 'X', 'E', 0x01, 0x00, 0x00, 0x00,
                               static_cast<uint8_t>(fanPort), static_cast<uint8_t>(fanPort >> 8)};
    PlaceBytes(linear, table, sizeof(table));
}

void InProcessBoard::SetBiosReadable(bool readable) {
    DWORD old = 0;
    VirtualProtect(reinterpret_cast<void*>(kBiosAreaStart), kBiosAreaSize,
                   readable ? PAGE_READWRITE : PAGE_NOACCESS, &old);
}

void InProcessBoard::SetFirmwareAnswers(bool answers) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_ = answers;
}

void InProcessBoard::OverrideTuningHandler(TuningHandler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    override_ = std::move(handler);
}

void InProcessBoard::SetInterface(const SmiInterface& smi) {
    std::lock_guard<std::mutex> lock(mutex_);
    smi_ = smi;
}

SmiInterface InProcessBoard::Interface() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return smi_;
}

std::vector<PortWrite> InProcessBoard::Writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

void InProcessBoard::ClearWrites() {
    std::lock_guard<std::mutex> lock(mutex_);
    writes_.clear();
}

std::vector<uintptr_t> InProcessBoard::FaultedBiosReads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return faultedReads_;
}

LONG CALLBACK InProcessBoard::OnException(EXCEPTION_POINTERS* info) {
    InProcessBoard& self = Instance();
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    if (record.ExceptionCode == EXCEPTION_PRIV_INSTRUCTION)
        return self.HandlePortWrite(*info->ContextRecord);
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        uintptr_t address = record.ExceptionInformation[1];
        if (address >= kBiosAreaStart && address < kPastBiosArea + kPastBiosAreaSize) {
            std::lock_guard<std::mutex> lock(self.mutex_);
            self.faultedReads_.push_back(address);
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG InProcessBoard::HandlePortWrite(CONTEXT& context) {
    const uint8_t* code = reinterpret_cast<const uint8_t*>(context.Eip);
    uint16_t port = 0;
    uint8_t width = 0, length = 0;
    if (!DecodeOut(code, static_cast<uint16_t>(context.Edx), port, width, length))
        return EXCEPTION_CONTINUE_SEARCH;

    std::lock_guard<std::mutex> lock(mutex_);
    PortWrite write{port, width, FromContext(context), {}, false};
    CpuRegisters regs = write.before;
    const uint8_t al = static_cast<uint8_t>(regs.eax);
    const uint8_t ah = static_cast<uint8_t>(regs.eax >> 8);
    if (answers_) {
        if (width == 16 && port == smi_.tuningPort && al == smi_.tuningCommand) {
            if (override_)
                override_(regs);
            else
                firmware_.HandleTuning(regs);
            write.answered = true;
        } else if (width == 8 && port == smi_.fanPort && ah == 0x11 &&
                   (al == kFanReadCommand || al == kFanWriteCommand)) {
            firmware_.HandleFan(regs);
            write.answered = true;
        }
    }
    write.after = regs;
    writes_.push_back(write);
    ToContext(regs, context);
    context.Eip += length;
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace board
