#include "analysis/sprints/sprints_fixture.h"

namespace qel::test {
namespace {

// Six speed zones 0-2-4-5.5-7-9-12: the four highest have the middles 4.75, 6.25, 8 and 10.5
// m/s, and the rest runs at half of 4 m/s.
class SprintManualData : public SprintsFixture {
protected:
    SprintManualData() { SetSpeedZones({0, 2, 4, 5.5, 7, 9, 12}); }

    struct Expected {
        double Speed;
        double DistanceMM;
        int32_t EndTimeInMS;
        double HIDinMM;
    };
    static void ExpectRecord(const RSprintBin& aRecord, const Expected& e, int anIndex) {
        EXPECT_EQ(aRecord.MaxSpeedMS, e.Speed) << anIndex;
        EXPECT_EQ(aRecord.MaxFifaSpeed, e.Speed) << anIndex;
        EXPECT_DOUBLE_EQ(aRecord.SprintDistanceInMM, e.DistanceMM) << anIndex;
        EXPECT_EQ(aRecord.StartTimeInMS, 0) << anIndex;
        EXPECT_EQ(aRecord.EndTimeInMS, e.EndTimeInMS) << anIndex;
        EXPECT_DOUBLE_EQ(aRecord.HIDDistanceInMM, e.HIDinMM) << anIndex;
        EXPECT_EQ(aRecord.MaxAccelerationMS2, 0.0) << anIndex;
        EXPECT_EQ(aRecord.HIDSpeedTimeInMS, 0) << anIndex;
        EXPECT_EQ(aRecord.AccelStartTimeInMS, 0) << anIndex;
        EXPECT_EQ(aRecord.SprintCategory, 0) << anIndex;
    }
};

TEST_F(SprintManualData, RecordsSpreadOverTheFourHighestZones) {
    TqelSprints& sprints = Ready();
    // 5 zone sprints over 8150 mm; 3 more share the remaining 11851 mm.
    sprints.AddManualData(8, 20001, 6000, 2, 1, 1, 1, 3000, 2500, 1600, 1050);
    ASSERT_EQ(sprints.SprintCount(), 8);
    EXPECT_EQ(sprints.TotalDistance(), 20001.0);
    const Expected expected[] = {
        {4.75, 1500, 316, 1200},  // 1500 / 4.75 = 315.8
        {4.75, 1500, 316, 1200},  //
        {6.25, 2500, 400, 1200},  //
        {8, 1600, 200, 1200},     //
        {10.5, 1050, 100, 1200},  //
        {2, 3950, 1975, 0},       // 11851 / 3 = 3950.33, whole millimetres
        {2, 3950, 1975, 0},       //
        {2, 3950, 1975, 0},
    };
    for (int i = 0; i < 8; ++i) {
        ExpectRecord(sprints.GetSprint(i), expected[i], i);
    }
    EXPECT_EQ(sprints.OpenRecord().StartTimeInMS, 0);
    EXPECT_EQ(sprints.OpenRecord().MaxSpeedMS, 0.0);
    EXPECT_EQ(sprints.SprintsInZone(7, 12), 2);
}

TEST_F(SprintManualData, ALowestZoneFromZeroGivesTheRestNoTime) {
    SetSpeedZones({0, 2, 5, 7, 12});
    TqelSprints& sprints = Ready();
    sprints.AddManualData(3, 5000, 800, 0, 0, 1, 1, 0, 0, 1000, 1000);
    ASSERT_EQ(sprints.SprintCount(), 3);
    ExpectRecord(sprints.GetSprint(0), {6, 1000, 167, 400}, 0);
    ExpectRecord(sprints.GetSprint(1), {9.5, 1000, 105, 400}, 1);
    ExpectRecord(sprints.GetSprint(2), {0, 3000, 0, 0}, 2);
}

TEST_F(SprintManualData, RefusedTotalsChangeNothing) {
    struct Case {
        int32_t Args[11];
        const char* Message;
    };
    const Case cases[] = {
        {{5, 1000, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "Number of sprints can't be 0"},
        {{1, 1000, 0, 1, 1, 0, 0, 0, 0, 0, 0},
         "Total number of sprints is less then sum of high zones sprints"},
        {{4, 100, 0, 1, 1, 1, 1, 50, 50, 1, 0},
         "The total distance is less then the sum of high zone distance"},
        {{-1, 1000, 0, 0, 0, 0, 1, 0, 0, 0, 0}, "Number of sprints can't be negative"},
        {{2, 1000, 0, 3, -1, 0, 0, 0, 0, 0, 0}, "Number of sprints can't be negative"},
    };
    TqelSprints& sprints = Ready();
    sprints.AddManualData(2, 900, 0, 0, 0, 0, 1, 0, 0, 0, 500);
    for (const Case& c : cases) {
        const int32_t* a = c.Args;
        try {
            sprints.AddManualData(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9],
                                  a[10]);
            ADD_FAILURE() << c.Message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.Message));
        }
        EXPECT_EQ(sprints.SprintCount(), 2) << c.Message;
        EXPECT_EQ(sprints.TotalDistance(), 900.0) << c.Message;
        EXPECT_EQ(sprints.GetSprint(1).SprintDistanceInMM, 400.0) << c.Message;
    }
}

TEST_F(SprintManualData, NeedsFourSpeedZonesOfTheCalculation) {
    SetSpeedZones({0, 2, 5, 7});
    TqelSprints& sprints = Ready();
    try {
        sprints.AddManualData(1, 1000, 0, 0, 0, 0, 1, 0, 0, 0, 500);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The number of speedzones is less then 4"));
    }
    EXPECT_EQ(sprints.SprintCount(), 0);

    // Without the calculation's own speed analysis.
    SetSpeedZones({0, 2, 4, 5.5, 7, 12});
    qel::ScopedCalculationClass noSpeedInfo(qel::CalcSlot::SpeedInfo, nullptr);
    TqelSprints& alone = Ready();
    ASSERT_EQ(calc->SpeedInfo(), nullptr);
    EXPECT_THROW(alone.AddManualData(1, 1000, 0, 0, 0, 0, 1, 0, 0, 0, 500), Exception);
    EXPECT_EQ(alone.SprintCount(), 0);
}

}  // namespace
}  // namespace qel::test
