// The main thread takes live samples while the cadence thread runs the live update: run under
// ThreadSanitizer (scripts/tsan) this proves that the dataset's live path shares its
// transponders, their indexes and its duration safely.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace {

constexpr int32_t kTransponders = 30;
constexpr int64_t kStepMS = 25;  // 40 Hz
constexpr int64_t kRecordingMS = 4 * 60 * 1000;
constexpr int64_t kFirstTickMS = 1000000;

TEST(LiveThreads, SamplesArriveWhileTheCadenceThreadUpdates) {
    TqelDataset dataset;
    dataset.setRecording(true);
    std::atomic<bool> done{false};
    std::atomic<int64_t> updates{0};
    std::thread cadence([&] {
        while (!done.load()) {
            dataset.updateLiveData();
            ++updates;
        }
    });

    RqelLPMSample sample;
    sample.setXinMM(10000);
    sample.setYinMM(20000);
    for (int64_t t = 0; t <= kRecordingMS; t += kStepMS) {
        // New antennas keep joining while the cadence thread walks the list.
        const int32_t present = std::min<int64_t>(kTransponders, 1 + t / 2000);
        for (int32_t tp = 0; tp < present; ++tp) {
            sample.setTimestamp(static_cast<uint32_t>((kFirstTickMS + t) * 10));
            sample.setAntennaID(static_cast<uint16_t>(100 + tp));
            dataset.recordLPMSample(sample);
        }
    }
    while (updates.load() < 2) {
        std::this_thread::yield();
    }
    done = true;
    cadence.join();
    dataset.updateLiveData();

    EXPECT_EQ(dataset.ExceptionCount(), 0);
    ASSERT_EQ(dataset.TransponderCount(), kTransponders);
    EXPECT_EQ(dataset.DurationInMS(), kRecordingMS);
    for (int32_t i = 0; i < kTransponders; ++i) {
        const TqelTransponderData* transponder = dataset.getTransponder(i);
        EXPECT_GT(transponder->Sample10HzCount(), kRecordingMS / 100);
        EXPECT_EQ(transponder->getLastSampleTime(), kRecordingMS);
    }
    dataset.setRecording(false);
}

}  // namespace
