#include "sound_trial.h"

namespace kr4 {

SoundTrial::~SoundTrial() { Stop(); }

CSound& SoundTrial::Player() {
    if (!player_) player_ = std::make_unique<CSound>(libraryFile_.c_str());
    return *player_;
}

// The library's argument is passed as ktray passes it.
void SoundTrial::PlayBeep() { Player().PlayBeep(0); }

void SoundTrial::PlayFile(const std::string& path) { Player().PlayFile(path.c_str(), 0); }

bool SoundTrial::Playing() { return player_ && player_->IsPlay() != 0; }

void SoundTrial::Stop() {
    if (player_) player_->AllStop();
}

}  // namespace kr4
