// The alarm sound heard before it is saved: the monitor page's Test button plays the beep or the
// file the page shows through the sound library ktray plays its alarm with (the system's beep
// without it), and stops it again.
#pragma once

#include <memory>
#include <string>

#include "sound_library.h"

namespace kr4 {

class SoundTrial {
public:
    explicit SoundTrial(std::string libraryFile) : libraryFile_(std::move(libraryFile)) {}
    ~SoundTrial();
    SoundTrial(const SoundTrial&) = delete;
    SoundTrial& operator=(const SoundTrial&) = delete;

    void PlayBeep();
    void PlayFile(const std::string& path);
    // Whether the library still plays; a system beep is over at once.
    bool Playing();
    void Stop();

private:
    CSound& Player();  // the library is bound at the first trial, not at the tool's start

    std::string libraryFile_;
    std::unique_ptr<CSound> player_;
};

}  // namespace kr4
