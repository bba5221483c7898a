// The hardware monitor's readings over the last ten minutes, for the monitor page's graph: a
// ring of samples that drops the oldest when full, so that the history stays the same size
// however long the tool runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kr4 {

// The monitor's sensors by index from 1, as ktray compares them with the limits: temperature 1
// the system's, 2 and 3 the processor's; fans 1 and 2 the processor's, 3 and 4 the power
// supply's, 5 the system's.
constexpr int kTemperatureCount = 3;
constexpr int kFanCount = 5;
constexpr int32_t kNoReading = -1;    // what the monitor library answers for an absent sensor

struct SensorSample {
    int32_t temperature[kTemperatureCount] = {kNoReading, kNoReading, kNoReading};
    int32_t fan[kFanCount] = {kNoReading, kNoReading, kNoReading, kNoReading, kNoReading};
};

constexpr unsigned kSamplePeriodMs = 5000;
constexpr size_t kHistorySamples = 10 * 60 * 1000 / kSamplePeriodMs;

class ReadingHistory {
public:
    void Add(const SensorSample& sample);
    size_t Size() const { return size_; }
    // index 0 is the oldest sample kept, Size() - 1 the newest.
    const SensorSample& At(size_t index) const;

private:
    SensorSample samples_[kHistorySamples];
    size_t next_ = 0;  // where the next sample goes
    size_t size_ = 0;
};

}  // namespace kr4
