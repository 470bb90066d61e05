#include <QBuffer>

#include "analysis/framework/accel_info.h"
#include "analysis/framework/heart_info.h"
#include "analysis/framework/speed_info.h"
#include "analysis/zone_fixture.h"
#include "model/field/field_bytes.h"
#include "platform/binary_stream.h"

namespace qel::test {
namespace {

// Reads aData into anObject; False when bytes were left over.
bool ReadAll(TqelCalculationVaruza& anObject, QByteArray aData, uint8_t aVersion = 150) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    anObject.ReadFromStream(reader, aVersion);
    return reader.atEnd();
}

QByteArray Written(const TqelCalculationVaruza& anObject) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    anObject.writeToStream(writer);
    return data;
}

using ZoneBlocks = ZoneFixture;

TEST_F(ZoneBlocks, SpeedBlockReadsAndWritesBack) {
    FieldBytes b;
    b.i32(1200).f64(7.5).f64(7.0).f64(3456.5).i32(1).u8(1).f64(8.5).i32(2).i32(2);
    // Min, max, description, weight, colour, time, distance, entries, then the windows.
    b.f64(0).f64(50).str(QStringLiteral("slow")).f64(1.5).u32(0xFF00).i32(700).f64(1000.25).i32(3);
    b.i32(400).f64(600).i32(300).f64(400.25);
    b.f64(50).f64(110).str(QString()).f64(4).u32(0xFF).i32(500).f64(2456.25).i32(1);
    b.i32(0).f64(0).i32(500).f64(2456.25);
    TqelSpeedInfo speed(Make());
    ASSERT_TRUE(ReadAll(speed, b.data()));
    EXPECT_EQ(speed.TotalTimeInMS(), 1200);
    EXPECT_DOUBLE_EQ(speed.MaxFifaSpeed(), 7.0);
    EXPECT_EQ(speed.FatigueCount(), 2);
    EXPECT_EQ(speed.GetSpeedBin(0).Description, QStringLiteral("slow"));
    EXPECT_EQ(speed.GetSpeedBin(0).Color, 0xFF00u);
    EXPECT_EQ(speed.FatigueTimeInMS(1), 800);
    EXPECT_EQ(Written(speed), b.data());
}

TEST_F(ZoneBlocks, HeartBlockReadsAndWritesBackAndVersion122HasNoHighIntensityTime) {
    FieldBytes b;
    b.i32(6000).f64(141.5);
    for (int32_t v : {160, 150, 140, 90000, 100000, 110000, 6, 13, 80, 181, 45000}) {
        b.i32(v);
    }
    b.i32(1);
    // Min, max, colour, description, weight, time, distance, entries.
    b.f64(140).f64(170).u32(0xFF).str(QStringLiteral("140-170")).f64(2.54).i32(6000).f64(0).i32(2);
    const QByteArray v122 = b.data();
    b.i32(2500);

    TqelHeartInfo heart(Make());
    ASSERT_TRUE(ReadAll(heart, b.data(), 123));
    EXPECT_EQ(heart.HITimeInMS(), 2500);
    EXPECT_EQ(heart.HBEnd2Min(), 140);
    EXPECT_EQ(heart.MaxHBTime(), 45000);
    EXPECT_EQ(heart.GetBin(0).Description, QStringLiteral("140-170"));
    EXPECT_EQ(Written(heart), b.data());

    TqelHeartInfo old(*calc);
    ASSERT_TRUE(ReadAll(old, v122, 122));
    EXPECT_EQ(old.HITimeInMS(), 0);
    EXPECT_EQ(old.GetBin(0).Count, 2);
    EXPECT_EQ(Written(old), v122 + QByteArray(4, '\0'));
}

TEST_F(ZoneBlocks, AccelBlockReadsAndWritesBack) {
    FieldBytes b;
    b.u8(1).i32(1);
    // Min, max, description, colour, weight, time, distance, entries.
    b.f64(0).f64(2).str(QStringLiteral("low")).u32(0xFF).f64(3).i32(300).f64(450.5).i32(2);
    b.i32(0).i32(300).i32(200).f64(1.75).i32(1);
    b.f64(2.5).f64(5).str(QStringLiteral("hard")).u32(0xFF00).f64(4).i32(200).f64(90).i32(1);
    b.i32(-1).f64(-3.25);
    TqelAccelInfo accel(Make());
    ASSERT_TRUE(ReadAll(accel, b.data()));
    EXPECT_TRUE(accel.SplitDecelBins());
    EXPECT_EQ(accel.TotalTimeInMS(), 500);
    EXPECT_DOUBLE_EQ(accel.MaxDecel(), -3.25);
    EXPECT_EQ(accel.GetDecelBin(0).Description, QStringLiteral("hard"));
    EXPECT_EQ(Written(accel), b.data());
}

TEST_F(ZoneBlocks, CountsBeyondTheBytesLeftRaiseBeforeAllocating) {
    Make();
    FieldBytes speedBins;
    speedBins.i32(0).f64(0).f64(0).f64(0).i32(-1).u8(0).f64(0).i32(0x7FFFFFFF).i32(1);
    FieldBytes speedWindows;
    speedWindows.i32(0).f64(0).f64(0).f64(0).i32(-1).u8(0).f64(0).i32(1).i32(0x7FFFFFFF);
    FieldBytes heart;
    heart.i32(0).f64(0);
    for (int i = 0; i < 11; ++i) {
        heart.i32(0);
    }
    heart.i32(100000000);
    FieldBytes accel;
    accel.u8(0).i32(-5);
    TqelSpeedInfo speed(*calc);
    TqelHeartInfo heartInfo(*calc);
    TqelAccelInfo accelInfo(*calc);
    EXPECT_THROW(ReadAll(speed, speedBins.data()), EReadError);
    EXPECT_THROW(ReadAll(speed, speedWindows.data()), EReadError);
    EXPECT_THROW(ReadAll(heartInfo, heart.data()), EReadError);
    EXPECT_THROW(ReadAll(accelInfo, accel.data()), EReadError);
}

TEST_F(ZoneBlocks, ARunWritesWhatItReadsBack) {
    TqelCalculation& calculation = Make(0, 720000);
    for (int32_t t = 0; t < 720000; t += 100) {
        const Step step{.Time = t,
                        .Speed = (t % 7000) / 1000.0,
                        .Distance = (t % 7000) / 10.0,
                        .Acceleration = (t % 5000) / 1000.0 - 2.5,
                        .Heartbeat = 120 + (t % 60000) / 1000.0};
        for (TqelCalculationVaruza* object :
             {static_cast<TqelCalculationVaruza*>(calculation.SpeedInfo()),
              static_cast<TqelCalculationVaruza*>(calculation.HeartInfo()),
              static_cast<TqelCalculationVaruza*>(calculation.AccelInfo())}) {
            Run(*object, step);
        }
    }
    TqelSpeedInfo speed(calculation);
    ASSERT_TRUE(ReadAll(speed, Written(*calculation.SpeedInfo())));
    EXPECT_EQ(Written(speed), Written(*calculation.SpeedInfo()));
    EXPECT_EQ(speed.DistrValue(qel::FormatSettings()),
              calculation.SpeedInfo()->DistrValue(qel::FormatSettings()));
    TqelHeartInfo heart(calculation);
    ASSERT_TRUE(ReadAll(heart, Written(*calculation.HeartInfo())));
    EXPECT_EQ(Written(heart), Written(*calculation.HeartInfo()));
    TqelAccelInfo accel(calculation);
    ASSERT_TRUE(ReadAll(accel, Written(*calculation.AccelInfo())));
    EXPECT_EQ(Written(accel), Written(*calculation.AccelInfo()));
}

}  // namespace
}  // namespace qel::test
