// Stand-in for the sound library Sound.dll: class CSound plays through the ordinary Windows
// sound calls and journals every call. Whether a sound is heard does not matter (a machine
// without an audio device plays nothing); IsPlay answers from the player's own state.
#define SOUND_LIBRARY_BUILDING
#include "sound_library.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <new>

#include "sound_journal.h"

namespace {

// The player's state, kept inside the storage that the caller reserved for a CSound.
struct PlayerState {
    int playing;  // since the last PlayFile or PlayBeep, until AllStop
};
static_assert(sizeof(PlayerState) <= kSoundStorageBytes, "the caller reserves no more than this");
static_assert(alignof(PlayerState) <= 8, "the caller's storage is aligned to 8");

PlayerState& StateIn(unsigned char* storage) {
    return *std::launder(reinterpret_cast<PlayerState*>(storage));
}

}  // namespace

CSound::CSound() {
    new (m_storage) PlayerState{0};
}

int CSound::PlayFile(char const* path, int flags) {
    char entry[320];
    std::snprintf(entry, sizeof entry, "PlayFile(%.255s,%d);", path ? path : "", flags);
    sound::AppendToJournal(entry);
    if (!path) return 0;  // PlaySound would take a null name for "stop"
    const BOOL started = PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
    StateIn(m_storage).playing = 1;
    return started ? 1 : 0;
}

int CSound::PlayBeep(int kind) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "PlayBeep(%d);", kind);
    sound::AppendToJournal(entry);
    const BOOL started = MessageBeep(static_cast<UINT>(kind));
    StateIn(m_storage).playing = 1;
    return started ? 1 : 0;
}

int CSound::IsPlay() {
    sound::AppendToJournal("IsPlay;");
    return StateIn(m_storage).playing;
}

void CSound::AllStop() {
    sound::AppendToJournal("AllStop;");
    PlaySoundA(nullptr, nullptr, 0);
    StateIn(m_storage).playing = 0;
}
