// The maker's monitor and sound libraries, bound at run time: ktray starts and works without
// them (no readings; the system's beep for an alarm).
#include <cstring>

#include "monitor_library.h"
#include "sound_library.h"

namespace ktray {

namespace {

MonitorLibrary g_monitor;
bool g_monitorTried = false;

int CallMonitor(FARPROC function, int index, int* value) {
    return function ? ktray_CallMonitorFunction(function, index, value) : 0;
}

}  // namespace

bool MonitorLibrary::Load(const char* file) {
    m_temperature = m_fan = nullptr;
    const HMODULE module = file ? LoadLibraryA(file) : nullptr;
    if (!module) return false;
    FARPROC temperature = GetProcAddress(module, "W_Get_TempValue");
    FARPROC fan = GetProcAddress(module, "W_Get_FanCount");
    if (!temperature || !fan) {
        FreeLibrary(module);
        return false;
    }
    // Kept loaded for the rest of the process.
    m_temperature = temperature;
    m_fan = fan;
    return true;
}

int MonitorLibrary::TempValue(int index, int* value) const {
    return CallMonitor(m_temperature, index, value);
}

int MonitorLibrary::FanCount(int index, int* value) const {
    return CallMonitor(m_fan, index, value);
}

MonitorLibrary& Monitor() {
    if (!g_monitorTried) {
        g_monitorTried = true;
        g_monitor.Load(kMonitorLibraryFile);
    }
    return g_monitor;
}

}  // namespace ktray

// --- The sound library ------------------------------------------------------------------------

namespace {

// The members as its compiler exports them, and as they are called: this in ECX, the callee
// removing the arguments.
using Constructor = void(__attribute__((thiscall)) *)(void* self);
using PlayFileMember = int(__attribute__((thiscall)) *)(void* self, char const* path, int flags);
using PlayBeepMember = int(__attribute__((thiscall)) *)(void* self, int kind);
using IsPlayMember = int(__attribute__((thiscall)) *)(void* self);
using AllStopMember = void(__attribute__((thiscall)) *)(void* self);

template <typename Member>
Member Find(HMODULE module, const char* name) {
    return reinterpret_cast<Member>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Without the library an alarm still sounds: the system's own beep.
constexpr UINT kSystemBeep = 0xFFFFFFFF;

}  // namespace

CSound::CSound() : CSound(ktray::kSoundLibraryFile) {}

CSound::CSound(const char* libraryFile) {
    std::memset(m_storage, 0, sizeof m_storage);
    const HMODULE module = libraryFile ? LoadLibraryA(libraryFile) : nullptr;
    if (!module) return;
    const auto construct = Find<Constructor>(module, ktray::kSoundConstructorName);
    m_playFile = Find<void*>(module, ktray::kSoundPlayFileName);
    m_playBeep = Find<void*>(module, ktray::kSoundPlayBeepName);
    m_isPlay = Find<void*>(module, ktray::kSoundIsPlayName);
    m_allStop = Find<void*>(module, ktray::kSoundAllStopName);
    if (!construct || !m_playFile || !m_playBeep || !m_isPlay || !m_allStop) {
        m_playFile = m_playBeep = m_isPlay = m_allStop = nullptr;
        FreeLibrary(module);
        return;
    }
    // The library stays loaded: its player is never destroyed.
    construct(m_storage);
    m_bound = true;
}

int CSound::PlayFile(char const* path, int flags) {
    if (!m_bound) return MessageBeep(kSystemBeep) ? 1 : 0;
    return reinterpret_cast<PlayFileMember>(m_playFile)(m_storage, path, flags);
}

int CSound::PlayBeep(int kind) {
    if (!m_bound) return MessageBeep(kSystemBeep) ? 1 : 0;
    return reinterpret_cast<PlayBeepMember>(m_playBeep)(m_storage, kind);
}

int CSound::IsPlay() {
    return m_bound ? reinterpret_cast<IsPlayMember>(m_isPlay)(m_storage) : 0;
}

void CSound::AllStop() {
    if (m_bound) reinterpret_cast<AllStopMember>(m_allStop)(m_storage);
}
