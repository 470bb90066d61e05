#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/settings/field_settings.h"
#include "foundation/system/relative_paths.h"
#include "measurement/control/antenna_data.h"
#include "measurement/control/measurement_control.h"
#include "measurement/control/measurement_system_factory.h"
#include "measurement/drivers/lpm_system.h"
#include "measurement_control_fakes.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

using qel::test::FakeControlOwner;
using qel::test::FakeMeasurementSystem;

struct GPS {
    double Lat;
    double Lon;
};

// Pitches on the equator 0.001 degrees (111,194.93 mm) apart. The base pitch's X axis runs east,
// so its negative X point lies at (-111195, 0) and it has rotation 0; "North" lies 0.001 degrees
// north of the base's zero point with its X axis running north: rotation 90, its negative X point
// at (-111195, 0) of its own frame, and an offset of (0, 111195) in the base's.
constexpr GPS kBaseZero{0, 1};
constexpr GPS kBaseNegX{0, 0.999};
constexpr GPS kBasePosX{0, 1.001};
constexpr GPS kNorthZero{0.001, 1};
constexpr GPS kNorthNegX{0, 1};
constexpr GPS kNorthPosX{0.002, 1};

RqelPositionRec Position(uint16_t anAntennaID, int32_t X, int32_t Y, bool aValid = true) {
    RqelPositionRec position = RqelPositionRec::Create();
    position.AntennaID = anAntennaID;
    position.XinMM = X;
    position.YinMM = Y;
    position.Valid = aValid;
    return position;
}

class MeasurementControlTest : public ::testing::Test {
protected:
    MeasurementControlTest() {
        qel::SetExecutableFolderForTests(exeFolder.path());
        control.setCallback(&owner);
    }
    ~MeasurementControlTest() override { qel::SetExecutableFolderForTests(QString()); }

    TqelFieldSettings* Field(int32_t anID, const QString& aName, GPS aZero, GPS aNegX, GPS aPosX) {
        auto field = std::make_unique<TqelFieldSettings>();
        field->setFieldID(anID);
        field->setFieldName(aName);
        field->setGPSZeroPointLat(aZero.Lat);
        field->setGPSZeroPointLon(aZero.Lon);
        field->setGPSPointNegXLat(aNegX.Lat);
        field->setGPSPointNegXLon(aNegX.Lon);
        field->setGPSPointPosXLat(aPosX.Lat);
        field->setGPSPointPosXLon(aPosX.Lon);
        field->setMeasurementBoxXLeft(-50000);
        field->setMeasurementBoxXRight(50000);
        field->setMeasurementBoxYBottom(-50000);
        field->setMeasurementBoxYTop(50000);
        fields.push_back(std::move(field));
        return fields.back().get();
    }
    TqelFieldSettings* Base() {
        return Field(1, QStringLiteral("Base"), kBaseZero, kBaseNegX, kBasePosX);
    }
    TqelFieldSettings* North() {
        return Field(2, QStringLiteral("North"), kNorthZero, kNorthNegX, kNorthPosX);
    }
    // A pitch east of the base, steps of 0.001 degrees, axes as the base's.
    TqelFieldSettings* East(int32_t anID, int aSteps) {
        const double lon = 1 + 0.001 * aSteps;
        return Field(anID, QStringLiteral("East%1").arg(aSteps), {0, lon}, {0, lon - 0.001},
                     {0, lon + 0.001});
    }

    FakeMeasurementSystem* Driver(int anIndex) {
        return static_cast<FakeMeasurementSystem*>(control.GetMeasurementSystem(anIndex));
    }

    // Base, East1 and East2 with data receiving on.
    void ThreeDrivers() {
        control.MeasurementSystemAdd(Base());
        control.MeasurementSystemAdd(East(3, 1));
        control.MeasurementSystemAdd(East(4, 2));
        ASSERT_EQ(control.Count(), 3);
        control.Startup();
    }

    // A known transponder of role 0 on driver anIndex with its last valid position now.
    TqelAntennaData* Transponder(uint16_t anAntennaID, int32_t anIndex, int32_t anEnabled = 1) {
        TqelAntennaData* data = owner.Antennas.AddAntenna(nullptr, anAntennaID, anEnabled, 1);
        data->setTPRole(0);
        data->setMeasurementSystemIndex(anIndex);
        data->setMeasurementSystemLastValidAt(Now());
        return data;
    }

    qel::test::TempFolder exeFolder;
    std::vector<std::unique_ptr<TqelFieldSettings>> fields;
    int destroyed = 0;
    FakeControlOwner owner;
    TqelMeasurementControl control{nullptr, [this](const TqelFieldSettings& aField, bool) {
                                       auto driver = std::make_unique<FakeMeasurementSystem>();
                                       driver->Destroyed = &destroyed;
                                       // Type 2 stands for a system without a driver.
                                       return aField.SystemType() == mstZXY ? nullptr
                                                                            : std::move(driver);
                                   }};
};

TEST_F(MeasurementControlTest, SameFieldTwiceOrASystemWithoutDriverAddsNothing) {
    TqelFieldSettings* base = Base();
    control.MeasurementSystemAdd(base);
    control.MeasurementSystemAdd(base);
    TqelFieldSettings* zxy = East(3, 1);
    zxy->setSystemType(mstZXY);
    control.MeasurementSystemAdd(zxy);
    EXPECT_EQ(control.Count(), 1);
    EXPECT_EQ(Driver(0)->Field(), base);
    EXPECT_EQ(Driver(0)->CallBack(), &control);
    EXPECT_EQ(control.GetMeasurementSystem(1), nullptr);
    EXPECT_EQ(control.GetMeasurementSystem(-1), nullptr);
}

TEST_F(MeasurementControlTest, RoamingErrorsComeBeforeTheDuplicateCheckAndReleaseTheDriver) {
    // The message MeasurementSystemAdd raises, empty when it raises none.
    auto addRaises = [this](TqelFieldSettings* aField) {
        try {
            control.MeasurementSystemAdd(aField);
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString();
    };
    // A base without GPS refuses any further field, its own included.
    TqelFieldSettings* noGPS = Field(1, QStringLiteral("Plain"), {0, 0}, {0, 0}, {0, 0});
    control.MeasurementSystemAdd(noGPS);
    EXPECT_EQ(addRaises(noGPS), QStringLiteral("Base Field is not configured to be used in a "
                                               "roaming setting. No GPS coordinates"));
    control.Clear();

    control.MeasurementSystemAdd(Base());
    // The base's own id, but without GPS: the GPS check speaks first.
    EXPECT_EQ(addRaises(Field(1, QStringLiteral("Base \"B\""), {0, 0}, {0, 0}, {0, 0})),
              QStringLiteral("Field \"Base \"B\"\" is not configured to be used in a roaming "
                             "setting. No GPS coordinates"));

    // Same zero point as the base: the driver was made, and is released again.
    const int destroyedBefore = destroyed;
    EXPECT_EQ(addRaises(Field(5, QStringLiteral("Twin"), kBaseZero, kBaseNegX, kBasePosX)),
              QStringLiteral("Field \"Twin\" has the same coordinates as the base field so it "
                             "can't be used in roaming"));
    EXPECT_EQ(destroyed, destroyedBefore + 1);
    EXPECT_EQ(control.Count(), 1);
}

TEST_F(MeasurementControlTest, LogsThePitchesOrientationAndTheRoamingTransposition) {
    control.MeasurementSystemAdd(Base());
    control.MeasurementSystemAdd(North());
    EXPECT_EQ(owner.LogsOf(-1), (QStringList{
                                    "Field \"Base\" Pos Neg X= (-111195,0); Rotation=0",
                                    "Field \"North\" Pos Neg X= (-111195,0); Rotation=90",
                                    "Field \"North\" Transpose: X=0; Y=111195; Angle=90.00",
                                }));
    EXPECT_EQ(fields[0]->TransposeXinMM(), 0);
    EXPECT_EQ(fields[0]->TransposeRotation(), 0);
}

TEST_F(MeasurementControlTest, PositionsAreForwardedInTheBaseFieldsCoordinates) {
    control.MeasurementSystemAdd(Base());
    control.MeasurementSystemAdd(North());
    Driver(1)->Deliver(Position(7, 1000, 2000));
    EXPECT_TRUE(owner.Positions.empty()) << "dropped before Startup";

    control.Startup();
    EXPECT_FALSE(control.CycleTimerActive());
    Driver(1)->Deliver(Position(7, 1000, 2000));
    Driver(1)->Deliver(Position(7, 0, 0));
    Driver(0)->Deliver(Position(7, 1000, 2000));
    EXPECT_TRUE(control.CycleTimerActive());
    ASSERT_EQ(owner.Positions.size(), 3u);
    // Turned by 90 degrees, then moved north by the pitches' distance.
    EXPECT_EQ(owner.Positions[0].XinMM, -2000);
    EXPECT_EQ(owner.Positions[0].YinMM, 112195);
    EXPECT_EQ(owner.Positions[1].XinMM, 0);
    EXPECT_EQ(owner.Positions[1].YinMM, 0);
    EXPECT_EQ(owner.Positions[2].XinMM, 1000);
    EXPECT_EQ(owner.Positions[2].YinMM, 2000);

    control.StopMeasurement();
    EXPECT_FALSE(control.CycleTimerActive());
    Driver(1)->Deliver(Position(7, 1000, 2000));
    EXPECT_EQ(owner.Positions.size(), 3u);
}

TEST_F(MeasurementControlTest, OneDriverNeverHandsOver) {
    qel::FakeClock clock(EncodeDateTime(2026, 3, 1, 12, 0, 0, 0));
    qel::ScopedClock scoped(clock);
    control.MeasurementSystemAdd(Base());
    control.Startup();
    TqelAntennaData* lost = Transponder(7, 0);
    clock.Advance(60000);
    Driver(0)->Deliver(Position(7, 900000, 0));
    EXPECT_TRUE(control.CycleTimerActive());
    control.CycleTimerTimer();
    control.CycleMeasurementSystem(7);
    EXPECT_EQ(lost->MeasurementSystemIndex(), 0);
    EXPECT_TRUE(Driver(0)->Activated.empty());
    EXPECT_TRUE(Driver(0)->Deactivated.empty());
    EXPECT_EQ(owner.Positions.size(), 1u);
}

class HandOverTest : public MeasurementControlTest {
protected:
    qel::FakeClock clock{EncodeDateTime(2026, 3, 1, 12, 0, 0, 0)};
    qel::ScopedClock scoped{clock};
};

TEST_F(HandOverTest, LostTransponderMovesFromTheLastDriverToTheFirstAfterMoreThan5000Ms) {
    ThreeDrivers();
    TqelAntennaData* tp = Transponder(7, 2);
    const RqelPositionRec outside = Position(7, 900000, 0);

    clock.Advance(5000);
    Driver(2)->Deliver(outside);
    EXPECT_EQ(tp->MeasurementSystemIndex(), 2) << "not at exactly 5000 ms";

    // A valid position inside the box starts the time again.
    Driver(2)->Deliver(Position(7, 100, 100));
    clock.Advance(5001);
    Driver(2)->Deliver(Position(7, 100, 100, false));
    EXPECT_EQ(Driver(2)->Deactivated, std::vector<uint16_t>{7});
    EXPECT_EQ(Driver(0)->Activated, std::vector<uint16_t>{7});
    EXPECT_TRUE(Driver(1)->Activated.empty());
    EXPECT_EQ(tp->MeasurementSystemIndex(), 0);
    EXPECT_EQ(tp->MeasurementSystemLastValidAt(), Now());
}

TEST_F(HandOverTest, CycleMovesTranspondersWithoutValidPositionForMoreThan10000Ms) {
    ThreeDrivers();
    TqelAntennaData* tp = Transponder(7, 1);
    TqelAntennaData* outOfList = Transponder(8, 9);
    clock.Advance(10000);
    control.CycleTimerTimer();
    EXPECT_EQ(tp->MeasurementSystemIndex(), 1);
    clock.Advance(1);
    control.CycleTimerTimer();
    EXPECT_EQ(tp->MeasurementSystemIndex(), 2);
    EXPECT_EQ(Driver(1)->Deactivated, std::vector<uint16_t>{7});
    EXPECT_EQ(Driver(2)->Activated, std::vector<uint16_t>{7});
    // An index outside the list counts as none: to driver 0, nobody deactivates.
    EXPECT_EQ(outOfList->MeasurementSystemIndex(), 0);
    EXPECT_EQ(Driver(0)->Activated, std::vector<uint16_t>{8});
    EXPECT_TRUE(Driver(0)->Deactivated.empty());
}

TEST_F(HandOverTest, CycleTimerStartedByAPositionRunsTheCycle) {
    ThreeDrivers();
    TqelAntennaData* tp = Transponder(7, 0);
    clock.Advance(10001);
    // Another transponder's position starts the timer; the pass comes a second later.
    Driver(0)->Deliver(Position(8, 100, 100));
    EXPECT_EQ(tp->MeasurementSystemIndex(), 0);
    EXPECT_TRUE(qel::ProcessMessagesFor(3000, [&] { return tp->MeasurementSystemIndex() == 1; }));
}

TEST_F(HandOverTest, DisabledTransponderChangesItsIndexOnly) {
    ThreeDrivers();
    TqelAntennaData* tp = Transponder(7, 0, 0);
    clock.Advance(6000);
    Driver(0)->Deliver(Position(7, 900000, 0));
    EXPECT_EQ(tp->MeasurementSystemIndex(), 1);
    control.CycleMeasurementSystem(7);
    EXPECT_EQ(tp->MeasurementSystemIndex(), 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Driver(i)->Activated.empty()) << i;
    }
    // The cycle leaves disabled transponders alone.
    clock.Advance(20000);
    control.CycleTimerTimer();
    EXPECT_EQ(tp->MeasurementSystemIndex(), 2);
}

TEST_F(HandOverTest, OnlyTheOperatorMovesATransponderOfAnotherRole) {
    ThreeDrivers();
    TqelAntennaData* ball = Transponder(7, 2);
    ball->setTPRole(1);
    clock.Advance(20000);
    Driver(2)->Deliver(Position(7, 900000, 0));
    control.CycleTimerTimer();
    control.ActivateTransponder(7);
    EXPECT_EQ(ball->MeasurementSystemIndex(), 2);

    control.CycleMeasurementSystem(7);
    EXPECT_EQ(ball->MeasurementSystemIndex(), 0);
    EXPECT_EQ(Driver(2)->Deactivated, std::vector<uint16_t>{7});
    EXPECT_EQ(Driver(0)->Activated, std::vector<uint16_t>{7});
    control.CycleMeasurementSystem(7);
    EXPECT_EQ(ball->MeasurementSystemIndex(), 1);
    control.CycleMeasurementSystem(99);  // unknown: nothing
}

TEST_F(HandOverTest, EnablingATransponderActivatesItOnTheFirstDriverDisablingItEverywhere) {
    ThreeDrivers();
    TqelAntennaData* tp = owner.Antennas.AddAntenna(&control, 7, 0, 1);
    tp->setTPRole(0);
    tp->setMeasurementSystemIndex(2);
    tp->setEnabled(1);
    EXPECT_EQ(tp->MeasurementSystemIndex(), 0);
    EXPECT_EQ(Driver(0)->Activated, std::vector<uint16_t>{7});
    EXPECT_TRUE(Driver(2)->Deactivated.empty()) << "no current driver";
    tp->setEnabled(0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Driver(i)->Deactivated, std::vector<uint16_t>{7}) << i;
    }
}

TEST_F(MeasurementControlTest, StartUpSequenceIsTheLowestOverTheDrivers) {
    EXPECT_EQ(control.GetStartUpSequence(), startNone);
    control.MeasurementSystemAdd(Base());
    control.MeasurementSystemAdd(North());
    Driver(0)->State = startRunning;
    Driver(1)->State = startSendConnect;
    EXPECT_EQ(control.GetStartUpSequence(), startSendConnect);
    Driver(1)->State = startFinished;
    EXPECT_EQ(control.StartUpSequence(), startRunning);
}

TEST_F(MeasurementControlTest, DriversAreStartedStoppedAndAskedTogether) {
    control.MeasurementSystemAdd(Base());
    control.MeasurementSystemAdd(North());
    FakeMeasurementSystem* base = Driver(0);
    FakeMeasurementSystem* north = Driver(1);
    control.Startup();
    EXPECT_TRUE(control.DataReceiving());
    control.StartDataLogging();
    control.StopDataLogging();
    control.Stop();
    EXPECT_FALSE(control.DataReceiving());
    for (FakeMeasurementSystem* driver : {base, north}) {
        EXPECT_EQ(driver->Calls,
                  (QStringList{"Initialize", "StartDataLogging", "StopDataLogging", "Stop"}));
    }

    control.BaseStationsSetNormValues(2);
    EXPECT_EQ(base->NormValueCalls, 0);
    EXPECT_EQ(north->NormValueCalls, 1);
    control.BaseStationsSetNormValues(0);
    EXPECT_EQ(base->NormValueCalls, 1);
    EXPECT_EQ(north->NormValueCalls, 2);

    auto station = std::make_unique<TBaseStation>();
    station->XinMM = 4;
    north->BaseStationAdd(std::move(station));
    TqelArrayOfPositionRec positions{RqelPositionRec::Create()};
    EXPECT_EQ(control.GetBaseStationsPos(2, positions), 1);
    EXPECT_EQ(positions.at(0).XinMM, 4);
    EXPECT_EQ(control.GetBaseStationsPos(0, positions), 0);
    EXPECT_TRUE(positions.isEmpty());
    positions.append(RqelPositionRec::Create());
    EXPECT_EQ(control.GetBaseStationsPos(77, positions), 0);
    EXPECT_TRUE(positions.isEmpty());

    control.Startup();
    control.Clear();
    EXPECT_FALSE(control.DataReceiving());
    EXPECT_EQ(control.Count(), 0);
    EXPECT_EQ(destroyed, 2);
}

TEST_F(MeasurementControlTest, ReportsCarryTheDriversIndex) {
    control.MeasurementSystemAdd(Base());
    control.MeasurementSystemAdd(North());
    FakeMeasurementSystem unlisted;
    control.log(Driver(1), QStringLiteral("one"));
    control.log(&unlisted, QStringLiteral("none"));
    control.status(Driver(0), 5, QStringLiteral("s"));
    control.error(Driver(1), 6, QStringLiteral("e"));
    control.stateChanged(Driver(1), startRunning);
    control.event(Driver(1), 3, 0);
    EXPECT_EQ(owner.LogsOf(1), QStringList{"one"});
    EXPECT_EQ(owner.LogsOf(-1).last(), QStringLiteral("none"));
    EXPECT_EQ(owner.Statuses.at(0).first, 0);
    EXPECT_EQ(owner.Errors.at(0).first, 1);
    EXPECT_EQ(owner.States.at(0), std::make_pair(1, startRunning));
    EXPECT_EQ(owner.Events.at(0).first, Driver(1));
    EXPECT_EQ(control.getAntennaList(), &owner.Antennas);

    // Without an owner nothing is passed on.
    control.setCallback(nullptr);
    control.log(Driver(0), QStringLiteral("lost"));
    EXPECT_EQ(control.getAntennaList(), nullptr);
}

TEST(MeasurementSystemFactoryTest, LpmTypesGetTheLpmDriverOthersNone) {
    TqelFieldSettings field;
    for (TqelSystemType type : {mstLPM, mstLPMWireless}) {
        field.setSystemType(type);
        EXPECT_NE(dynamic_cast<TqelLPMSystem*>(qel::CreateMeasurementSystem(field, false).get()),
                  nullptr);
    }
    for (TqelSystemType type : {mstZXY, mstSTSP, mstNone}) {
        field.setSystemType(type);
        EXPECT_EQ(qel::CreateMeasurementSystem(field, true), nullptr);
    }
}

}  // namespace
