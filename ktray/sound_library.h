// The sound library Sound.dll that ktray imports by name: the player class CSound.
//
// ktray holds its player as a member of its main frame, so the storage of a CSound is laid out
// by ktray, not by the library: kSoundStorageBytes (256 bytes) is what ktray reserves, and a
// library build must keep its state within it. The frame never destroys its player (the class
// has no destructor to call), as the library expects.
#pragma once

#ifdef SOUND_LIBRARY_BUILDING
#define SOUND_API __declspec(dllexport)
#else
#define SOUND_API __declspec(dllimport)
#endif

constexpr unsigned kSoundStorageBytes = 256;

class SOUND_API CSound {
public:
    CSound();
    int PlayFile(char const* path, int flags);  // ktray passes 0 as flags
    int PlayBeep(int kind);                     // ktray passes 0 as kind
    int IsPlay();                               // non-zero while a sound plays
    void AllStop();

private:
    alignas(8) unsigned char m_storage[kSoundStorageBytes];
};

static_assert(sizeof(CSound) == kSoundStorageBytes, "ktray reserves exactly this much");
