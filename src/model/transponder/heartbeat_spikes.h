#pragma once

#include <cstdint>
#include <vector>

namespace qel {

// Finds the spikes of a heartbeat series and the values that replace them. A flag is 0 for a
// good sample, 1 for a spike without a replacement, else the replacement in bpm.
class HeartbeatSpikeFilter {
public:
    // The flagging moves back over the series at times: past this many steps per sample it
    // gives up, so that stopping a recording can never hang on it.
    static constexpr int64_t DefaultStepsPerSample = 20;

    // aBPM holds the decoded beats per minute of every sample. Returns false, with every flag
    // 0, when the flagging ran out of steps; aFlags then says nothing is a spike.
    static bool Run(const std::vector<double>& aBPM, std::vector<uint8_t>& aFlags,
                    int64_t aStepsPerSample = DefaultStepsPerSample);

private:
    static bool Flag(const std::vector<double>& aBPM, std::vector<uint8_t>& aFlags,
                     int64_t aStepLimit);
    static void Replace(const std::vector<double>& aBPM, std::vector<uint8_t>& aFlags);
};

}  // namespace qel
