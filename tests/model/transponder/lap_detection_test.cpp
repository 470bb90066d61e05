// Lap and sector detection, track position and speed on synthetic runs fed through the intake: a
// sample every 100 ms, positions the closest known sample, so that every crossing time can be
// worked out by hand. The oval is that of the track geometry tests (length 426.194 m).

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <atomic>
#include <thread>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <vector>

#include "model/field/field.h"
#include "model/field/oval_track.h"
#include "model/transponder/laps_sectors.h"
#include "transponder_fixture.h"

namespace {

using qel::test::LoggingSubscriber;
using qel::test::PositionSample;
using qel::test::SignalLog;

using qel::test::OvalPoint;
constexpr double kLengthInM = qel::test::kOvalLengthInM;

// The time (ms) at which a run at aSpeed m/s from the finish line at time 0 reaches aDistanceInM.
double ReachedAt(double aDistanceInM, double aSpeed) {
    return aDistanceInM / aSpeed * 1000;
}

class LapDetection : public ::testing::Test {
protected:
    LapDetection() {
        dataset.setPositionAlgorithm(posClosestKnown);
        dataset.setSpeedFrameInterval(1000);
        NewTransponder();
    }

    // The transponder that Feed fills, registered with the dataset under a new antenna.
    void NewTransponder() {
        ++antenna;
        tp = dataset.AddTransponder(antenna, nullptr, 0);
    }

    // A sample every 100 ms from 0 to aEndInMS at aPlace(t); no sample where aPlace is empty.
    void Feed(int32_t aEndInMS,
              const std::function<std::optional<RqelFieldPosition>(int32_t)>& aPlace) {
        for (int32_t t = 0; t <= aEndInMS; t += 100) {
            if (const auto place = aPlace(t)) {
                tp->AddSample(t, PositionSample(place->XinMM, place->YinMM, antenna));
            }
        }
        // The detection stops a second before the end: the last step is aEndInMS.
        dataset.setDurationInMS(aEndInMS + 1000);
    }
    // Around the oval at aSpeed m/s from the finish line at time 0.
    void Run(int32_t aEndInMS, double aSpeed) {
        Feed(aEndInMS, [aSpeed](int32_t t) { return OvalPoint(aSpeed * t / 1000); });
    }
    void AddTrackSectors() { qel::test::AddOvalSectors(*dataset.Field()); }
    std::vector<int32_t> LapEntries() const {
        std::vector<int32_t> entries;
        for (int32_t i = 0; i < tp->LapCount(); ++i) {
            entries.push_back(tp->getLap(i)->EntryInMS());
        }
        return entries;
    }

    TqelDataset dataset;
    uint16_t antenna = qel::test::kAntenna;
    TqelTransponderData* tp = nullptr;
};

MATCHER_P(Near, aExpected, "") {
    if (arg.size() != aExpected.size()) {
        return false;
    }
    for (size_t i = 0; i < arg.size(); ++i) {
        if (std::abs(arg[i] - aExpected[i]) > 1) {
            return false;
        }
    }
    return true;
}

TEST_F(LapDetection, ThreeLapsStartAtTheInterpolatedCrossings) {
    qel::test::SetOvalTrack(*dataset.Field());
    AddTrackSectors();
    Run(130000, 10);
    dataset.updateLapsAndSectorsFilterd();

    // Lap 1 is made at 0 by the first step; the others where the finish line was crossed.
    const std::vector<int32_t> crossings = {0, 42619, 85239, 127858};
    EXPECT_THAT(LapEntries(), Near(crossings));
    for (int32_t i = 0; i + 1 < tp->LapCount(); ++i) {
        EXPECT_EQ(tp->getLap(i)->ExitInMS(), tp->getLap(i + 1)->EntryInMS());
        EXPECT_EQ(tp->getLap(i)->LapNumber(), i + 1);
    }
    EXPECT_EQ(tp->getLap(3)->ExitInMS(), -1);

    // The first step enters sector 0 from the last sector; then every sector in turn, its entry
    // at the crossing of its start.
    ASSERT_EQ(tp->SectorCount(), 1 + 4 * 3);
    std::vector<int32_t> entries;
    for (int32_t i = 1; i < tp->SectorCount(); ++i) {
        const TqelSector* sector = tp->getSector(i);
        EXPECT_EQ(sector->SectorIndex(), i % 4) << i;
        EXPECT_EQ(sector->SectorNr(), i + 1);
        EXPECT_EQ(sector->ExitInMS(),
                  i + 1 < tp->SectorCount() ? tp->getSector(i + 1)->EntryInMS() : -1);
        entries.push_back(sector->EntryInMS());
    }
    std::vector<int32_t> expected;
    const double starts[] = {0, 100, 213.097, 313.097};
    for (int32_t i = 1; i <= 12; ++i) {
        expected.push_back(
            static_cast<int32_t>(std::lround(ReachedAt(starts[i % 4] + (i / 4) * kLengthInM, 10))));
    }
    EXPECT_THAT(entries, Near(expected));
    // Sectors belong to the lap in which they were entered.
    EXPECT_EQ(tp->getSector(4)->Lap(), tp->getLap(1));
    EXPECT_EQ(tp->getLap(1)->Sectors().size(), 4);
}

TEST_F(LapDetection, TeamPursuitAddsTheHalfWayLaps) {
    qel::test::SetOvalTrack(*dataset.Field());
    dataset.Field()->setTrackTeamPursuit(true);
    Run(130000, 10);
    dataset.updateLapsAndSectorsFilterd();
    EXPECT_THAT(LapEntries(),
                Near(std::vector<int32_t>{0, 21310, 42619, 63929, 85239, 106549, 127858}));
}

TEST_F(LapDetection, ACrossingOneStepAfterTheLastEightMetresStartsTwentyMsEarly) {
    qel::test::SetOvalTrack(*dataset.Field());
    Feed(5000, [](int32_t t) { return OvalPoint(t < 1600 ? kLengthInM - 8 : 2); });
    tp->updateLapsAndSectors();
    EXPECT_EQ(LapEntries(), (std::vector<int32_t>{0, 1580}));
}

TEST_F(LapDetection, DetectionGoesOnWhereItStopped) {
    qel::test::SetOvalTrack(*dataset.Field());
    Run(130000, 10);
    dataset.setDurationInMS(50000);
    tp->updateLapsAndSectors();
    EXPECT_EQ(tp->LapCount(), 2);
    dataset.setDurationInMS(131000);
    tp->updateLapsAndSectors();
    EXPECT_THAT(LapEntries(), Near(std::vector<int32_t>{0, 42619, 85239, 127858}));

    // A recalculation starts again from the start and finds the same laps.
    dataset.RecalculateLapsAndSectors();
    EXPECT_THAT(LapEntries(), Near(std::vector<int32_t>{0, 42619, 85239, 127858}));
    dataset.clearLapsAndSectors();
    EXPECT_EQ(tp->LapCount(), 0);
}

TEST_F(LapDetection, ALossOfPositionAcrossTheFinishLineGivesOneLap) {
    qel::test::SetOvalTrack(*dataset.Field());
    AddTrackSectors();
    // No samples from 40.5 to 44.5 s: positions are lost from 41.5 to 43.5 s, across the crossing
    // at 42.6 s (the closest known sample reaches just under a second to either side).
    Feed(60000, [](int32_t t) -> std::optional<RqelFieldPosition> {
        if (t > 40500 && t < 44500) {
            return std::nullopt;
        }
        return OvalPoint(10.0 * t / 1000);
    });
    tp->updateLapsAndSectors();
    ASSERT_EQ(tp->LapCount(), 2);
    const int32_t lapStart = tp->getLap(1)->EntryInMS();
    EXPECT_GT(lapStart, 41500);
    EXPECT_LT(lapStart, 43700);
    // Sector 0 is entered once, when the position comes back; nothing changes while it is lost.
    int32_t sectorZeroEntries = 0;
    for (int32_t i = 1; i < tp->SectorCount(); ++i) {
        const int32_t entry = tp->getSector(i)->EntryInMS();
        sectorZeroEntries += tp->getSector(i)->SectorIndex() == 0;
        EXPECT_FALSE(entry > 41400 && entry < lapStart) << i;
    }
    EXPECT_EQ(sectorZeroEntries, 1);
}

TEST_F(LapDetection, NoLapWithoutATrackLengthOrWhenRunningBackwards) {
    qel::test::SetOvalTrack(*dataset.Field());
    dataset.Field()->setTrackLengthInMM(0);
    Run(60000, 10);
    tp->updateLapsAndSectors();
    EXPECT_EQ(tp->LapCount(), 1);  // the first step's

    dataset.Field()->setTrackLengthInMM(426194);
    NewTransponder();
    Feed(60000, [](int32_t t) { return OvalPoint(20 - 10.0 * t / 1000); });
    tp->updateLapsAndSectors();
    EXPECT_EQ(tp->LapCount(), 1);
}

TEST_F(LapDetection, ASectorEnteredWithoutProgressStartsAtTheStepsTime) {
    // Without a track length nothing is wrapped: running backwards down the right straight from
    // 50 m the athlete enters sector 0 (the first 30 m) at 2.1 s with no progress along the
    // track, which dates the entry to the step, not to the recording's start.
    TqelField& field = *dataset.Field();
    qel::test::SetOvalTrack(field);
    field.setTrackLengthInMM(0);
    field.addSectorDef({1, 0, 29999, QString()});
    field.addSectorDef({2, 30000, 99999, QString()});
    Feed(4900, [](int32_t t) { return OvalPoint(50 - 10.0 * t / 1000); });
    tp->updateLapsAndSectors();
    // The detection starts in the last sector, so the first sector added is sector 0.
    ASSERT_EQ(tp->SectorCount(), 1);
    EXPECT_EQ(tp->getSector(0)->SectorIndex(), 0);
    EXPECT_EQ(tp->getSector(0)->EntryInMS(), 2100);
}

TEST_F(LapDetection, TrackSpeedAndCurrentLap) {
    EXPECT_EQ(tp->calcTrackSpeed(5000), 0);  // no track
    qel::test::SetOvalTrack(*dataset.Field());
    Run(20000, 25);
    // 25 m/s along the straight and the bend is capped at 20.
    EXPECT_EQ(tp->calcTrackSpeed(2000), 20);
    EXPECT_EQ(tp->calcTrackSpeed(5000), 20);
    EXPECT_NEAR(tp->calcTrackPositionInM(2000), 50, 0.002);
    EXPECT_EQ(tp->getCurrentLap(5000), nullptr);

    TqelLap* first = tp->AddLap(1000);
    TqelLap* second = tp->AddLap(3000);
    EXPECT_EQ(tp->getCurrentLap(999), nullptr);  // before the first lap
    EXPECT_EQ(tp->getCurrentLap(1000), first);
    EXPECT_EQ(tp->getCurrentLap(3000), second);
    EXPECT_EQ(tp->getCurrentLap(1000000), second);  // the open lap
    dataset.Field()->setHasTrack(false);
    EXPECT_EQ(tp->getCurrentLap(3000), nullptr);
    EXPECT_EQ(tp->calcTrackPositionInM(2000), 0);
}

TEST_F(LapDetection, SlowTrackSpeed) {
    qel::test::SetOvalTrack(*dataset.Field());
    Run(20000, 5);
    EXPECT_NEAR(tp->calcTrackSpeed(5000), 5, 0.01);   // on the straight
    EXPECT_NEAR(tp->calcTrackSpeed(25000), 0, 0.01);  // beyond the run
}

// Field sectors without a track: A is x 0 .. 10 m, B x 10 .. 20 m; '-' is outside both.
TEST_F(LapDetection, FieldSectorPassagesOnePerVisit) {
    struct Passage {
        int32_t Sector, Entry, Exit;
        bool operator==(const Passage&) const = default;
    };
    const struct {
        const char* Name;
        const char* Steps;  // the place at 1000, 1100, ... ms
        std::vector<Passage> Passages;
    } cases[] = {
        {"enter and stay", "--AAAA", {{0, 1200, 1500}}},
        {"leave", "-AAA---", {{0, 1100, 1300}}},
        {"back after 300 ms", "AAA---AA", {{0, 1100, 1700}}},
        {"back after 600 ms", "AAA------AA", {{0, 1100, 1200}, {0, 1900, 2000}}},
        {"straight to the next", "AAABB-", {{0, 1100, 1300}, {1, 1300, 1400}}},
    };
    TqelField& field = *dataset.Field();
    field.FieldSectors().push_back({1, {{0, 5000}, {10000, -5000}}, QString()});
    field.FieldSectors().push_back({2, {{10000, 5000}, {20000, -5000}}, QString()});
    for (const auto& c : cases) {
        NewTransponder();
        const std::string steps = c.Steps;
        // Long enough for the detection to run.
        Feed(4000, [&steps](int32_t t) {
            const size_t step = static_cast<size_t>(std::max(0, t - 1000) / 100);
            const char place = step < steps.size() ? steps[step] : '-';
            return RqelFieldPosition{place == 'A' ? 5000 : place == 'B' ? 15000 : -20000, 1000};
        });
        tp->updateLapsAndSectors();
        std::vector<Passage> passages;
        for (int32_t i = 0; i < tp->SectorCount(); ++i) {
            const TqelSector* sector = tp->getSector(i);
            EXPECT_EQ(sector->Lap(), nullptr);
            passages.push_back({sector->SectorIndex(), sector->EntryInMS(), sector->ExitInMS()});
        }
        EXPECT_EQ(passages.size(), c.Passages.size()) << c.Name;
        EXPECT_TRUE(passages == c.Passages) << c.Name;
    }
}

// The cadence thread detects as the recording grows while the main thread reads the laps and
// sectors, asks for the current lap and recalculates: run under ThreadSanitizer (scripts/tsan)
// this proves the detection and list locks.
TEST_F(LapDetection, DetectionBesideReadersAndRecalculation) {
    qel::test::SetOvalTrack(*dataset.Field());
    AddTrackSectors();
    SignalLog log;
    LoggingSubscriber subscriber(QStringLiteral("S"), log);
    dataset.subscribeToSignals(&subscriber);
    Run(120000, 10);
    dataset.setDurationInMS(4000);

    std::atomic<bool> done{false};
    std::thread cadence([&] {
        for (int32_t duration = 4000; duration <= 121000; duration += 100) {
            dataset.setDurationInMS(duration);
            tp->updateLapsAndSectors();
        }
        done = true;
    });
    int32_t round = 0;
    while (!done.load()) {
        ++round;
        for (int32_t i = 0; i < tp->LapCount(); ++i) {
            const TqelLap* lap = tp->getLap(i);
            EXPECT_LE(lap->EntryInMS(), 121000);
            for (const TqelSector* sector : lap->Sectors()) {
                EXPECT_EQ(sector->Lap(), lap);
            }
        }
        for (int32_t i = 0; i < tp->SectorCount(); ++i) {
            (void)tp->getSector(i)->ExitInMS();
        }
        if (const TqelLap* current = tp->getCurrentLap(round * 997 % 120000)) {
            (void)current->LapNumber();
        }
        if (round % 50 == 0) {
            dataset.RecalculateLapsAndSectors();
        }
        QCoreApplication::processEvents();
    }
    cadence.join();
    dataset.RecalculateLapsAndSectors();
    EXPECT_THAT(LapEntries(), Near(std::vector<int32_t>{0, 42619, 85239}));
    QCoreApplication::processEvents();
    dataset.unsubscribeToSignals(&subscriber);
}

}  // namespace
