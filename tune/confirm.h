// Confirm or revert: an applied change stays only when the user confirms it before a deadline.
// The countdown runs off a clock behind a seam, so that it can be tested without waiting.
#pragma once

#include <cstdint>

namespace tune {

constexpr uint32_t kDefaultConfirmSeconds = 15;

class ConfirmIo {
public:
    virtual ~ConfirmIo() = default;
    virtual uint32_t NowMs() = 0;
    // Waits at most ms for the user's confirmation; true when it came.
    virtual bool WaitForConfirmation(uint32_t ms) = 0;
    // Tells the user how many whole seconds are left (called once per second of the countdown).
    virtual void ShowRemaining(uint32_t seconds) = 0;
};

// True when the user confirmed within seconds. The deadline is fixed at the start: however the
// waits return, the whole countdown never runs longer than seconds.
bool AwaitConfirmation(ConfirmIo& io, uint32_t seconds);

// Whether standard input is a console a user can type into (GetConsoleMode answers for it). A
// redirected input is not, whatever GetFileType says of it (Wine calls /dev/null a character
// device).
bool HasConsoleInput();

// The real console: Enter confirms. Anything typed before the countdown began is discarded.
class ConsoleConfirmIo : public ConfirmIo {
public:
    ConsoleConfirmIo();
    uint32_t NowMs() override;
    bool WaitForConfirmation(uint32_t ms) override;
    void ShowRemaining(uint32_t seconds) override;
};

// No console: nobody can confirm; the wait just passes.
class UnattendedConfirmIo : public ConfirmIo {
public:
    uint32_t NowMs() override;
    bool WaitForConfirmation(uint32_t ms) override;
    void ShowRemaining(uint32_t) override {}
};

}  // namespace tune
