// Stand-in for the sound library Sound.dll: its player plays through the ordinary Windows sound
// calls and journals every call. Whether a sound is heard does not matter (a machine without an
// audio device plays nothing); IsPlay answers from the player's own state.
//
// The library is exported as the maker's would be (sound.def): the members under the names
// Microsoft's compiler gives CSound's, called as members are (thiscall, which is also what this
// compiler makes of a member function; spelled out below).
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

#include "sound_journal.h"
#include "sound_library.h"

namespace standin {

class Player {
public:
    __attribute__((thiscall)) Player();
    int __attribute__((thiscall)) PlayFile(char const* path, int flags);
    int __attribute__((thiscall)) PlayBeep(int kind);
    int __attribute__((thiscall)) IsPlay();
    void __attribute__((thiscall)) AllStop();

private:
    int m_playing;  // since the last PlayFile or PlayBeep, until AllStop
};

// The player lives in the storage its user reserves for a CSound.
static_assert(sizeof(Player) <= ktray::kSoundStorageBytes, "ktray reserves no more than this");
static_assert(alignof(Player) <= 8, "ktray's storage is aligned to 8");

Player::Player() : m_playing(0) {}

int Player::PlayFile(char const* path, int flags) {
    char entry[320];
    std::snprintf(entry, sizeof entry, "PlayFile(%.255s,%d);", path ? path : "", flags);
    sound::AppendToJournal(entry);
    if (!path) return 0;  // PlaySound would take a null name for "stop"
    const BOOL started = PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
    m_playing = 1;
    return started ? 1 : 0;
}

int Player::PlayBeep(int kind) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "PlayBeep(%d);", kind);
    sound::AppendToJournal(entry);
    const BOOL started = MessageBeep(static_cast<UINT>(kind));
    m_playing = 1;
    return started ? 1 : 0;
}

int Player::IsPlay() {
    sound::AppendToJournal("IsPlay;");
    return m_playing;
}

void Player::AllStop() {
    sound::AppendToJournal("AllStop;");
    PlaySoundA(nullptr, nullptr, 0);
    m_playing = 0;
}

}  // namespace standin
