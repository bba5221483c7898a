#include "confirm.h"

namespace tune {

bool AwaitConfirmation(ConfirmIo& io, uint32_t seconds) {
    const uint32_t start = io.NowMs();
    const uint32_t total = seconds * 1000u;
    uint32_t shown = seconds + 1;
    for (;;) {
        const uint32_t elapsed = io.NowMs() - start;  // unsigned: survives the tick wrapping
        if (elapsed >= total) return false;
        const uint32_t left = total - elapsed;
        const uint32_t leftSeconds = (left + 999) / 1000;
        if (leftSeconds != shown) {
            shown = leftSeconds;
            io.ShowRemaining(leftSeconds);
        }
        // Wake at the next whole second, so that the count shown stays right.
        uint32_t wait = left % 1000;
        if (wait == 0) wait = 1000;
        if (io.WaitForConfirmation(wait)) return true;
    }
}

}  // namespace tune
