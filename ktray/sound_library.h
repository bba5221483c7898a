// The sound library Sound.dll and its player class CSound, as ktray binds it at run time (it
// starts without it). A sound library of its time is built with Microsoft's compiler, so its
// members are exported under that compiler's names and called as its members are called
// (thiscall: the object in ECX, the callee removing the arguments):
//   ??0CSound@@QAE@XZ             CSound::CSound(void)
//   ?PlayFile@CSound@@QAEHPBDH@Z  int CSound::PlayFile(char const *, int)
//   ?PlayBeep@CSound@@QAEHH@Z     int CSound::PlayBeep(int)
//   ?IsPlay@CSound@@QAEHXZ        int CSound::IsPlay(void)
//   ?AllStop@CSound@@QAEXXZ       void CSound::AllStop(void)
//
// The player object's storage is laid out by ktray, not by the library, which does not say how
// large its object is: ktray reserves kSoundStorageBytes, generously, aligned to 8 (what the
// heap gives the frame that holds it). The object is never destroyed (the class has no
// destructor to call), as the library expects.
#pragma once

#include <windows.h>

namespace ktray {

constexpr unsigned kSoundStorageBytes = 4096;
constexpr char kSoundLibraryFile[] = "Sound.dll";
constexpr char kSoundConstructorName[] = "??0CSound@@QAE@XZ";
constexpr char kSoundPlayFileName[] = "?PlayFile@CSound@@QAEHPBDH@Z";
constexpr char kSoundPlayBeepName[] = "?PlayBeep@CSound@@QAEHH@Z";
constexpr char kSoundIsPlayName[] = "?IsPlay@CSound@@QAEHXZ";
constexpr char kSoundAllStopName[] = "?AllStop@CSound@@QAEXXZ";

}  // namespace ktray

// ktray's player: the library's CSound, constructed in storage of its own, when the library
// is there with all five members; otherwise an alarm beeps through the system (MessageBeep),
// nothing plays and IsPlay answers 0.
class CSound {
public:
    CSound();                                  // from ktray::kSoundLibraryFile
    explicit CSound(const char* libraryFile);  // the same from another file
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    int PlayFile(char const* path, int flags);  // ktray passes 0 as flags
    int PlayBeep(int kind);                     // ktray passes 0 as kind
    int IsPlay();                               // non-zero while a sound plays
    void AllStop();

    bool Bound() const { return m_bound; }

private:
    void* m_playFile = nullptr;
    void* m_playBeep = nullptr;
    void* m_isPlay = nullptr;
    void* m_allStop = nullptr;
    bool m_bound = false;
    // The library's object, last: whatever it keeps, it keeps here.
    alignas(8) unsigned char m_storage[ktray::kSoundStorageBytes];
};
