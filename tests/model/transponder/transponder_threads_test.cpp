// The main thread appends while the cadence thread extends the 10 Hz index and other threads
// read: run under ThreadSanitizer (scripts/tsan) this proves the store's locking.

#include <atomic>
#include <thread>

#include "transponder_fixture.h"

namespace {

using qel::test::AccelerometerSample;
using qel::test::TelemetrySample;
using qel::test::TransponderFixture;

constexpr int32_t kSamples = 1000000;
constexpr int32_t kStepMS = 25;  // 40 Hz
constexpr int32_t kLiveDelayMS = 1050;

class TransponderThreads : public TransponderFixture {};

// As the live update does: grow the index behind the newest sample, fill the completed slots
// and read them back under the index lock.
void LiveUpdate(TqelTransponderData& aTp, const std::atomic<bool>& aDone) {
    while (!aDone.load()) {
        const int32_t last = aTp.getLastSampleTime();
        if (last < kLiveDelayMS) {
            std::this_thread::yield();
            continue;
        }
        const int32_t target = (last - kLiveDelayMS) / 100;
        aTp.Grow10HzIndex(target + 1);
        std::lock_guard lock(aTp.IndexLock());
        for (int32_t slot = aTp.LiveUpdateTimestamp() / 100; slot <= target; ++slot) {
            RqelSampleIdx10Hz& s = aTp.Sample10Hz(slot);
            s.setXinMM(slot);
            s.setYinMM(-slot);
            s.setFSpeedMMS(static_cast<uint16_t>(slot % 5000));
            s.setCumDistanceInMM(slot * 10);
        }
        aTp.setLiveUpdateTimestamp(target * 100);
        (void)aTp.indexSpeed(target * 100 - 50);
        (void)aTp.IndexPosition(target * 100 - 30);
    }
}

void Readers(TqelTransponderData& aTp, const std::atomic<bool>& aDone) {
    uint32_t round = 0;
    while (!aDone.load()) {
        ++round;
        const int32_t last = aTp.getLastSampleTime();
        if (last < 0) {
            continue;
        }
        const int32_t t = static_cast<int32_t>(round * 7919u % static_cast<uint32_t>(last + 1));
        const int32_t index = aTp.getSampleIndex(t);
        if (index >= 0) {
            (void)aTp.GetSampleXinMM(index);
        }
        (void)aTp.getFirstSampleIndexAfter(t, 200);
        (void)aTp.countSamples(t, t + 1000);
        (void)aTp.IndexPosition(t);
        (void)aTp.indexSpeed(t);
        (void)aTp.indexDistance(0, t);
        RqelCalculatedPosition position;
        if (!aTp.CachedPosition(t, position)) {
            aTp.CachePosition(t, aTp.IndexPosition(t));
        }
        if (round % 64 == 0) {
            aTp.invalidatePositionCache();
        }
        const int32_t second = t / 1000;
        if (second < aTp.HeartbeatIdx1HzCapacity()) {
            const int32_t heartbeat = aTp.HeartbeatIdx1Hz(second);
            if (heartbeat >= 0) {
                (void)aTp.HeartbeatSample(heartbeat).TelemetryData();
            }
        }
        if (t / 100 < aTp.AccelerometerIdx10HzCapacity()) {
            const int32_t accel = aTp.AccelerometerIdx10Hz(t / 100);
            if (accel >= 0) {
                (void)aTp.AccelerometerFiltered(accel).LowPassGrav;
            }
        }
        (void)aTp.PlayerID();
        (void)aTp.AthleteName();
        (void)aTp.getHeartbeatValue(t, false);
        (void)aTp.calcAverageHeartbeat(t - 3000, t);
        (void)aTp.calcImpact(t);
        (void)aTp.calcBatteryStatus(t);
        (void)aTp.calcBaseStationsUsed(t);
    }
}

TEST_F(TransponderThreads, AppendWhileTheIndexGrowsAndReadersLookUp) {
    dataset.setUseTelemetryIDs(true);
    std::atomic<bool> done{false};
    std::thread live(LiveUpdate, std::ref(*tp), std::cref(done));
    std::thread readers(Readers, std::ref(*tp), std::cref(done));

    for (int32_t i = 0; i < kSamples; ++i) {
        const int32_t t = i * kStepMS;
        switch (i % 4) {
            case 0:
                tp->AddSample(t, TelemetrySample(61, static_cast<uint16_t>(400 + i % 300)));
                break;
            case 1:
                tp->AddSample(t, AccelerometerSample(static_cast<int8_t>(i % 7), 0, 56, false));
                break;
            case 2:
                tp->AddSample(
                    t, i % 40 == 2 ? TelemetrySample(101, 3700) : TelemetrySample(57, 0x7800));
                break;
            default:
                tp->AddSample(t, TelemetrySample(57, static_cast<uint16_t>(0x5000 + i % 9)));
                break;
        }
        if (i % 100000 == 0) {
            tp->setAthleteName(QStringLiteral("Athlete %1").arg(i));
        }
    }
    done = true;
    live.join();
    readers.join();

    EXPECT_EQ(tp->SampleCount(), kSamples);
    EXPECT_EQ(tp->RefusedSampleCount(), 0);
    EXPECT_EQ(tp->AccelerometerCount(), kSamples / 4);
    EXPECT_EQ(tp->BatteryCount(), kSamples / 40);
    EXPECT_GT(tp->HeartbeatCount(), kSamples / 4);
    const int32_t lastSlot = (kSamples - 1) * kStepMS / 100;
    EXPECT_EQ(tp->Get10HzSlot(lastSlot).LastSampleIndex(), kSamples - 1);
}

}  // namespace
