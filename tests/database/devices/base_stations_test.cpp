#include <gtest/gtest.h>

#include "database/devices/base_stations.h"
#include "database/sqlite_file_fixture.h"

namespace {

// The LPM maintenance has (level, failed, date) at hand: that order must not compile.
template <class Station>
constexpr bool kTakesLevelFailedDate = requires(Station& aStation, uint8_t aLevel, bool aFailed,
                                                TDateTime aDate) {
    aStation.SetState(aLevel, aFailed, aDate);
};
template <class Station>
constexpr bool kTakesDateLevelFailed = requires(Station& aStation, uint8_t aLevel, bool aFailed,
                                                TDateTime aDate) {
    aStation.SetState(aDate, aLevel, aFailed);
};
static_assert(!kTakesLevelFailedDate<TqelBaseStation>);
static_assert(kTakesDateLevelFailed<TqelBaseStation>);

class BaseStationTest : public qel::test::SqliteFileTest {
protected:
    QStringList Values() {
        return Rows(QStringLiteral(
            "select BS_ID, BSV_ID, BSV_DBVALUE, BSV_FAILED from BS_VALUES order by BS_ID, BSV_ID"));
    }

    const TDateTime monday = EncodeDateTime(2026, 5, 4, 9, 0, 0, 0);
    const TDateTime mondayLater = EncodeDateTime(2026, 5, 4, 18, 30, 0, 0);
    const TDateTime tuesday = EncodeDateTime(2026, 5, 5, 9, 0, 0, 0);
    const int mondayNumber = static_cast<int>(monday);
};

TEST_F(BaseStationTest, TheFirstLevelAboveTheNormBecomesTheNormUntilItIsDated) {
    TqelBaseStation station(database.get());
    station.SetState(monday, -3, true);
    EXPECT_EQ(station.NormValue(), 0) << "not above the norm";
    EXPECT_EQ(station.NormDate(), 0);
    EXPECT_TRUE(station.State()->Failed());

    station.SetState(mondayLater, 40, false);
    EXPECT_EQ(station.NormValue(), 40);
    EXPECT_EQ(station.NormDate(), mondayLater);
    EXPECT_EQ(station.State()->Date(), mondayLater);
    EXPECT_EQ(station.State()->DBValue(), 40);
    EXPECT_FALSE(station.State()->Failed());

    station.SetState(tuesday, 55, false);
    EXPECT_EQ(station.NormValue(), 40) << "a dated norm stays";
    EXPECT_EQ(station.NormDate(), mondayLater);
    EXPECT_EQ(station.State()->DBValue(), 55);
}

TEST_F(BaseStationTest, AddBSFindsTheStationOfPitchHubAndPortOrAddsOne) {
    TqelDBBaseStation stations(database.get());
    TqelBaseStation* first = stations.AddBS(1, 2, 3, QStringLiteral("10.0.0.1"), 100, 200, 300);
    EXPECT_EQ(stations.Count(), 1);
    EXPECT_EQ(stations.AddBS(1, 2, 4, QStringLiteral("10.0.0.2"), 0, 0, 0)->PortID(), 4);
    EXPECT_EQ(stations.AddBS(2, 2, 3, QStringLiteral("10.0.0.3"), 0, 0, 0)->PitchID(), 2);
    EXPECT_EQ(stations.AddBS(1, 2, 3, QStringLiteral("10.0.0.9"), 7, 8, 9), first);
    EXPECT_EQ(stations.Count(), 3);
    EXPECT_EQ(first->IPAddress(), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(first->XinMM(), 7);
    EXPECT_EQ(first->YinMM(), 8);
    EXPECT_EQ(first->ZinMM(), 9);
}

TEST_F(BaseStationTest, SavingKeepsOneStatusRowPerStationAndDay) {
    TqelDBBaseStation stations(database.get());
    TqelBaseStation* hub = stations.AddBS(1, 2, 3, QStringLiteral("10.0.0.1"), 100, 200, 300);
    TqelBaseStation* other = stations.AddBS(1, 2, 4, QStringLiteral("10.0.0.2"), 0, 0, 0);
    hub->SetState(monday, 40, false);
    other->SetState(monday, 30, true);
    stations.SaveAll(1);
    EXPECT_EQ(other->BSid(), LastKey(QStringLiteral("BASESTATIONS")));
    EXPECT_EQ(hub->BSid(), other->BSid() - 1);
    EXPECT_EQ(hub->State()->BSid(), hub->BSid());
    const int hubId = hub->BSid();
    const int otherId = other->BSid();

    hub->SetState(mondayLater, 45, true);
    stations.SaveAll(1);
    EXPECT_EQ(Values(), (QStringList{QStringLiteral("%1 %2 45 1").arg(hubId).arg(mondayNumber),
                                     QStringLiteral("%1 %2 30 1").arg(otherId).arg(mondayNumber)}));

    hub->SetState(tuesday, 41, false);
    stations.SaveAll(1);
    EXPECT_EQ(Values().size(), 3);
    EXPECT_EQ(Values()[1], QStringLiteral("%1 %2 41 0").arg(hubId).arg(mondayNumber + 1));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from BASESTATIONS")), QStringList{"2"})
        << "known stations are updated, not added again";

    // A fresh load of the pitch finds what was stored.
    TqelDBBaseStation loaded(database.get());
    loaded.GetBS(1);
    ASSERT_EQ(loaded.Count(), 2);
    TqelBaseStation* again = loaded.AddBS(1, 2, 3, QStringLiteral("10.0.0.1"), 100, 200, 300);
    EXPECT_EQ(again->BSid(), hubId);
    EXPECT_EQ(again->NormValue(), 40);
    EXPECT_EQ(again->NormDate(), monday);
    EXPECT_EQ(again->State()->BSid(), hubId);
    loaded.GetBS(2);
    EXPECT_EQ(loaded.Count(), 0);
}

}  // namespace
