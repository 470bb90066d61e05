#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "measurement/control/antenna_list.h"
#include "measurement/control/antenna_list_fakes.h"

namespace {

using qel::test::Sample;

// An output thread copies positions and identities by antenna id while the main thread adds
// samples, renames transponders and clears the list. Run under ThreadSanitizer, this proves the
// list's lock; everywhere it checks that no copied record is half-written.
TEST(AntennaListThreadTest, ReadersCopyWhileTheMainThreadWritesAndClears) {
    qel::FakeClock clock(qel::test::Noon());
    qel::ScopedClock scopedClock(clock);
    FakeMeasurementControl control;
    FakeAntennaListOwner owner;
    auto list = std::make_unique<TqelAntennaList>(&owner);

    std::atomic<bool> stop{false};
    std::atomic<int64_t> copies{0};
    std::atomic<int64_t> torn{0};
    std::thread reader([&] {
        RqelPositionRec position;
        RqelAntennaIdentity identity;
        while (!stop.load()) {
            for (uint16_t antennaID = 1; antennaID <= 5; ++antennaID) {
                if (list->CopyLastKnownPos(antennaID, position) &&
                    position.XinMM != 2 * position.YinMM) {
                    ++torn;
                }
                if (list->CopyFirstKnownPos(antennaID, position) &&
                    position.XinMM != 2 * position.YinMM) {
                    ++torn;
                }
                if (list->CopyIdentity(antennaID, identity) && !identity.VestID.isEmpty() &&
                    identity.VestID != QString::number(identity.AntennaID) &&
                    !identity.VestID.startsWith(QLatin1Char('V'))) {
                    ++torn;
                }
                ++copies;
            }
        }
    });

    for (int round = 0; round < 3000; ++round) {
        for (uint16_t antennaID = 1; antennaID <= 5; ++antennaID) {
            RqelPositionRec sample = Sample(antennaID, 2 * (round + 1), round + 1);
            sample.BatteryState = 1;
            list->AddData(&control, sample);
        }
        list->ItemByAntennaID(static_cast<uint16_t>(round % 5 + 1))
            ->setVestID(QStringLiteral("V%1").arg(round));
        if (round % 7 == 0) {
            list->ItemByAntennaID(1)->setEnabled(round % 2);
        }
        if (round % 250 == 0) {
            list->Clear();
        }
        clock.Advance(1);
    }
    while (copies.load() == 0) {
        std::this_thread::yield();
    }
    stop.store(true);
    reader.join();

    EXPECT_GT(copies.load(), 0);
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
