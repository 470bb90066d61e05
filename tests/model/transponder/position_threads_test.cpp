// The cadence thread computes positions while the main thread records and changes the smoothing:
// run under ThreadSanitizer (scripts/tsan) this proves the cache, override and kernel handling.

#include <atomic>
#include <thread>
#include <vector>

#include "transponder_fixture.h"

namespace {

using qel::test::PositionSample;

constexpr int32_t kTransponders = 10;
constexpr int32_t kSteps = 20000;  // 500 s at 40 Hz
constexpr int32_t kStepMS = 25;
constexpr uint16_t kFirstAntenna = 100;

void ComputeNearNewest(TqelDataset& aDataset, const std::atomic<bool>& aDone,
                       std::atomic<int64_t>& aFound) {
    uint32_t round = 0;
    RqelCalculatedPosition position;
    while (!aDone.load()) {
        ++round;
        for (int32_t i = 0; i < aDataset.Transponders().Count(); ++i) {
            TqelTransponderData* tp = aDataset.Transponders().At(i);
            const int32_t newest = tp->getLastSampleTime();
            if (newest < 0) {
                continue;
            }
            const int32_t t = newest - static_cast<int32_t>(round % 1500);
            position = tp->calcPosition(t);
            aFound += position.OnField ? 1 : 0;
            (void)tp->calcPositionByLastKnown(t, position);
            (void)tp->calcPositionByClosestKnown(t, position);
            (void)tp->calcPositionByLinearInterpolation(t, position);
            (void)tp->calcPositionByWeightedAverage(t, position);
            (void)tp->calcPositionByWeightedSportVU(t, position);
            position = tp->CalcLongAvgPos(t - 5000, t);
            (void)tp->IndexPosition(t);
        }
        (void)aDataset.getHeartbeatWeight(static_cast<int32_t>(round % 20));
        (void)aDataset.getAccelerometerWeight(static_cast<int32_t>(round % 80));
    }
}

TEST(PositionThreads, ComputeWhileTheMainThreadRecordsAndChangesSettings) {
    TqelDataset dataset;
    dataset.setHeartbeatInterval(10);
    dataset.setRecording(true);
    std::vector<TqelTransponderData*> transponders;
    for (int32_t i = 0; i < kTransponders; ++i) {
        transponders.push_back(dataset.AddTransponder(kFirstAntenna + i, nullptr, 0));
    }
    std::atomic<bool> done{false};
    std::atomic<int64_t> found{0};
    std::thread cadence(ComputeNearNewest, std::ref(dataset), std::cref(done), std::ref(found));

    const TqelPositionAlgorithm algorithms[] = {posLastKnown, posClosestKnown,
                                                posLinearInterpolation, posWeightedAverage,
                                                posWeightedSportVU};
    for (int32_t step = 1; step <= kSteps; ++step) {
        const int32_t t = step * kStepMS;
        for (int32_t i = 0; i < kTransponders; ++i) {
            transponders[static_cast<size_t>(i)]->AddSample(
                t, PositionSample(10000 + step % 4000 + i * 100, 20000 - step % 3000,
                                  static_cast<uint16_t>(kFirstAntenna + i)));
        }
        dataset.setDurationInMS(t);
        if (step % 97 == 0) {
            transponders[static_cast<size_t>(step % kTransponders)]->SetTempPosition(t - 500, 1.5,
                                                                                     2.5);
        }
        if (step % 400 == 0) {
            dataset.setPositionAlgorithm(algorithms[(step / 400) % 5]);
        }
        if (step % 700 == 0) {
            dataset.setPositionSensitivity(step % 1400 == 0 ? 10 : 75);
            dataset.setHeartbeatSensitivity(step % 1400 == 0 ? 0 : 75);
        }
        if (step % 300 == 0) {
            transponders[static_cast<size_t>(step % kTransponders)]->invalidatePositionCache();
        }
        if (step % 1000 == 0) {
            TqelTransponderData* tp = transponders[static_cast<size_t>(step % kTransponders)];
            tp->setRole(tp->Role() == roleBall ? roleAthlete : roleBall);
        }
    }
    done = true;
    cadence.join();
    dataset.setRecording(false);

    EXPECT_GT(found.load(), 0);
    EXPECT_TRUE(transponders[0]->calcPosition(kSteps * kStepMS - 2000).OnField);
}

}  // namespace
