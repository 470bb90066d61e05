#include <cmath>
#include <limits>

#include "analysis/framework/calculation.h"
#include "database/datasets/transponder_rows.h"
#include "model/transponder/laps_sectors.h"
#include "transponder_fixture.h"

namespace {

using qel::test::PositionSample;
using qel::test::TransponderFixture;

class TransponderStore : public TransponderFixture {
protected:
    // Slots 0 .. aLength - 1, the live update complete up to aLiveUpdateTimestamp.
    void MakeIndex(int32_t aLength, int32_t aLiveUpdateTimestamp) {
        tp->Grow10HzIndex(aLength);
        tp->setLiveUpdateTimestamp(aLiveUpdateTimestamp);
    }
    void SetSlot(int32_t aSlot, int32_t aXinMM, int32_t aYinMM, uint16_t aSpeedMMS) {
        RqelSampleIdx10Hz slot = tp->Get10HzSlot(aSlot);
        slot.setXinMM(aXinMM);
        slot.setYinMM(aYinMM);
        slot.setFSpeedMMS(aSpeedMMS);
        tp->Set10HzSlot(aSlot, slot);
    }
    QString Changed() const { return QStringLiteral("S changed %1 0").arg(int(itemTransponder)); }
};

TEST_F(TransponderStore, LookupsOverSamplesWithEqualTimes) {
    for (int32_t time : {0, 100, 100, 250}) {
        tp->AddSample(time, PositionSample(1, 2));
    }
    EXPECT_EQ(tp->getSampleIndex(100), 2);
    EXPECT_EQ(tp->getSampleIndex(99), 0);
    EXPECT_EQ(tp->getSampleIndex(-1), -1);
    EXPECT_EQ(tp->getSampleIndex(1000), 3);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(250, 10), 4);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(-50, 50), -1);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(-50, 51), 0);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(0, 99), -1);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(0, 100), 1);
    EXPECT_EQ(tp->getLastSampleIndexBefore(1000, 500), -1);
    EXPECT_EQ(tp->getLastSampleIndexBefore(1000, 750), 3);
    EXPECT_EQ(tp->countSamples(300, 400), 0);
    EXPECT_EQ(tp->countSamples(50, 250), 3);
    EXPECT_EQ(tp->getSampleTime(-5), 0);
    EXPECT_EQ(tp->getSampleTime(99), 250);
    EXPECT_EQ(tp->getLastSampleTime(), 250);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(std::numeric_limits<int32_t>::max(),
                                           std::numeric_limits<int32_t>::max()),
              4);
}

TEST_F(TransponderStore, LookupsWithoutSamples) {
    EXPECT_EQ(tp->getSampleIndex(0), -1);
    EXPECT_EQ(tp->getFirstSampleIndexAfter(0, 100), -1);
    EXPECT_EQ(tp->countSamples(0, 100), 0);
    EXPECT_EQ(tp->getSampleTime(0), -1);
    EXPECT_EQ(tp->getLastSampleTime(), -1);
    EXPECT_EQ(tp->Get10HzIndex(0), -1);
    EXPECT_EQ(tp->indexSpeed(0), 0);
}

TEST_F(TransponderStore, TenHertzSlotOfATime) {
    MakeIndex(100, 5000);
    const std::pair<int32_t, int32_t> cases[] = {{4950, 49}, {5000, 50}, {5950, 50}, {5999, 50},
                                                 {6000, -1}, {-50, -1},  {-100, -1}};
    for (const auto& [time, slot] : cases) {
        EXPECT_EQ(tp->Get10HzIndex(time), slot) << time;
    }
    // Slots never written read as new ones.
    EXPECT_TRUE(tp->Get10HzSlot(99).GetValid());
    EXPECT_EQ(tp->Get10HzSlot(99).LastSampleIndex(), -1);
    EXPECT_EQ(tp->Sample10Hz(98).LastSampleIndex(), -1);
    EXPECT_EQ(tp->Get10HzRoundUpIndex(4950), 50);
    EXPECT_EQ(tp->Get10HzRoundUpIndex(-50), -1);
}

TEST_F(TransponderStore, IndexSpeedInterpolatesOnlyTowardsAnAvailableSlot) {
    MakeIndex(100, 5000);
    SetSlot(12, 0, 0, 1000);
    SetSlot(13, 0, 0, 2000);
    EXPECT_DOUBLE_EQ(tp->indexSpeed(1250), 1.5);
    EXPECT_DOUBLE_EQ(tp->indexSpeed(1200), 1.0);
    tp->setLiveUpdateTimestamp(1300);
    EXPECT_DOUBLE_EQ(tp->indexSpeed(1250), 1.0);
}

TEST_F(TransponderStore, IndexReadersOfDistanceAndHeartbeat) {
    MakeIndex(100, 5000);
    RqelSampleIdx10Hz slot = tp->Get10HzSlot(20);
    slot.setCumDistanceInMM(12500);
    slot.setCumHIDInMM(2500);
    slot.setFHeartbeat(14550);
    tp->Set10HzSlot(20, slot);
    EXPECT_DOUBLE_EQ(tp->indexDistance(500, 2050), 12.5);
    EXPECT_DOUBLE_EQ(tp->IndexHIDinM(500, 2050), 2.5);
    EXPECT_DOUBLE_EQ(tp->indexDistance(500, 9000), 0);
    EXPECT_DOUBLE_EQ(tp->indexHeartbeat(2099), 145.5);
}

TEST_F(TransponderStore, IndexPositionInterpolatesOnlyBetweenTwoPositions) {
    tp->setTPid(4);
    MakeIndex(100, 5000);
    SetSlot(5, 10000, 20000, 0);
    SetSlot(6, 11000, 21000, 0);
    SetSlot(7, RqelSampleIdx10Hz::NoPosition, RqelSampleIdx10Hz::NoPosition, 0);
    RqelCalculatedPosition p = tp->IndexPosition(550);
    EXPECT_DOUBLE_EQ(p.XinM, 10.5);
    EXPECT_DOUBLE_EQ(p.YinM, 20.5);
    EXPECT_TRUE(p.OnField);
    EXPECT_EQ(p.TransponderID, 4);
    // Beside the slot without a position: the slot's own point, not one 50 km off.
    p = tp->IndexPosition(650);
    EXPECT_DOUBLE_EQ(p.XinM, 11.0);
    EXPECT_DOUBLE_EQ(p.YinM, 21.0);
    EXPECT_TRUE(p.OnField);
    p = tp->IndexPosition(720);
    EXPECT_FALSE(p.OnField);
    EXPECT_DOUBLE_EQ(p.XinM, 99999.999);
    p = tp->IndexPosition(9000);
    EXPECT_FALSE(p.OnField);
    EXPECT_EQ(p.TransponderID, 0);
}

TEST_F(TransponderStore, TempPositionAnswersOnceForItsTime) {
    MakeIndex(100, 5000);
    SetSlot(5, 10000, 20000, 0);
    SetSlot(6, 10000, 20000, 0);
    tp->SetTempPosition(500, 1.0, 2.0);
    EXPECT_DOUBLE_EQ(tp->IndexPosition(500).XinM, 1.0);
    EXPECT_DOUBLE_EQ(tp->IndexPosition(500).XinM, 1.0);
    EXPECT_DOUBLE_EQ(tp->IndexPosition(501).XinM, 10.0);  // another time clears it
    EXPECT_DOUBLE_EQ(tp->IndexPosition(500).XinM, 10.0);
}

TEST_F(TransponderStore, PositionCacheIsAllocatedOnFirstUseAndCleared) {
    RqelCalculatedPosition position;
    EXPECT_FALSE(tp->CachedPosition(40, position));
    EXPECT_FALSE(tp->PositionCacheAllocated());
    RqelCalculatedPosition stored;
    stored.Init(1, 2, 0, 0, 0, 0, 0, true, true);
    tp->CachePosition(40, stored);
    ASSERT_TRUE(tp->CachedPosition(40, position));
    EXPECT_EQ(position.YinM, 2);
    EXPECT_FALSE(tp->CachedPosition(39040, position));  // same entry, another time
    tp->invalidatePositionCache();
    EXPECT_FALSE(tp->CachedPosition(40, position));
    tp->CachePosition(-3, stored);
    EXPECT_FALSE(tp->CachedPosition(-3, position));
}

TEST_F(TransponderStore, CreationDefaults) {
    EXPECT_EQ(tp->TPIndex(), -1);
    EXPECT_EQ(tp->AthleteName(), "Unknown athlete");
    EXPECT_EQ(tp->AthleteMaxHeartbeat(), 220);
    EXPECT_EQ(tp->AthleteMaxSpeed(), 7.0);
    EXPECT_EQ(tp->AthleteRecon(), 4.0);
    EXPECT_EQ(tp->AthletePreferredArm(), 2);
    EXPECT_EQ(tp->AthleteColor(), 255u);
    EXPECT_TRUE(tp->VisibleIn3D());
    EXPECT_EQ(tp->Role(), roleAthlete);
    EXPECT_EQ(tp->GetTeamID(0), -2);
    EXPECT_EQ(tp->Calculation()->Transponder(), tp.get());
}

TEST_F(TransponderStore, PropertySettersNotifyOnlyOnChange) {
    tp->setAthleteName(QStringLiteral("Unknown athlete"));
    tp->setAthleteMaxSpeed(7.0);
    tp->setShirtNumber(0);
    EXPECT_TRUE(log.Take().isEmpty());

    tp->setAthleteName(QStringLiteral("Ann"));
    tp->setAthleteWeight(70);
    tp->setAthleteWeight(70);
    tp->setVisibleIn3D(false);
    EXPECT_EQ(log.Take(), QStringList({Changed(), Changed(), Changed()}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    tp->setAthleteHeight(nan);
    tp->setAthleteHeight(nan);
    EXPECT_EQ(log.Take(), QStringList({Changed(), Changed()}));

    tp->setBadData(true);
    tp->setFormationPlace(3);
    tp->setShortCutChar(QStringLiteral("A"));
    EXPECT_TRUE(log.Take().isEmpty());
}

TEST_F(TransponderStore, MaxHeartbeatZeroReads220) {
    tp->setAthleteMaxHeartbeat(0);
    EXPECT_EQ(tp->AthleteMaxHeartbeat(), 220);
    EXPECT_EQ(tp->GetAthleteMaxHeartbeat(), 220);
    tp->setAthleteMaxHeartbeat(185);
    EXPECT_EQ(tp->GetAthleteMaxHeartbeat(), 185);
}

TEST_F(TransponderStore, RoleBallTakesItsOwnPositionSettings) {
    dataset.setPositionSensitivity(3);
    dataset.setPositionAlgorithm(posWeightedAverage);
    log.Take();  // the dataset's filter notices
    TqelTransponderData t(&dataset, false);
    EXPECT_EQ(t.PositionSensitivity(), 3);
    t.setRole(roleBall);
    EXPECT_EQ(t.PositionSensitivity(), 10);
    EXPECT_EQ(t.PositionAlgorithm(), posLinearInterpolation);
    EXPECT_EQ(t.GetTeamID(0), -1);
    t.setRole(roleReferee);
    EXPECT_EQ(t.PositionSensitivity(), 3);
    EXPECT_EQ(t.PositionAlgorithm(), posWeightedAverage);
    EXPECT_EQ(t.GetTeamID(0), 2);

    tp->setRole(roleBall);
    EXPECT_EQ(log.Take(), QStringList({Changed()}));
}

TEST_F(TransponderStore, TPidIsSilentAndReachesRowAndCalculation) {
    tp->setTPid(12);
    EXPECT_TRUE(log.Take().isEmpty());
    EXPECT_EQ(tp->DBTransponder().TpID(), 12);
    EXPECT_EQ(tp->Calculation()->TransponderID(), 12);
    tp->setAthleteName(QStringLiteral("B"));
    EXPECT_EQ(log.Take(),
              QStringList({QStringLiteral("S changed %1 12").arg(int(itemTransponder))}));
}

TEST_F(TransponderStore, RowColumnsFollowTheirProperties) {
    tp->setVestID(QStringLiteral("V17"));
    tp->setExternalID(QStringLiteral("E1"));
    tp->setSystemID(QStringLiteral("S1"));
    EXPECT_EQ(tp->DBTransponder().VestID(), "V17");
    EXPECT_EQ(tp->DBTransponder().ExternalID(), "E1");
    EXPECT_EQ(tp->DBTransponder().SystemID(), "S1");
    EXPECT_EQ(log.Take().size(), 3);
    tp->setVestID(QStringLiteral("V17"));
    EXPECT_TRUE(log.Take().isEmpty());
}

TEST_F(TransponderStore, PlayerIDComesFromTheRow) {
    tp->setPlayerID(5);
    EXPECT_EQ(tp->PlayerID(), 5);
    tp->DBTransponder().setPlrID(9);
    EXPECT_EQ(tp->GetPlayerID(), 9);
    tp->DBTransponder().setPlrID(0);
    EXPECT_EQ(tp->PlayerID(), 9);  // kept from the row
}

TEST(TransponderWithoutDataset, SettersDoNotNotify) {
    TqelTransponderData t(nullptr, false);
    t.setAthleteName(QStringLiteral("X"));
    t.setRole(roleBall);
    EXPECT_EQ(t.AthleteName(), "X");
    EXPECT_EQ(t.PositionSensitivity(), 10);
    t.setRole(roleAthlete);
    EXPECT_EQ(t.PositionSensitivity(), 10);  // no dataset settings to take again
}

TEST_F(TransponderStore, ToStringKinds) {
    tp->setShirtNumber(7);
    tp->setVestID(QStringLiteral("V3"));
    const std::pair<TqelTransponderToStringType, const char*> cases[] = {
        {ttsName, "Unknown athlete"},
        {ttsNameAndTransponderID, "(V3) Unknown athlete"},
        {ttsNameAndShirtNumber, "Unknown athlete (7)"},
        {ttsTransponderID, "V3"},
        {ttsShirtNumber, "7"},
        {static_cast<TqelTransponderToStringType>(42), "Unknown athlete"},
    };
    for (const auto& [kind, text] : cases) {
        EXPECT_EQ(tp->ToString(kind), QString::fromUtf8(text)) << int(kind);
    }
}

TEST_F(TransponderStore, AddLapClosesTheOpenLapAndAnnouncesItThen) {
    TqelLap* first = tp->AddLap(1000);
    EXPECT_EQ(first->LapNumber(), 1);
    EXPECT_EQ(first->ExitInMS(), -1);
    EXPECT_TRUE(log.Take().isEmpty());  // an open lap is not announced

    TqelLap* second = tp->AddLap(61000);
    EXPECT_EQ(first->ExitInMS(), 61000);
    EXPECT_EQ(second->EntryInMS(), 61000);
    EXPECT_EQ(second->ExitInMS(), -1);
    EXPECT_EQ(second->LapNumber(), 2);
    EXPECT_EQ(tp->LapCount(), 2);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("S added %1 -1").arg(int(itemLap))}));
    EXPECT_THROW(tp->getLap(2), EArgumentOutOfRangeException);
}

TEST_F(TransponderStore, AddSectorClosesTheOpenSectorAndJoinsItsLap) {
    TqelLap* lap = tp->AddLap(0);
    QList<TqelSector*> seen;
    dataset.OnNewSector = [&seen](TqelSector* aSector) { seen.append(aSector); };
    TqelSector* first = tp->AddSector(100, 3, 0);
    TqelSector* second = tp->AddSector(900, 4, -1);
    EXPECT_EQ(first->ExitInMS(), 900);
    EXPECT_EQ(second->SectorNr(), 2);
    EXPECT_EQ(first->Lap(), lap);
    EXPECT_EQ(second->Lap(), nullptr);
    EXPECT_EQ(lap->Sectors(), QList<TqelSector*>({first}));
    EXPECT_EQ(seen, QList<TqelSector*>({first, second}));
    const QString added = QStringLiteral("S added %1 -1").arg(int(itemSector));
    EXPECT_EQ(log.Take(),
              QStringList({added, QStringLiteral("S changed %1 -1").arg(int(itemSector)), added}));
    tp->ResetLapsAndSectors();
    EXPECT_EQ(tp->LapCount() + tp->SectorCount(), 0);
    dataset.OnNewSector = nullptr;
}

TEST_F(TransponderStore, GroupsAreKeptOnce) {
    auto* group = reinterpret_cast<TqelGroup*>(0x1000);
    tp->AddedToGroup(group);
    tp->AddedToGroup(group);
    EXPECT_EQ(tp->GroupCount(), 1);
    EXPECT_EQ(tp->getGroup(0), group);
    tp->RemovedFromGroup(group);
    EXPECT_EQ(tp->GroupCount(), 0);
    EXPECT_THROW(tp->getGroup(0), EArgumentOutOfRangeException);
}

TEST_F(TransponderStore, InvalidatePositionsAsksForARebuild) {
    tp->InvalidatePositions(0, 1000);
    EXPECT_TRUE(dataset.IndexesNeedsToRebuild());
}

}  // namespace
