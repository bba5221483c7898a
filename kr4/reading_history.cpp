#include "reading_history.h"

namespace kr4 {

void ReadingHistory::Add(const SensorSample& sample) {
    samples_[next_] = sample;
    next_ = (next_ + 1) % kHistorySamples;
    if (size_ < kHistorySamples) ++size_;
}

const SensorSample& ReadingHistory::At(size_t index) const {
    const size_t oldest = (next_ + kHistorySamples - size_) % kHistorySamples;
    return samples_[(oldest + index) % kHistorySamples];
}

}  // namespace kr4
